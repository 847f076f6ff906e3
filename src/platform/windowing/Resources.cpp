// Resource modules of the window system: the running program's own module (its resource script
// built into it) and resource libraries loaded from device files in the same script form. Strings,
// icons, cursors, accelerator tables and dialog templates are taken from them.
#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/Files.h"
#include "platform/windowing/IconFile.h"
#include "platform/windowing/Internal.h"
#include "platform/windowing/ResourceScript.h"
#include "resources/Bundle.h"

namespace platform {

struct ModuleObject {
    std::u16string path;                                    // device path of the module's file
    std::shared_ptr<const sim::ResourceScript> script;
    bool executable = false;
};

namespace {

using ScriptPointer = std::shared_ptr<const sim::ResourceScript>;

// Cursors and accelerator tables are shared per module: each is made once for its script and id and
// kept until the device resets, so that a handle the program still holds never dangles.
template <typename Object>
struct SharedPool {
    struct Item {
        ScriptPointer script;  // kept alive so that its address is never reused by another script
        int id = 0;
        std::unique_ptr<Object> object;
    };
    std::vector<Item> items;

    Object* Find(const ScriptPointer& script, int id) const {
        for (const Item& item : items) {
            if (item.script == script && item.id == id) return item.object.get();
        }
        return nullptr;
    }
    Object* Add(const ScriptPointer& script, int id, std::unique_ptr<Object> object) {
        items.push_back(Item{script, id, std::move(object)});
        return items.back().object.get();
    }
};

// The last library text read and what it gave (a script, or the reason it was refused). Scripts are
// never changed once read, so modules read from the same bytes share one.
struct LastLibraryRead {
    bool done = false;
    std::string text;
    ScriptPointer script;
    std::string error;
};

struct ResourceState {
    std::set<ModuleObject*> modules;
    std::vector<ModuleObject*> executables;  // live executable modules, the running program's last
    std::set<IconObject*> icons;
    SharedPool<CursorObject> cursors;
    SharedPool<AcceleratorObject> accelerators;
    std::vector<ScriptPointer> retiredScripts;  // of freed libraries: their dialog templates stay valid
    LastLibraryRead lastLibrary;
};

ResourceState& State() {
    static ResourceState state;
    return state;
}

constexpr size_t MaxResourceFileBytes = 1 << 20;

// The program's own resources, read once from the script built into it.
ScriptPointer ExecutableScript() {
    static ScriptPointer script = [] {
        std::string error;
        auto includes = [](const std::string& name) -> std::optional<std::string> {
            std::optional<std::string_view> bytes = resources::EmbeddedResourceFile(name);
            if (!bytes) return std::nullopt;
            return std::string(*bytes);
        };
        std::optional<sim::ResourceScript> parsed =
            sim::ParseResourceScript(resources::EmbeddedResourceScript(), includes, &error, "Vistrel.rc");
        if (!parsed) {
            sim::detail::Log("The program's resources cannot be read: " + error);
            return ScriptPointer();
        }
        return ScriptPointer(std::make_shared<const sim::ResourceScript>(std::move(*parsed)));
    }();
    return script;
}

// A null module stands for the running program's own module.
ModuleObject* Resolve(Module module) {
    ResourceState& state = State();
    if (!module) return state.executables.empty() ? nullptr : state.executables.back();
    return state.modules.count(module) ? module : nullptr;
}

std::u16string FolderOf(const std::u16string& path) {
    size_t cut = path.find_last_of(u'\\');
    return cut == std::u16string::npos ? std::u16string() : path.substr(0, cut);
}

// The bytes of an icon or cursor file the module's script names: built into the program for its own
// module, beside the library's file for a library (file names may not leave that folder).
std::optional<std::string> ResourceFileBytes(const ModuleObject& module, const std::string& name) {
    if (module.executable) {
        std::optional<std::string_view> bytes = resources::EmbeddedResourceFile(name);
        if (!bytes) return std::nullopt;
        return std::string(*bytes);
    }
    std::u16string devicePath = FolderOf(module.path) + u"\\" + sim::detail::FromUtf8(name);
    return sim::detail::ReadHostFile(sim::detail::HostPath(devicePath.c_str()), MaxResourceFileBytes, nullptr);
}

std::optional<sim::IconPicture> LoadPicture(const ModuleObject& module, const std::map<int, std::string>& files,
                                            int id, bool cursor) {
    auto file = files.find(id);
    if (file == files.end()) return std::nullopt;
    std::optional<std::string> bytes = ResourceFileBytes(module, file->second);
    if (!bytes) return std::nullopt;
    return sim::DecodeIconFile(reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size(), cursor);
}

int CopyText(const std::u16string& text, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    size_t count = std::min(text.size(), size_t(capacity - 1));
    std::copy(text.begin(), text.begin() + std::ptrdiff_t(count), buffer);
    buffer[count] = 0;
    return int(count);
}

}  // namespace

// ---- Modules ----

int GetModulePath(Module module, char16_t* buffer, int capacity) {
    ModuleObject* target = Resolve(module);
    if (!target) {
        CopyText(u"", buffer, capacity);
        return 0;
    }
    return CopyText(target->path, buffer, capacity);
}

Module LoadResourceModule(const char16_t* path) {
    if (!path || !*path) return nullptr;
    std::string why;
    std::optional<std::string> text = sim::detail::ReadHostFile(sim::detail::HostPath(path), MaxResourceFileBytes, &why);
    if (!text) {
        // A missing library is the ordinary case; one that is there but cannot be read is told about.
        if (!why.empty()) sim::detail::Log("Resource library " + sim::detail::ToUtf8(path) + " not loaded: " + why);
        return nullptr;
    }
    std::string error;
    ScriptPointer script = sim::ReadLibraryScript(*text, &error);
    if (!script) {
        // The program is told nothing (it falls back to its own texts); whoever writes the file is.
        sim::detail::Log("Resource library " + sim::detail::ToUtf8(path) + " not loaded: " + error);
        return nullptr;
    }
    auto module = std::make_unique<ModuleObject>();
    module->path = path;
    module->script = std::move(script);
    ModuleObject* raw = module.release();
    State().modules.insert(raw);
    sim::detail::CountObject("modules", 1);
    return raw;
}

bool FreeResourceModule(Module module) {
    ResourceState& state = State();
    if (!module || !state.modules.count(module) || module->executable) return false;
    state.modules.erase(module);
    state.retiredScripts.push_back(module->script);
    delete module;
    sim::detail::CountObject("modules", -1);
    return true;
}

// ---- Resources ----

int LoadStringResource(Module module, int id, char16_t* buffer, int capacity) {
    ModuleObject* target = Resolve(module);
    static const std::u16string none;
    const std::u16string* text = &none;
    if (target) {
        auto found = target->script->strings.find(id);
        if (found != target->script->strings.end()) text = &found->second;
    }
    return CopyText(*text, buffer, capacity);
}

Icon LoadIconResource(Module module, int id) {
    ModuleObject* target = Resolve(module);
    if (!target) return nullptr;
    std::optional<sim::IconPicture> picture = LoadPicture(*target, target->script->iconFiles, id, false);
    if (!picture) return nullptr;
    auto icon = std::make_unique<IconObject>();
    icon->id = id;
    icon->image = std::move(picture->image);
    icon->mask = std::move(picture->mask);
    IconObject* raw = icon.release();
    State().icons.insert(raw);
    sim::detail::CountObject("icons", 1);
    return raw;
}

bool DestroyIconObject(Icon icon) {
    ResourceState& state = State();
    if (!icon || !state.icons.count(icon)) return false;
    state.icons.erase(icon);
    delete icon;
    sim::detail::CountObject("icons", -1);
    return true;
}

Cursor LoadCursorResource(Module module, int id) {
    ModuleObject* target = Resolve(module);
    if (!target) return nullptr;
    ResourceState& state = State();
    if (CursorObject* shared = state.cursors.Find(target->script, id)) return shared;
    std::optional<sim::IconPicture> picture = LoadPicture(*target, target->script->cursorFiles, id, true);
    if (!picture) return nullptr;
    auto cursor = std::make_unique<CursorObject>();
    cursor->id = id;
    cursor->system = false;
    cursor->image = std::move(picture->image);
    cursor->mask = std::move(picture->mask);
    cursor->hotSpot = picture->hotSpot;
    return state.cursors.Add(target->script, id, std::move(cursor));
}

Accelerators LoadAcceleratorResource(Module module, int id) {
    ModuleObject* target = Resolve(module);
    if (!target) return nullptr;
    ResourceState& state = State();
    if (AcceleratorObject* shared = state.accelerators.Find(target->script, id)) return shared;
    auto found = target->script->accelerators.find(id);
    if (found == target->script->accelerators.end()) return nullptr;
    return state.accelerators.Add(target->script, id, std::make_unique<AcceleratorObject>(found->second));
}

DialogTemplate FindDialogTemplate(Module module, int id) {
    ModuleObject* target = Resolve(module);
    if (!target) return nullptr;
    auto found = target->script->dialogs.find(id);
    return found == target->script->dialogs.end() ? nullptr : &found->second;
}

}  // namespace platform

