// The settings' registry form: the 18 values that LoadFromRegistry converts. The input decides the
// screen size and, for each value, whether it exists, its type (any 32-bit number), its size (0 to a
// few hundred bytes, also sizes that do not fit the type) and its bytes. Then:
//   - every loaded setting is what its conversion gives, or within its range or fallback;
//   - a value that is missing, of another type or of a size other than its type's (a number of 4 bytes,
//     a text of whole characters that fits the name) leaves the default in place;
//   - what SaveToRegistry writes loads back to the same settings (right and bottom of the glass derived
//     from its size), and a second round trip changes nothing;
//   - no registry key handle is left open.
#include <fuzzer/FuzzedDataProvider.h>

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "magnifier/Magnifier.h"
#include "platform/Platform.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/Internal.h"
#include "settings/SettingsStore.h"

namespace sim = platform::sim;
using platform::Rect;

namespace {

constexpr size_t MaxValueBytes = 300;
constexpr uint32_t SkinNameBytes = 256;  // the loader's buffer: 128 UTF-16 code units
constexpr uint32_t DwordBytes = 4;

// In the order in which the loader visits them.
const char16_t* const ValueNames[18] = {
    u"SkinName",   u"SmoothImg", u"ShowLight",       u"RectLU",   u"WindowSize", u"ZoomX",
    u"ZoomPnt",    u"ShowAnim",  u"ShowColorPicker", u"CPRectLU", u"Bright",     u"Contrast",
    u"AdjustMode", u"ShowTape",  u"TPRectLU",        u"DevicePPI", u"PPCScanCode", u"PlaySound"};

struct StoredValue {
    bool exists = false;
    uint32_t type = 0;
    std::vector<uint8_t> bytes;
};

// What the loader may take from a value: nullopt when it must be ignored.
std::optional<uint32_t> UsableDword(const StoredValue& v) {
    if (!v.exists || v.type != platform::RegDword || v.bytes.size() != DwordBytes) return std::nullopt;
    uint32_t n = 0;
    for (size_t i = 0; i < v.bytes.size(); ++i) n |= uint32_t(v.bytes[i]) << (8 * i);
    return n;
}

StoredValue MakeValue(FuzzedDataProvider& in, bool text) {
    StoredValue v;
    v.exists = in.ConsumeBool();
    if (!v.exists) return v;
    const uint32_t expected = text ? platform::RegSz : platform::RegDword;
    v.type = in.ConsumeBool() ? expected : in.ConsumeIntegral<uint32_t>();
    const size_t size = in.ConsumeBool() ? (text ? in.ConsumeIntegralInRange<size_t>(0, SkinNameBytes) : DwordBytes)
                                         : in.ConsumeIntegralInRange<size_t>(0, MaxValueBytes);
    v.bytes = in.ConsumeBytes<uint8_t>(size);
    v.bytes.resize(size, 0);  // the input ran out: the size still stands as decided
    return v;
}

Magnifier FreshMagnifier(int32_t width, int32_t height) {
    Magnifier m;
    m.ScreenRect = Rect{0, 0, width, height};
    const WindowSizeBounds bounds = ComputeWindowSizeBounds(m.ScreenRect);
    m.MinWindowSize = bounds.min;
    m.MaxWindowSize = bounds.max;
    LoadDefaults(m);
    return m;
}

bool SameBits(float a, float b) { return std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b); }
// The record with what follows the skin name's terminating zero cleared: only the name counts.
Settings Normalized(Settings s) {
    size_t length = 0;
    while (length < 128 && s.SkinName[length] != 0) ++length;
    for (size_t i = length; i < 128; ++i) s.SkinName[i] = 0;
    return s;
}

bool SameSettings(const Settings& a, const Settings& b) {
    const Settings x = Normalized(a);
    const Settings y = Normalized(b);
    return std::memcmp(&x, &y, sizeof(Settings)) == 0;
}

std::string SkinNameText(const Settings& s) {
    std::string out;
    for (size_t i = 0; i < 128 && s.SkinName[i] != 0; ++i) {
        const char16_t c = s.SkinName[i];
        if (c >= 0x20 && c < 0x7F) {
            out += char(c);
        } else {
            char code[12];
            std::snprintf(code, sizeof code, "\\u%04x", unsigned(c));
            out += code;
        }
    }
    return out;
}

std::string RectText(const Rect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " + std::to_string(r.right) + ", " +
           std::to_string(r.bottom) + ")";
}

