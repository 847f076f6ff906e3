#include "Dump.h"

#include <cstring>

#include "Json.h"
#include "Unicode.h"
#include "platform/Constants.h"
#include "shell/ShellState.h"

namespace sim = platform::sim;
using scenario::Target;

namespace {

// ---- Program windows ----

const char16_t* ClassNameOf(Target target) {
    switch (target) {
        case Target::Magnifier: return u"MAGNIFYINGGLASS";
        case Target::Picker: return u"MG_COLORPICKER";
        case Target::Tape: return u"MG_TAPE";
        case Target::None: break;
    }
    return u"";
}

platform::Window ShellHandleOf(Target target) {
    const ShellState& shell = Shell();
    switch (target) {
        case Target::Magnifier: return shell.MagnifierWindow;
        case Target::Picker: return shell.ColorPickerWindow;
        case Target::Tape: return shell.TapeWindow;
        case Target::None: break;
    }
    return nullptr;
}

// ---- Values ----

void WriteRect(JsonWriter& j, const platform::Rect& r) {
    j.BeginArray().Int(r.left).Int(r.top).Int(r.right).Int(r.bottom).EndArray();
}
void WritePoint(JsonWriter& j, const platform::Point& p) { j.BeginArray().Int(p.x).Int(p.y).EndArray(); }
void WritePointD(JsonWriter& j, const PointD& p) { j.BeginArray().Double(p.x).Double(p.y).EndArray(); }

void WriteSettings(JsonWriter& j, const Settings& s) {
    j.BeginObject();
    j.Key("SkinName").String(BufferText(s.SkinName));
    j.Key("SmoothImg").Int(s.SmoothImg);
    j.Key("ShowLight").Int(s.ShowLight);
    j.Key("WindowRect"); WriteRect(j, s.WindowRect);
    j.Key("WindowSize").Int(s.WindowSize);
    j.Key("ZoomX").Float(s.ZoomX);
    j.Key("ZoomPnt"); WritePoint(j, s.ZoomPnt);
    j.Key("ShowAnim").Int(s.ShowAnim);
    j.Key("ColorPickerRect"); WriteRect(j, s.ColorPickerRect);
    j.Key("ShowColorPicker").Int(s.ShowColorPicker);
    j.Key("Bright").Float(s.Bright);
    j.Key("Contrast").Float(s.Contrast);
    j.Key("AdjustMode").Int(s.AdjustMode);
    j.Key("TapeRect"); WriteRect(j, s.TapeRect);
    j.Key("ShowTape").Int(s.ShowTape);
    j.Key("DevicePPI").BeginArray().Int(s.DevicePPI.x).Int(s.DevicePPI.y).EndArray();
    j.Key("PPCScanCode").Int(s.PPCScanCode);
    j.Key("PlaySound").Int(s.PlaySound);
    j.EndObject();
}

void WriteMagnifier(JsonWriter& j, const Magnifier& m) {
    j.BeginObject();
    j.Key("PointerState").Int(m.PointerState);
    j.Key("Visible").Bool(m.Visible);
    j.Key("Hidden").Bool(m.Hidden);
    j.Key("ShowSteps").Int(m.ShowSteps);
    j.Key("HideSteps").Int(m.HideSteps);
    j.Key("AnimStep").Int(m.AnimStep);
    j.Key("AnimSavedRect"); WriteRect(j, m.AnimSavedRect);
    j.Key("FirstSampleDone").Bool(m.FirstSampleDone);
    j.Key("LocatorRequest").Bool(m.LocatorRequest);
    j.Key("LocatorCount").Int(m.LocatorCount);
    j.Key("LocatorRect"); WriteRect(j, m.LocatorRect);
    j.Key("ScreenRect"); WriteRect(j, m.ScreenRect);
    j.Key("MinWindowSize").Int(m.MinWindowSize);
    j.Key("MaxWindowSize").Int(m.MaxWindowSize);
    j.Key("RightZone"); WriteRect(j, m.RightZone);
    j.Key("BottomZone"); WriteRect(j, m.BottomZone);
    j.Key("CornerZone"); WriteRect(j, m.CornerZone);
    j.Key("ColorPickerToolRect"); WriteRect(j, m.ColorPickerToolRect);
    j.Key("TapeToolRect"); WriteRect(j, m.TapeToolRect);
    j.Key("ViewInset"); WritePointD(j, m.ViewInset);
    j.Key("DialRadius").Double(m.DialRadius);
    j.Key("DialDotRadius").Double(m.DialDotRadius);
    j.Key("DialDot"); WritePointD(j, m.DialDot);
    j.Key("PickedColor").Int(m.PickedColor);
    j.Key("SourceRect"); WriteRect(j, m.SourceRect);
    j.Key("ColorPickerText").String(BufferText(m.ColorPickerText));
    j.Key("TapeText").String(BufferText(m.TapeText));
    j.Key("TapeStart"); WritePoint(j, m.TapeStart);
    j.Key("ColorPickerDock").Int(m.ColorPickerDock);
    j.Key("TapeDock").Int(m.TapeDock);
    j.Key("ColorPickerOffset"); WritePoint(j, m.ColorPickerOffset);
    j.Key("TapeOffset"); WritePoint(j, m.TapeOffset);
    j.Key("LoadedSkinName").String(BufferText(m.LoadedSkinName));
    j.Key("AimTimerArmed").Int(m.AimTimerArmed);
    j.Key("GrabPoint"); WritePoint(j, m.GrabPoint);
    j.Key("DragStartZoom").Float(m.DragStartZoom);
    j.Key("DragStartSize").Int(m.DragStartSize);
    j.EndObject();
}

void WriteShell(JsonWriter& j, const ShellState& s) {
    j.BeginObject();
    j.Key("Closing").Bool(s.Closing);
    j.Key("SettingsSheetOpen").Bool(s.SettingsSheetOpen);
    j.Key("TicksSinceRefresh").Int(s.TicksSinceRefresh());
    j.Key("ResourceLibrary").Bool(s.ResourceLibrary != nullptr);
    j.EndObject();
}

void WriteWindow(JsonWriter& j, const std::optional<sim::WindowInfo>& w) {
    if (!w) {
        j.Null();
        return;
    }
    j.BeginObject();
    j.Key("class").String(w->className);
    j.Key("title").String(w->title);
    j.Key("rect"); WriteRect(j, w->rect);
    j.Key("visible").Bool(w->visible);
    j.Key("style").Int(w->style);
    j.Key("exstyle").Int(w->exStyle);
    j.EndObject();
}

const char* WindowName(platform::Window window) {
    if (!window) return nullptr;
    for (Target t : {Target::Magnifier, Target::Picker, Target::Tape}) {
        std::optional<sim::WindowInfo> info = FindProgramWindow(t);
        if (info && info->handle == window) {
            return t == Target::Magnifier ? "magnifier" : t == Target::Picker ? "picker" : "tape";
        }
    }
    return nullptr;
}

std::string RegistryTypeName(uint32_t type) {
    switch (type) {
        case 0: return "REG_NONE";
        case 1: return "REG_SZ";
        case 2: return "REG_EXPAND_SZ";
        case 3: return "REG_BINARY";
        case 4: return "REG_DWORD";
        case 5: return "REG_DWORD_BIG_ENDIAN";
        case 6: return "REG_LINK";
        case 7: return "REG_MULTI_SZ";
        case 11: return "REG_QWORD";
        default: return "REG_TYPE_" + std::to_string(type);
    }
}

std::string HexBytes(const std::vector<uint8_t>& data) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    out.reserve(data.size() * 2);
    for (uint8_t b : data) {
        out += hex[b >> 4];
        out += hex[b & 15];
    }
    return out;
}

