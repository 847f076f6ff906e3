// Skins and the layout of the three windows: loading the skin (or building the fallback), placing the
// windows, the hit zones and tool squares, and applying a new window size around the glass's centre.
#include "magnifier/SkinLayout.h"

#include <string>

#include "magnifier/Rendering.h"
#include "platform/Geometry.h"
#include "tools/Docking.h"
#include "tools/Tape.h"

using namespace platform;

namespace {

constexpr int32_t FallbackFrameWidth = 31;
constexpr size_t PathCapacity = 260;

// "%s\Skins\%s" from the executable's folder and the skin's name; false when it does not fit.
bool SkinPath(const Magnifier& m, std::u16string* path) {
    char16_t folder[PathCapacity] = {};
    if (!GetExecutableFolder(m.Instance, folder)) return false;
    *path = folder;
    *path += u"\\Skins\\";
    for (size_t i = 0; i < 127 && m.Settings.SkinName[i] != 0; ++i) *path += m.Settings.SkinName[i];
    return path->size() < PathCapacity;
}

// The named skin when it exists and is large enough for the frame and both tool strips.
Bitmap LoadSkinFile(const Magnifier& m) {
    std::u16string path;
    if (!SkinPath(m, &path)) return nullptr;
    Bitmap bitmap = LoadBitmapFile(path.c_str());
    if (!bitmap) return nullptr;
    int32_t width = 0;
    int32_t height = 0;
    if (!GetBitmapSize(bitmap, &width, &height) || width < SkinFrameSize || height < SkinMinHeight) {
        DeleteBitmapObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

// A black frame 31 pixels wide around a white square; white is then the key colour.
Bitmap BuildFallbackSkin(Magnifier& m, Surface windowDC) {
    Bitmap bitmap = CreateCompatibleBitmapFor(windowDC, SkinFrameSize, SkinFrameSize);
    Bitmap previous = SelectBitmapInto(m.MemoryDC, bitmap);
    Rect r{0, 0, SkinFrameSize, SkinFrameSize};
    FillRectangle(m.MemoryDC, &r, m.BlackBrush);
    InflateRectangle(&r, -FallbackFrameWidth, -FallbackFrameWidth);
    FillRectangle(m.MemoryDC, &r, m.WhiteBrush);
    SelectBitmapInto(m.MemoryDC, previous);
    return bitmap;
}

void CopyName(char16_t (&to)[128], const char16_t (&from)[128]) {
    size_t i = 0;
    for (; i < 127 && from[i] != 0; ++i) to[i] = from[i];
    to[i] = 0;
}

bool SameName(const char16_t (&a)[128], const char16_t (&b)[128]) {
    for (size_t i = 0; i < 128; ++i) {
        if (a[i] != b[i]) return false;
        if (a[i] == 0) return true;
    }
    return true;
}

void MoveToRect(Window window, const Rect& r) {
    MoveWindowTo(window, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
}

Rect ToolSquare(const Rect& r) { return Rect{r.left, r.top, r.left + (r.bottom - r.top), r.bottom}; }

// A docked tool window centred on its side of the glass (L, T, R, B) of the given size.
void PlaceCentredOnSide(int32_t dock, const Rect& glass, int32_t size, int32_t width, Rect* tool) {
    int32_t left = 0;
    int32_t top = 0;
    switch (dock) {
        case DockTop:
            left = glass.left + (size - width) / 2;
            top = glass.top - ToolWindowHeight;
            break;
        case DockBottom:
            left = glass.left + (size - width) / 2;
            top = glass.bottom;
            break;
        case DockLeft:
            left = glass.left - width;
            top = glass.top + (size - ToolWindowHeight) / 2;
            break;
        case DockRight:
            left = glass.right;
            top = glass.top + (size - ToolWindowHeight) / 2;
            break;
        default:
            return;
    }
    *tool = Rect{left, top, left + width, top + ToolWindowHeight};
}

}  // namespace

ColorRef SkinKeyColor(Surface skinSurface) { return GetPixelColor(skinSurface, 175, 175); }

void LoadSkin(Magnifier& m) {
    DrawLock lock(m);
    if (!lock.Held()) return;
    Surface windowDC = GetWindowSurface(m.MagnifierWindow);
    Bitmap bitmap = LoadSkinFile(m);
    if (!bitmap) bitmap = BuildFallbackSkin(m, windowDC);
    // The skin it replaces is no longer selected anywhere (every user restores its selection).
    ForgetScaledSkin(m);
    if (m.SkinBitmap) DeleteBitmapObject(m.SkinBitmap);
    m.SkinBitmap = bitmap;
    UpdateScaledSkin(m);
    CopyName(m.LoadedSkinName, m.Settings.SkinName);
    ReleaseWindowSurface(m.MagnifierWindow, windowDC);
}

void LayoutWindows(Magnifier& m) {
    const Settings& s = m.Settings;
    UpdateLensGeometry(m);
    MoveToRect(m.MagnifierWindow, s.WindowRect);
    UpdateMagnifierZones(m);
    MoveToRect(m.ColorPickerWindow, s.ColorPickerRect);
    UpdateColorPickerToolRect(m);
    MoveToRect(m.TapeWindow, s.TapeRect);
    UpdateTapeToolRect(m);
    RenderView(m, true, false, false);
    if (!SameName(s.SkinName, m.LoadedSkinName)) {
        LoadSkin(m);
        InvalidateWindowRect(m.MagnifierWindow, nullptr, false);
        InvalidateWindowRect(m.ColorPickerWindow, nullptr, false);
        InvalidateWindowRect(m.TapeWindow, nullptr, false);
    }
    ComputeColorPickerDock(m);
    ComputeTapeDock(m);
    UpdateTapeText(m);
    RegisterTapeHotKey(m);
}

void UpdateMagnifierZones(Magnifier& m) {
    const Rect& r = m.Settings.WindowRect;
    const int32_t quarterW = int32_t((r.right - r.left) * 0.25);
    const int32_t quarterH = int32_t((r.bottom - r.top) * 0.25);
    m.RightZone = Rect{r.right - quarterW, r.top, r.right, r.bottom};
    m.BottomZone = Rect{r.left, r.bottom - quarterH, r.right, r.bottom};
    m.CornerZone = Rect{r.left, r.top, r.left + quarterW, r.top + quarterH};
}

void UpdateColorPickerToolRect(Magnifier& m) { m.ColorPickerToolRect = ToolSquare(m.Settings.ColorPickerRect); }

void UpdateTapeToolRect(Magnifier& m) { m.TapeToolRect = ToolSquare(m.Settings.TapeRect); }

void ApplyNewWindowSize(Magnifier& m, int32_t oldSize) {
    Settings& s = m.Settings;
    if (s.WindowSize < m.MinWindowSize) s.WindowSize = m.MinWindowSize;
    if (s.WindowSize > m.MaxWindowSize) s.WindowSize = m.MaxWindowSize;
    const int32_t size = s.WindowSize;
    Rect& r = s.WindowRect;
    r.left = r.left + (r.right - r.left) / 2 - size / 2;
    r.top = r.top + (r.bottom - r.top) / 2 - size / 2;
    r.right = r.left + size;
    r.bottom = r.top + size;
    if (size == oldSize) return;
    PlaceCentredOnSide(m.ColorPickerDock, r, size, ColorPickerWidth, &s.ColorPickerRect);
    PlaceCentredOnSide(m.TapeDock, r, size, TapeWidth, &s.TapeRect);
}