// The fields in which two records differ, for the message of a failed check.
std::string Differences(const Settings& a, const Settings& b) {
    std::string out;
    auto add = [&](const char* name, const std::string& x, const std::string& y) {
        if (x != y) out += std::string(name) + ": " + x + " vs " + y + "; ";
    };
    auto number = [](auto v) { return std::to_string(v); };
    auto bits = [](float f) { return std::to_string(std::bit_cast<uint32_t>(f)); };
    add("SkinName", SkinNameText(a), SkinNameText(b));
    add("SmoothImg", number(a.SmoothImg), number(b.SmoothImg));
    add("ShowLight", number(a.ShowLight), number(b.ShowLight));
    add("WindowRect", RectText(a.WindowRect), RectText(b.WindowRect));
    add("WindowSize", number(a.WindowSize), number(b.WindowSize));
    add("ZoomX", bits(a.ZoomX), bits(b.ZoomX));
    add("ZoomPnt", number(a.ZoomPnt.x) + "," + number(a.ZoomPnt.y), number(b.ZoomPnt.x) + "," + number(b.ZoomPnt.y));
    add("ShowAnim", number(a.ShowAnim), number(b.ShowAnim));
    add("ColorPickerRect", RectText(a.ColorPickerRect), RectText(b.ColorPickerRect));
    add("ShowColorPicker", number(a.ShowColorPicker), number(b.ShowColorPicker));
    add("Bright", bits(a.Bright), bits(b.Bright));
    add("Contrast", bits(a.Contrast), bits(b.Contrast));
    add("AdjustMode", number(a.AdjustMode), number(b.AdjustMode));
    add("TapeRect", RectText(a.TapeRect), RectText(b.TapeRect));
    add("ShowTape", number(a.ShowTape), number(b.ShowTape));
    add("DevicePPI", number(a.DevicePPI.x) + "," + number(a.DevicePPI.y), number(b.DevicePPI.x) + "," + number(b.DevicePPI.y));
    add("PPCScanCode", number(a.PPCScanCode), number(b.PPCScanCode));
    add("PlaySound", number(a.PlaySound), number(b.PlaySound));
    return out;
}

std::u16string SkinNameFrom(const std::vector<uint8_t>& bytes) {
    std::u16string name;
    for (size_t i = 0; i + 1 < bytes.size() && name.size() < 127; i += 2) {
        const char16_t unit = char16_t(bytes[i] | bytes[i + 1] << 8);
        if (unit == 0) break;
        name += unit;
    }
    return name;
}

// The settings the conversions give from the stored values, starting from the defaults. The three
// floats are left to CheckFloats where the loader has its own fallback.
Settings ExpectedSettings(const Magnifier& defaults, const StoredValue (&values)[18]) {
    Settings s = defaults.Settings;
    const int32_t width = defaults.ScreenRect.right;
    const int32_t height = defaults.ScreenRect.bottom;
    int32_t* booleans[18] = {};
    booleans[1] = &s.SmoothImg;
    booleans[2] = &s.ShowLight;
    booleans[7] = &s.ShowAnim;
    booleans[8] = &s.ShowColorPicker;
    booleans[12] = &s.AdjustMode;
    booleans[13] = &s.ShowTape;
    booleans[17] = &s.PlaySound;
    for (int i = 0; i < 18; ++i) {
        if (booleans[i]) {
            if (std::optional<uint32_t> v = UsableDword(values[i])) *booleans[i] = *v == 1 ? 1 : 0;
        }
    }
    const StoredValue& skin = values[0];
    if (skin.exists && skin.type == platform::RegSz && skin.bytes.size() <= SkinNameBytes && skin.bytes.size() >= 2 &&
        skin.bytes.size() % 2 == 0) {
        std::u16string name = SkinNameFrom(skin.bytes);
        std::memset(s.SkinName, 0, sizeof s.SkinName);
        std::copy(name.begin(), name.end(), s.SkinName);
    }
    if (std::optional<uint32_t> v = UsableDword(values[3])) {
        int32_t left = int16_t(*v & 0xFFFF);
        int32_t top = int16_t(*v >> 16);
        s.WindowRect.left = left < 0 || left > width ? 0 : left;
        s.WindowRect.top = top < 0 || top > height ? 0 : top;
    }
    if (std::optional<uint32_t> v = UsableDword(values[4])) {
        s.WindowSize = *v > uint32_t(defaults.MaxWindowSize)   ? defaults.MaxWindowSize
                       : *v < uint32_t(defaults.MinWindowSize) ? defaults.MinWindowSize
                                                               : int32_t(*v);
        s.WindowRect.right = s.WindowRect.left + s.WindowSize;
        s.WindowRect.bottom = s.WindowRect.top + s.WindowSize;
    }
    auto point = [&](uint32_t v) {
        platform::Point p{int32_t(v & 0xFFFF), int32_t(v >> 16)};
        if (p.x > width) p.x = 0;
        if (p.y > height) p.y = 0;
        return p;
    };
    if (std::optional<uint32_t> v = UsableDword(values[6])) s.ZoomPnt = point(*v);
    if (std::optional<uint32_t> v = UsableDword(values[9])) {
        platform::Point p = point(*v);
        s.ColorPickerRect = Rect{p.x, p.y, p.x + ColorPickerWidth, p.y + ToolWindowHeight};
    }
    if (std::optional<uint32_t> v = UsableDword(values[14])) {
        platform::Point p = point(*v);
        s.TapeRect = Rect{p.x, p.y, p.x + TapeWidth, p.y + ToolWindowHeight};
    }
    if (std::optional<uint32_t> v = UsableDword(values[15])) s.DevicePPI = Resolution{int32_t(*v & 0xFFFF), int32_t(*v >> 16)};
    if (std::optional<uint32_t> v = UsableDword(values[16])) s.PPCScanCode = *v;
    return s;
}