namespace platform::sim {

std::shared_ptr<const ResourceScript> ReadLibraryScript(std::string_view text, std::string* error) {
    LastLibraryRead& last = State().lastLibrary;
    if (!last.done || text != last.text) {
        auto includes = [](const std::string& name) -> std::optional<std::string> {
            std::optional<std::string_view> bytes = resources::EmbeddedResourceFile(name);
            if (!bytes || !name.ends_with(".h")) return std::nullopt;
            return std::string(*bytes);
        };
        LastLibraryRead read{true, std::string(text), nullptr, std::string()};
        std::optional<ResourceScript> script = ParseResourceScript(text, includes, &read.error, "resource library");
        if (script) read.script = std::make_shared<const ResourceScript>(std::move(*script));
        last = std::move(read);
    }
    if (error) *error = last.error;
    return last.script;
}

}  // namespace platform::sim

namespace platform::sim::detail {

Module CreateExecutableModule() {
    ScriptPointer script = ExecutableScript();
    if (!script) return nullptr;
    auto module = std::make_unique<ModuleObject>();
    module->path = ExecutablePath;
    module->script = std::move(script);
    module->executable = true;
    ModuleObject* raw = module.release();
    State().modules.insert(raw);
    State().executables.push_back(raw);
    CountObject("modules", 1);
    return raw;
}

void DestroyExecutableModule(Module module) {
    ResourceState& state = State();
    if (!module || !state.modules.count(module) || !module->executable) return;
    state.modules.erase(module);
    state.executables.erase(std::remove(state.executables.begin(), state.executables.end(), module),
                            state.executables.end());
    delete module;
    CountObject("modules", -1);
}

// A new device: everything of the old one goes, without counting (the device's counts start afresh).
void ResetResources() {
    ResourceState& state = State();
    for (ModuleObject* module : state.modules) delete module;
    for (IconObject* icon : state.icons) delete icon;
    state.modules.clear();
    state.executables.clear();
    state.icons.clear();
    state.cursors.items.clear();
    state.accelerators.items.clear();
    state.retiredScripts.clear();
    state.lastLibrary = LastLibraryRead{};
    ResetFindHandles();
}

}  // namespace platform::sim::detail
