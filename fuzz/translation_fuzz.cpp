// The reader of resource scripts, the form in which a translation library ("Localize.dll") lies beside
// the program on the simulated handheld. Whatever the text, the reader either refuses it with a message
// or gives resources within its documented limits.
//
// Includes: the program's own id header may be included by name, as when the device loads a library;
// any other name ending in ".rc" gives the input itself, so that nesting and counting of includes are
// exercised too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "platform/windowing/ResourceScript.h"
#include "resources/Bundle.h"

namespace sim = platform::sim;

namespace {

void CheckLimits(const sim::ResourceScript& script) {
    const size_t resources = script.strings.size() + script.accelerators.size() + script.dialogs.size() +
                             script.iconFiles.size() + script.cursorFiles.size();
    FUZZ_CHECK(resources <= sim::MaxResources);
    for (const auto& [id, text] : script.strings) FUZZ_CHECK(text.size() <= sim::MaxStringUnits);
    for (const auto& [id, table] : script.accelerators) FUZZ_CHECK(table.entries.size() <= sim::MaxAcceleratorEntries);
    for (const auto& [id, dialog] : script.dialogs) {
        FUZZ_CHECK(dialog.id == id);
        FUZZ_CHECK(dialog.controls.size() <= sim::MaxDialogControls);
        FUZZ_CHECK(dialog.caption.size() <= sim::MaxStringUnits);
        for (const auto& control : dialog.controls) FUZZ_CHECK(control.text.size() <= sim::MaxStringUnits);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto includes = [text](const std::string& name) -> std::optional<std::string> {
        if (name.ends_with(".rc")) return std::string(text);
        std::optional<std::string_view> bytes = resources::EmbeddedResourceFile(name);
        if (!bytes || !name.ends_with(".h")) return std::nullopt;
        return std::string(*bytes);
    };
    std::string error;
    std::optional<sim::ResourceScript> script = sim::ParseResourceScript(text, includes, &error, "Localize.dll");
    if (!script) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    CheckLimits(*script);
    return 0;
}