// ZoomX: a finite positive number loads unchanged, anything else gives the default. Bright and
// Contrast: a number within [0, 1] loads unchanged; anything else still lands within [0, 1].
void CheckFloats(const Settings& loaded, const Settings& defaults, const StoredValue (&values)[18]) {
    auto stored = [&](int i) -> std::optional<float> {
        std::optional<uint32_t> v = UsableDword(values[i]);
        return v ? std::optional<float>(std::bit_cast<float>(*v)) : std::nullopt;
    };
    std::optional<float> zoom = stored(5);
    if (!zoom)
        FUZZ_CHECK(SameBits(loaded.ZoomX, defaults.ZoomX));
    else if (std::isfinite(*zoom) && *zoom > 0.0f)
        FUZZ_CHECK(SameBits(loaded.ZoomX, *zoom));
    else
        FUZZ_CHECK(SameBits(loaded.ZoomX, defaults.ZoomX));
    const float Settings::*corrections[2] = {&Settings::Bright, &Settings::Contrast};
    for (int k = 0; k < 2; ++k) {
        const float value = loaded.*corrections[k];
        FUZZ_CHECK(value >= 0.0f && value <= 1.0f);
        std::optional<float> f = stored(10 + k);
        if (!f)
            FUZZ_CHECK(SameBits(value, defaults.*corrections[k]));
        else if (*f >= 0.0f && *f <= 1.0f)
            FUZZ_CHECK(SameBits(value, *f));
    }
}

// Ranges every loaded setting keeps, whatever the registry held. (The defaults' positions may lie off
// a very small screen; they are checked by the exact comparison instead.)
void CheckRanges(const Magnifier& m, const StoredValue (&values)[18]) {
    const Settings& s = m.Settings;
    const int32_t width = m.ScreenRect.right;
    const int32_t height = m.ScreenRect.bottom;
    auto loaded = [&](int i) { return UsableDword(values[i]).has_value(); };
    size_t length = 0;
    while (length < 128 && s.SkinName[length] != 0) ++length;
    FUZZ_CHECK(length <= 127);
    for (int32_t b : {s.SmoothImg, s.ShowLight, s.ShowAnim, s.ShowColorPicker, s.AdjustMode, s.ShowTape, s.PlaySound})
        FUZZ_CHECK(b == 0 || b == 1);
    // Below 62 pixels on the smaller side the bounds cross (40 is above 65 %); the clamp then gives one
    // of the two.
    if (m.MinWindowSize <= m.MaxWindowSize)
        FUZZ_CHECK(s.WindowSize >= m.MinWindowSize && s.WindowSize <= m.MaxWindowSize);
    else
        FUZZ_CHECK(s.WindowSize == m.MinWindowSize || s.WindowSize == m.MaxWindowSize);
    if (loaded(3)) {
        FUZZ_CHECK(s.WindowRect.left >= 0 && s.WindowRect.left <= width);
        FUZZ_CHECK(s.WindowRect.top >= 0 && s.WindowRect.top <= height);
    }
    if (loaded(4)) {
        FUZZ_CHECK(s.WindowRect.right - s.WindowRect.left == s.WindowSize);
        FUZZ_CHECK(s.WindowRect.bottom - s.WindowRect.top == s.WindowSize);
    }
    if (loaded(6)) FUZZ_CHECK(s.ZoomPnt.x >= 0 && s.ZoomPnt.x <= width && s.ZoomPnt.y >= 0 && s.ZoomPnt.y <= height);
    if (loaded(9)) {
        const Rect& r = s.ColorPickerRect;
        FUZZ_CHECK(r.left >= 0 && r.left <= width && r.top >= 0 && r.top <= height);
    }
    if (loaded(14)) {
        const Rect& r = s.TapeRect;
        FUZZ_CHECK(r.left >= 0 && r.left <= width && r.top >= 0 && r.top <= height);
    }
    FUZZ_CHECK(s.ColorPickerRect.right - s.ColorPickerRect.left == ColorPickerWidth);
    FUZZ_CHECK(s.TapeRect.right - s.TapeRect.left == TapeWidth);
    FUZZ_CHECK(s.ColorPickerRect.bottom - s.ColorPickerRect.top == ToolWindowHeight);
    FUZZ_CHECK(s.TapeRect.bottom - s.TapeRect.top == ToolWindowHeight);
    FUZZ_CHECK(std::isfinite(s.ZoomX) && s.ZoomX > 0.0f);
    FUZZ_CHECK(s.DevicePPI.x >= 0 && s.DevicePPI.x <= 0xFFFF && s.DevicePPI.y >= 0 && s.DevicePPI.y <= 0xFFFF);
}

