// Screen reconfiguration: when the screen turns or changes its resolution, the glass, the zoom point
// and undocked tool windows keep their relative places on the new screen; docked tool windows keep
// their offsets from the glass and move to its other side when the glass sits at the screen's edge.
// A glass that was hidden when the screen changed makes the same move when it next comes up, so that it
// never shows off the screen.
#include "magnifier/ScreenChange.h"

#include <cmath>
#include <limits>

#include "magnifier/Rendering.h"
#include "magnifier/SkinLayout.h"
#include "settings/Settings.h"
#include "tools/Docking.h"

namespace {

using platform::Point;
using platform::Rect;

struct Fraction {
    double x = 0.0;
    double y = 0.0;
};

// Truncation toward zero, kept inside the int32 range (a value that is not a number gives 0).
int32_t Trunc(double v) {
    if (std::isnan(v)) return 0;
    if (v >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (v <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

// A screen side as a divisor; a screen is never empty, but a zero would make every fraction infinite.
double Side(int32_t length) { return length > 0 ? double(length) : 1.0; }

Fraction CentreFraction(const Rect& r, double oldW, double oldH) {
    return {(r.left + (r.right - r.left) * 0.5) / oldW, (r.top + (r.bottom - r.top) * 0.5) / oldH};
}

// The pointer interaction ends: a drag in progress is dropped without drawing (the screen it drew on
// has changed). A measurement's fixed point is dropped with it, so that the next aim from the tape's
// handle starts without a line.
void EndPointerInteraction(Magnifier& m) {
    m.AimTimerArmed = 0;
    m.PointerState = StateIdle;
    m.TapeStart = {-1, -1};
    platform::SetPointerCursor(platform::LoadSystemCursor(platform::CursorArrow));
    platform::ReleasePointer();
}

// Keeps a rectangle of the given size on the screen, first horizontally, then vertically.
void ClampToScreen(Rect& r, const Rect& screen, int32_t width, int32_t height) {
    if (r.left < 0) {
        r.left = 0;
        r.right = width;
    } else if (r.right > screen.right) {
        r.right = screen.right;
        r.left = r.right - width;
    }
    if (r.top < 0) {
        r.top = 0;
        r.bottom = height;
    } else if (r.bottom > screen.bottom) {
        r.bottom = screen.bottom;
        r.top = r.bottom - height;
    }
}

void PlaceMagnifier(Magnifier& m, Fraction centre, double newW, double newH) {
    Rect& r = m.Settings.WindowRect;
    const int32_t oldWidth = r.right - r.left;
    const int32_t oldHeight = r.bottom - r.top;
    r.left = Trunc(newW * centre.x) - oldWidth / 2;
    r.top = Trunc(newH * centre.y) - oldHeight / 2;
    r.right = r.left + m.Settings.WindowSize;
    r.bottom = r.top + m.Settings.WindowSize;
}

// Places one tool window of width `width` (height 50) on the new screen. Returns its dock side.
int32_t PlaceToolWindow(Magnifier& m, Rect& r, int32_t side, Fraction centre, Point offset, int32_t width,
                        double newW, double newH) {
    if (side == DockNone) {
        const Point c{Trunc(newW * centre.x), Trunc(newH * centre.y)};
        r.left = c.x - (r.right - r.left) / 2;
        r.top = c.y - (r.bottom - r.top) / 2;
        r.right = r.left + width;
        r.bottom = r.top + ToolWindowHeight;
        ClampToScreen(r, m.ScreenRect, width, ToolWindowHeight);
        return side;
    }
    const Rect& mr = m.Settings.WindowRect;
    r.left = mr.left - offset.x;
    r.top = mr.top - offset.y;
    r.right = r.left + width;
    r.bottom = r.top + ToolWindowHeight;
    return FlipDockedToolRect(m, side, r, width);
}

void MoveWindowToRect(platform::Window window, const Rect& r) {
    platform::MoveWindowTo(window, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
}

// The glass, the zoom point and the tool windows move from the screen the glass knows to the desktop's
// rectangle now.
void MoveToNewScreen(Magnifier& m) {
    EndPointerInteraction(m);

    const double oldW = Side(m.ScreenRect.right - m.ScreenRect.left);
    const double oldH = Side(m.ScreenRect.bottom - m.ScreenRect.top);
    const Fraction magnifier = CentreFraction(m.Settings.WindowRect, oldW, oldH);
    const Fraction picker = CentreFraction(m.Settings.ColorPickerRect, oldW, oldH);
    const Fraction tape = CentreFraction(m.Settings.TapeRect, oldW, oldH);
    const Fraction zoom{m.Settings.ZoomPnt.x / oldW, m.Settings.ZoomPnt.y / oldH};
    CaptureToolOffsets(m);

    platform::GetWindowRectangle(m.DesktopWindow, &m.ScreenRect);
    const double newW = double(m.ScreenRect.right - m.ScreenRect.left);
    const double newH = double(m.ScreenRect.bottom - m.ScreenRect.top);

    PlaceMagnifier(m, magnifier, newW, newH);
    m.Settings.ZoomPnt = {Trunc(newW * zoom.x), Trunc(newH * zoom.y)};
    ClampToScreen(m.Settings.WindowRect, m.ScreenRect, m.Settings.WindowSize, m.Settings.WindowSize);
    MoveWindowToRect(m.MagnifierWindow, m.Settings.WindowRect);
    UpdateMagnifierZones(m);

    m.ColorPickerDock = PlaceToolWindow(m, m.Settings.ColorPickerRect, m.ColorPickerDock, picker,
                                        m.ColorPickerOffset, ColorPickerWidth, newW, newH);
    m.TapeDock = PlaceToolWindow(m, m.Settings.TapeRect, m.TapeDock, tape, m.TapeOffset, TapeWidth, newW, newH);
    MoveWindowToRect(m.ColorPickerWindow, m.Settings.ColorPickerRect);
    UpdateColorPickerToolRect(m);
    MoveWindowToRect(m.TapeWindow, m.Settings.TapeRect);
    UpdateTapeToolRect(m);

    RenderView(m, true, true, true);
    platform::InvalidateWindowRect(m.MagnifierWindow, nullptr, false);
    platform::InvalidateWindowRect(m.ColorPickerWindow, nullptr, false);
}

}  // namespace

void ReconfigureScreen(Magnifier& m) {
    // The whole screen has been repainted for its new geometry, so a locator ring on it is gone: the
    // flash ends without drawing (an erase now would leave a ring behind).
    m.LocatorRequest = false;
    m.LocatorCount = 0;
    if (!m.Visible) return;  // a hidden glass catches up when it next comes up
    MoveToNewScreen(m);
}

void CatchUpWithScreen(Magnifier& m) {
    Rect screen;
    if (!platform::GetWindowRectangle(m.DesktopWindow, &screen) || screen == m.ScreenRect) return;
    MoveToNewScreen(m);
}