// A string value: little-endian UTF-16 up to its first zero; an odd last byte is left out.
std::u16string RegistryText(const std::vector<uint8_t>& data) {
    std::u16string text;
    for (size_t i = 0; i + 1 < data.size(); i += 2) {
        char16_t unit = char16_t(data[i] | (data[i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

void WriteRegistryValue(JsonWriter& j, const sim::RegistryValue& value) {
    j.BeginObject();
    j.Key("type").String(RegistryTypeName(value.type));
    j.Key("value");
    if (value.type == platform::RegSz || value.type == platform::RegExpandSz) {
        j.String(RegistryText(value.data));
    } else if (value.type == platform::RegDword && value.data.size() == 4) {
        uint32_t number = 0;
        std::memcpy(&number, value.data.data(), 4);
        j.Int(number);
    } else {
        j.String(HexBytes(value.data));
    }
    j.EndObject();
}

void WriteRegistry(JsonWriter& j) {
    j.BeginObject();
    for (const auto& [key, values] : sim::Registry()) {
        j.Key(Utf16ToUtf8(key)).BeginObject();
        for (const auto& [name, value] : values) {
            j.Key(Utf16ToUtf8(name));
            WriteRegistryValue(j, value);
        }
        j.EndObject();
    }
    j.EndObject();
}

void WriteMenu(JsonWriter& j) {
    std::optional<std::vector<sim::MenuItemInfo>> menu = sim::LastMenu();
    if (!menu) {
        j.Null();
        return;
    }
    j.BeginObject().Key("items").BeginArray();
    for (const sim::MenuItemInfo& item : *menu) {
        j.BeginObject();
        j.Key("id").Int(int64_t(item.id));
        j.Key("text").String(item.text);
        j.Key("checked").Bool(item.checked);
        j.Key("separator").Bool(item.separator);
        j.EndObject();
    }
    j.EndArray().EndObject();
}

}  // namespace

std::optional<sim::WindowInfo> FindProgramWindow(Target target) {
    if (target == Target::None) return std::nullopt;
    if (sim::ProgramRunning()) {
        // Compared by value only: a handle of a window that is gone is never dereferenced.
        if (platform::Window handle = ShellHandleOf(target)) {
            for (const sim::WindowInfo& info : sim::TopLevelWindows())
                if (info.handle == handle) return info;
        }
    }
    return sim::FindWindowByClass(ClassNameOf(target));
}

std::string DumpJson() {
    JsonWriter j;
    j.BeginObject();
    j.Key("clock").Int(sim::Clock());
    const bool running = sim::ProgramRunning();
    j.Key("running").Bool(running);
    j.Key("exit_code");
    std::optional<int> exitCode = sim::LastExitCode();
    if (!running && exitCode) j.Int(*exitCode);
    else j.Null();

    const sim::Image& screen = sim::Screen();
    j.Key("screen").BeginArray().Int(screen.width).Int(screen.height).EndArray();

    const Magnifier* magnifier = running ? Shell().MagnifierObject : nullptr;
    j.Key("settings");
    if (magnifier) WriteSettings(j, magnifier->Settings);
    else j.Null();
    j.Key("magnifier");
    if (magnifier) WriteMagnifier(j, *magnifier);
    else j.Null();
    j.Key("shell");
    if (running) WriteShell(j, Shell());
    else j.Null();

    j.Key("windows").BeginObject();
    j.Key("magnifier"); WriteWindow(j, FindProgramWindow(Target::Magnifier));
    j.Key("picker"); WriteWindow(j, FindProgramWindow(Target::Picker));
    j.Key("tape"); WriteWindow(j, FindProgramWindow(Target::Tape));
    j.EndObject();

    j.Key("tray").BeginArray();
    for (const sim::TrayInfo& icon : sim::TrayIcons()) {
        j.BeginObject().Key("id").Int(icon.id).Key("tip").String(icon.tip).Key("callback").Int(icon.callback);
        j.EndObject();
    }
    j.EndArray();

    j.Key("hotkeys").BeginArray();
    for (const sim::HotKeyInfo& key : sim::HotKeys()) {
        j.BeginObject().Key("id").Int(key.id).Key("modifiers").Int(key.modifiers).Key("vk").Int(key.virtualKey);
        j.EndObject();
    }
    j.EndArray();

    j.Key("cursor");
    if (std::optional<int> cursor = sim::CurrentCursorId()) j.Int(*cursor);
    else j.Null();

    j.Key("capture");
    if (const char* name = WindowName(sim::CaptureWindow())) j.String(name);
    else j.Null();

    j.Key("sounds").BeginArray();
    for (const std::u16string& sound : sim::Sounds()) j.String(sound);
    j.EndArray();

    j.Key("processes").BeginArray();
    for (const sim::ProcessRecord& process : sim::Processes()) {
        j.BeginObject().Key("program").String(process.program).Key("command_line").String(process.commandLine);
        j.EndObject();
    }
    j.EndArray();

    j.Key("clipboard");
    if (std::optional<std::u16string> text = sim::ClipboardText()) j.String(*text);
    else j.Null();

    j.Key("menu"); WriteMenu(j);
    j.Key("registry"); WriteRegistry(j);

    j.Key("objects").BeginObject();
    for (const auto& [kind, count] : sim::ObjectCounts()) j.Key(kind).Int(count);
    j.EndObject();

    j.EndObject();
    return j.Text();
}