// Every persisted position on the screen and the size bounds in order: the record a writer keeps.
bool WithinScreen(const Magnifier& m) {
    const Settings& s = m.Settings;
    const int32_t width = m.ScreenRect.right;
    const int32_t height = m.ScreenRect.bottom;
    auto inside = [&](int32_t x, int32_t y) { return x >= 0 && x <= width && y >= 0 && y <= height; };
    return m.MinWindowSize <= m.MaxWindowSize && inside(s.WindowRect.left, s.WindowRect.top) &&
           inside(s.ZoomPnt.x, s.ZoomPnt.y) && inside(s.ColorPickerRect.left, s.ColorPickerRect.top) &&
           inside(s.TapeRect.left, s.TapeRect.top);
}

int64_t OpenKeys() { return sim::ObjectCount("regkeys"); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const int32_t width = in.ConsumeIntegralInRange<int32_t>(16, 4096);
    const int32_t height = in.ConsumeIntegralInRange<int32_t>(16, 4096);
    const bool keyCreated = in.ConsumeBool();
    StoredValue values[18];
    for (int i = 0; i < 18; ++i) values[i] = MakeValue(in, i == 0);

    sim::detail::LoadRegistryFile("");  // an empty registry that is not kept
    const int64_t keysBefore = OpenKeys();
    bool anyValue = false;
    for (int i = 0; i < 18; ++i) {
        if (!values[i].exists) continue;
        sim::SetRegistryValue(SettingsKey, ValueNames[i], sim::RegistryValue{values[i].type, values[i].bytes});
        anyValue = true;
    }
    if (keyCreated) {
        platform::RegKey key = nullptr;
        FUZZ_CHECK(platform::RegistryCreateKey(SettingsKey, &key) == platform::ErrorSuccess);
        platform::RegistryCloseKey(key);
    }

    const Magnifier defaults = FreshMagnifier(width, height);
    Magnifier loaded = FreshMagnifier(width, height);
    FUZZ_CHECK(LoadFromRegistry(loaded) == (keyCreated || anyValue));
    FUZZ_CHECK(OpenKeys() == keysBefore);
    CheckRanges(loaded, values);
    CheckFloats(loaded.Settings, defaults.Settings, values);
    Settings expected = ExpectedSettings(defaults, values);
    expected.ZoomX = loaded.Settings.ZoomX;
    expected.Bright = loaded.Settings.Bright;
    expected.Contrast = loaded.Settings.Contrast;
    FUZZ_CHECK_MSG(SameSettings(loaded.Settings, expected), Differences(loaded.Settings, expected));

    // Saved and loaded again: the same record, with the glass's right and bottom derived from its size.
    // (On a screen too small for the defaults' positions, or with crossed size bounds, the load's
    // fallbacks apply on the way back; then only the second round trip must change nothing.)
    FUZZ_CHECK(SaveToRegistry(loaded));
    Magnifier again = FreshMagnifier(width, height);
    FUZZ_CHECK(LoadFromRegistry(again));
    if (WithinScreen(loaded)) {
        Settings square = loaded.Settings;
        square.WindowRect.right = square.WindowRect.left + square.WindowSize;
        square.WindowRect.bottom = square.WindowRect.top + square.WindowSize;
        FUZZ_CHECK_MSG(SameSettings(again.Settings, square), Differences(again.Settings, square));
    }

    FUZZ_CHECK(SaveToRegistry(again));
    Magnifier third = FreshMagnifier(width, height);
    FUZZ_CHECK(LoadFromRegistry(third));
    if (again.MinWindowSize <= again.MaxWindowSize)  // crossed bounds make the clamp alternate
        FUZZ_CHECK_MSG(SameSettings(third.Settings, again.Settings), Differences(third.Settings, again.Settings));
    FUZZ_CHECK(OpenKeys() == keysBefore);

    sim::detail::LoadRegistryFile("");
    return 0;
}
