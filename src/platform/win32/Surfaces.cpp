// Drawing surfaces (device contexts): the screen, a window's client area, memory surfaces; what is
// selected into them; and their stretch mode.
#include <set>

#include "platform/Drawing.h"
#include "platform/win32/Handles.h"
#include "platform/win32/RasterBridge.h"
#include "platform/win32/WindowInternal.h"

namespace platform {

namespace {

// Surfaces on which the caller asked for bilinear stretching. The desktop has no such mode: stretches
// into a section are made by the raster's bilinear stretch (Copies.cpp), any other with HALFTONE;
// asking for the mode back gives StretchBilinear again.
std::set<HDC>& BilinearSurfaces() {
    static std::set<HDC> surfaces;
    return surfaces;
}

// Surfaces of the screen handed out and not released yet: their origin follows the monitors.
std::set<HDC>& ScreenSurfaces() {
    static std::set<HDC> surfaces;
    return surfaces;
}

void ForgetSurface(HDC dc) {
    BilinearSurfaces().erase(dc);
    ScreenSurfaces().erase(dc);
}

void PlaceScreenOrigin(HDC dc) {
    const win32::VirtualScreen screen = win32::CurrentVirtualScreen();
    ::SetViewportOrgEx(dc, screen.left, screen.top, nullptr);
}

}  // namespace

bool win32::StretchesBilinear(HDC dc) { return BilinearSurfaces().count(dc) != 0; }

bool win32::StretchesNearest(HDC dc) {
    if (StretchesBilinear(dc)) return false;
    const int mode = ::GetStretchBltMode(dc);
    return mode == COLORONCOLOR || mode == BLACKONWHITE || mode == WHITEONBLACK;
}

Surface GetWindowSurface(Window window) {
    HDC dc = ::GetDC(ToNative(window));
    if (!dc) return nullptr;
    CountMade("surfaces");
    // The screen's surface spans every monitor and is addressed in the program's screen coordinates.
    if (!window || ToNative(window) == ::GetDesktopWindow()) {
        PlaceScreenOrigin(dc);
        ScreenSurfaces().insert(dc);
    }
    return FromNative(dc);
}

namespace win32 {

void FollowMonitorChange() {
    for (HDC dc : ScreenSurfaces()) PlaceScreenOrigin(dc);
}

}  // namespace win32

bool ReleaseWindowSurface(Window window, Surface surface) {
    if (!surface) return false;
    HDC dc = ToNative(surface);
    if (!::ReleaseDC(ToNative(window), dc)) return false;
    ForgetSurface(dc);
    CountReleased("surfaces");
    return true;
}

Surface CreateMemorySurface(Surface compatibleWith) {
    HDC dc = ::CreateCompatibleDC(ToNative(compatibleWith));
    if (dc) CountMade("surfaces");
    return FromNative(dc);
}

bool DeleteMemorySurface(Surface surface) {
    if (!surface) return false;
    HDC dc = ToNative(surface);
    if (::GetObjectType(dc) != OBJ_MEMDC || !::DeleteDC(dc)) return false;
    ForgetSurface(dc);
    CountReleased("surfaces");
    return true;
}

namespace {

HGDIOBJ SelectInto(Surface surface, HGDIOBJ object) {
    if (!surface || !object) return nullptr;
    HGDIOBJ previous = ::SelectObject(ToNative(surface), object);
    return previous == HGDI_ERROR ? nullptr : previous;
}

}  // namespace

Bitmap SelectBitmapInto(Surface surface, Bitmap bitmap) {
    return FromNative(static_cast<HBITMAP>(SelectInto(surface, ToNative(bitmap))));
}

Brush SelectBrushInto(Surface surface, Brush brush) {
    return FromNative(static_cast<HBRUSH>(SelectInto(surface, ToNative(brush))));
}

Pen SelectPenInto(Surface surface, Pen pen) {
    return FromNative(static_cast<HPEN>(SelectInto(surface, ToNative(pen))));
}

Font SelectFontInto(Surface surface, Font font) {
    return FromNative(static_cast<HFONT>(SelectInto(surface, ToNative(font))));
}

bool LimitDrawing(Surface surface, const Rect* area) {
    HDC dc = ToNative(surface);
    if (!dc || ::GetObjectType(dc) != OBJ_MEMDC) return false;
    if (::SelectClipRgn(dc, nullptr) == ERROR) return false;
    return !area || ::IntersectClipRect(dc, area->left, area->top, area->right, area->bottom) != ERROR;
}

int SetStretchMode(Surface surface, int mode) {
    if (!surface) return 0;
    HDC dc = ToNative(surface);
    const bool bilinear = mode == StretchBilinear;
    const int previous = ::SetStretchBltMode(dc, bilinear ? HALFTONE : mode);
    if (previous == 0) return 0;
    // HALFTONE needs the brush origin set after the mode changes.
    if (bilinear || mode == HALFTONE) ::SetBrushOrgEx(dc, 0, 0, nullptr);
    const bool wasBilinear = BilinearSurfaces().count(dc) != 0;
    if (bilinear) {
        BilinearSurfaces().insert(dc);
    } else {
        ForgetSurface(dc);
    }
    return wasBilinear && previous == HALFTONE ? StretchBilinear : previous;
}

}  // namespace platform
