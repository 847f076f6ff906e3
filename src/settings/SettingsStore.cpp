// The settings' defaults and their registry form: 18 values under one key of the current user.
#include "settings/SettingsStore.h"

#include <bit>
#include <cmath>

using namespace platform;

namespace {

constexpr float DefaultZoom = 4.0f;
constexpr float NeutralCorrection = 0.5f;

int32_t ScreenWidth(const Magnifier& m) { return m.ScreenRect.right - m.ScreenRect.left; }
int32_t ScreenHeight(const Magnifier& m) { return m.ScreenRect.bottom - m.ScreenRect.top; }

int32_t ClampWindowSize(const Magnifier& m, int64_t size) {
    if (size > m.MaxWindowSize) return m.MaxWindowSize;
    if (size < m.MinWindowSize) return m.MinWindowSize;
    return int32_t(size);
}

void CopySkinName(char16_t (&to)[128], const char16_t* from, size_t available) {
    size_t i = 0;
    for (; i < 127 && i < available && from[i] != 0; ++i) to[i] = from[i];
    to[i] = 0;
}

uint32_t Pack(int32_t first, int32_t second) {
    return (uint32_t(second) & 0xFFFF) << 16 | (uint32_t(first) & 0xFFFF);
}

// ---- Reading ----

// A value counts only when the query succeeds with the expected type and the size of that type; anything
// else leaves the field (a number of no bytes is not 0).
bool QueryDword(RegKey key, const char16_t* name, uint32_t* value) {
    uint32_t data = 0;
    uint32_t type = 0;
    uint32_t size = sizeof(data);
    if (RegistryQueryValue(key, name, &type, &data, &size) != ErrorSuccess || type != RegDword || size != sizeof(data))
        return false;
    *value = data;
    return true;
}

void LoadBoolean(RegKey key, const char16_t* name, int32_t* field) {
    uint32_t v = 0;
    if (QueryDword(key, name, &v)) *field = v == 1 ? 1 : 0;
}

void LoadSkinName(RegKey key, Settings& s) {
    char16_t buffer[128] = {};
    uint32_t type = 0;
    uint32_t size = sizeof(buffer);
    // A text is whole characters, at least its terminating zero.
    if (RegistryQueryValue(key, u"SkinName", &type, buffer, &size) != ErrorSuccess || type != RegSz ||
        size < sizeof(char16_t) || size % sizeof(char16_t) != 0)
        return;
    CopySkinName(s.SkinName, buffer, size / sizeof(char16_t));
}

// The upper-left corner of the glass: signed halves; off-screen values become 0.
void LoadWindowCorner(RegKey key, Magnifier& m) {
    uint32_t v = 0;
    if (!QueryDword(key, u"RectLU", &v)) return;
    int32_t left = int16_t(v & 0xFFFF);
    int32_t top = int16_t(v >> 16);
    if (left < 0 || left > ScreenWidth(m)) left = 0;
    if (top < 0 || top > ScreenHeight(m)) top = 0;
    m.Settings.WindowRect.left = left;
    m.Settings.WindowRect.top = top;
}

void LoadWindowSize(RegKey key, Magnifier& m) {
    uint32_t v = 0;
    if (!QueryDword(key, u"WindowSize", &v)) return;
    Settings& s = m.Settings;
    s.WindowSize = ClampWindowSize(m, int64_t(v));
    s.WindowRect.right = s.WindowRect.left + s.WindowSize;
    s.WindowRect.bottom = s.WindowRect.top + s.WindowSize;
}

bool LoadFloat(RegKey key, const char16_t* name, float* field) {
    uint32_t v = 0;
    if (!QueryDword(key, name, &v)) return false;
    *field = std::bit_cast<float>(v);
    return true;
}

// No writer of this program stores a zoom that is not a finite positive number; such a value would
// make the source size of the view undefined, so it loads as the default instead. Finite zooms above
// 10 load unchanged (the next wheel step or sheet apply brings them back into range).
void LoadZoom(RegKey key, Settings& s) {
    float zoom = 0.0f;
    if (!LoadFloat(key, u"ZoomX", &zoom)) return;
    s.ZoomX = std::isfinite(zoom) && zoom > 0.0f ? zoom : DefaultZoom;
}

// Brightness and contrast work on [0, 1]: a value that is not a number becomes neutral, one outside
// the range is brought to its nearer end (a huge value would overflow the brightness delta).
void LoadCorrection(RegKey key, const char16_t* name, float* field) {
    float value = 0.0f;
    if (!LoadFloat(key, name, &value)) return;
    if (!std::isfinite(value)) value = NeutralCorrection;
    *field = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

// An unsigned packed point; a coordinate beyond the screen becomes 0.
bool LoadScreenPoint(RegKey key, const Magnifier& m, const char16_t* name, Point* p) {
    uint32_t v = 0;
    if (!QueryDword(key, name, &v)) return false;
    p->x = int32_t(v & 0xFFFF);
    p->y = int32_t(v >> 16);
    if (p->x > ScreenWidth(m)) p->x = 0;
    if (p->y > ScreenHeight(m)) p->y = 0;
    return true;
}

void LoadToolCorner(RegKey key, const Magnifier& m, const char16_t* name, Rect* rect, int32_t width) {
    Point corner;
    if (!LoadScreenPoint(key, m, name, &corner)) return;
    *rect = Rect{corner.x, corner.y, corner.x + width, corner.y + ToolWindowHeight};
}

void LoadResolution(RegKey key, Settings& s) {
    uint32_t v = 0;
    if (!QueryDword(key, u"DevicePPI", &v)) return;
    s.DevicePPI.x = int32_t(v & 0xFFFF);
    s.DevicePPI.y = int32_t(v >> 16);
}

// ---- Writing ----

void SaveDword(RegKey key, const char16_t* name, uint32_t value) {
    RegistrySetValue(key, name, RegDword, &value, sizeof(value));
}

void SaveFloat(RegKey key, const char16_t* name, float value) {
    SaveDword(key, name, std::bit_cast<uint32_t>(value));
}

void SaveSkinName(RegKey key, const Settings& s) {
    char16_t name[128] = {};
    CopySkinName(name, s.SkinName, 128);
    uint32_t length = 0;
    while (name[length] != 0) ++length;
    RegistrySetValue(key, u"SkinName", RegSz, name, uint32_t(sizeof(char16_t)) * (length + 1));
}

}  // namespace

WindowSizeBounds ComputeWindowSizeBounds(const Rect& screen) {
    const int32_t width = screen.right - screen.left;
    const int32_t height = screen.bottom - screen.top;
    const int32_t s = width < height ? width : height;
    WindowSizeBounds bounds;
    bounds.min = int32_t(s * 0.15);
    if (bounds.min < 40) bounds.min = 40;
    bounds.max = int32_t(s * 0.65);
    if (bounds.max > 525) bounds.max = 525;
    // The bounds never cross, or the size clamp would swing between them on every load. On a screen
    // over 3,500 pixels across 15 % passes the largest glass: the smallest comes down to it. On one under
    // 62 pixels 65 % is less than the smallest glass: the largest goes up to it.
    if (bounds.min > 525) bounds.min = 525;
    if (bounds.max < bounds.min) bounds.max = bounds.min;
    return bounds;
}

void LoadDefaults(Magnifier& m) {
    Settings& s = m.Settings;
    s.WindowRect.left = s.WindowRect.top = 100;
    const int32_t width = ScreenWidth(m);
    const int32_t height = ScreenHeight(m);
    int32_t size = (width < height ? width : height) / 3;
    if (size > m.MaxWindowSize)
        size = m.MaxWindowSize;
    else if (size < m.MinWindowSize)
        size = m.MinWindowSize;
    s.WindowSize = size;
    s.WindowRect.right = s.WindowRect.bottom = size + 100;
    s.ColorPickerRect = Rect{100, size + 100, 300, size + 150};
    s.TapeRect = Rect{100, 50, 325, 100};
    s.ZoomX = DefaultZoom;
    s.ShowColorPicker = 0;
    s.ShowTape = 0;
    s.SmoothImg = 1;
    s.ShowLight = 1;
    CopySkinName(s.SkinName, DefaultSkinName, 128);
    s.ZoomPnt = Point{0, 0};
    s.Bright = s.Contrast = NeutralCorrection;
    s.ShowAnim = 1;
    s.AdjustMode = 0;
    s.DevicePPI = Resolution{72, 72};
    s.PPCScanCode = 193;
    s.PlaySound = 1;
}

bool LoadFromRegistry(Magnifier& m) {
    RegKey key = nullptr;
    if (RegistryOpenKey(SettingsKey, &key) != ErrorSuccess || !key) return false;
    Settings& s = m.Settings;
    uint32_t v = 0;
    LoadSkinName(key, s);
    LoadBoolean(key, u"SmoothImg", &s.SmoothImg);
    LoadBoolean(key, u"ShowLight", &s.ShowLight);
    LoadWindowCorner(key, m);
    LoadWindowSize(key, m);
    LoadZoom(key, s);
    LoadScreenPoint(key, m, u"ZoomPnt", &s.ZoomPnt);
    LoadBoolean(key, u"ShowAnim", &s.ShowAnim);
    LoadBoolean(key, u"ShowColorPicker", &s.ShowColorPicker);
    LoadToolCorner(key, m, u"CPRectLU", &s.ColorPickerRect, ColorPickerWidth);
    LoadCorrection(key, u"Bright", &s.Bright);
    LoadCorrection(key, u"Contrast", &s.Contrast);
    LoadBoolean(key, u"AdjustMode", &s.AdjustMode);
    LoadBoolean(key, u"ShowTape", &s.ShowTape);
    LoadToolCorner(key, m, u"TPRectLU", &s.TapeRect, TapeWidth);
    LoadResolution(key, s);
    if (QueryDword(key, u"PPCScanCode", &v)) s.PPCScanCode = v;
    LoadBoolean(key, u"PlaySound", &s.PlaySound);
    RegistryCloseKey(key);
    return true;
}

bool SaveToRegistry(const Magnifier& m) {
    RegKey key = nullptr;
    if (RegistryCreateKey(SettingsKey, &key) != ErrorSuccess || !key) return false;
    const Settings& s = m.Settings;
    SaveSkinName(key, s);
    SaveDword(key, u"SmoothImg", uint32_t(s.SmoothImg));
    SaveDword(key, u"ShowLight", uint32_t(s.ShowLight));
    SaveDword(key, u"RectLU", Pack(s.WindowRect.left, s.WindowRect.top));
    SaveDword(key, u"WindowSize", uint32_t(s.WindowSize));
    SaveFloat(key, u"ZoomX", s.ZoomX);
    SaveDword(key, u"ZoomPnt", Pack(s.ZoomPnt.x, s.ZoomPnt.y));
    SaveDword(key, u"ShowAnim", uint32_t(s.ShowAnim));
    SaveDword(key, u"ShowColorPicker", uint32_t(s.ShowColorPicker));
    SaveDword(key, u"CPRectLU", Pack(s.ColorPickerRect.left, s.ColorPickerRect.top));
    SaveFloat(key, u"Bright", s.Bright);
    SaveFloat(key, u"Contrast", s.Contrast);
    SaveDword(key, u"AdjustMode", uint32_t(s.AdjustMode));
    SaveDword(key, u"ShowTape", uint32_t(s.ShowTape));
    SaveDword(key, u"TPRectLU", Pack(s.TapeRect.left, s.TapeRect.top));
    SaveDword(key, u"DevicePPI", Pack(s.DevicePPI.x, s.DevicePPI.y));
    SaveDword(key, u"PPCScanCode", s.PPCScanCode);
    SaveDword(key, u"PlaySound", uint32_t(s.PlaySound));
    RegistryCloseKey(key);
    return true;
}
