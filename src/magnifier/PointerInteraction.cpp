// Stylus interaction on the magnifier window. A drag starts with the first move that arrives while the
// button is held and no drag is in progress; the zone under that first move decides what the drag
// does: aim the zoom point (corner square), resize and/or zoom (right and bottom strips), change
// brightness and/or contrast (the strips in correction mode) or move the glass (anywhere else on it).
#include "magnifier/PointerInteraction.h"

#include <cmath>

#include "magnifier/Animation.h"
#include "magnifier/Rendering.h"
#include "magnifier/SkinLayout.h"
#include "tools/ColorPicker.h"
#include "tools/Docking.h"
#include "tools/Tape.h"

namespace {

using platform::Point;
using platform::Rect;

// Time the zoom point stays put after an aim from the corner square begins.
constexpr uint32_t AimDelayMs = 200;
// 13 pixels of horizontal zoom drag change the zoom by 1.0.
constexpr double ZoomPerPixel = 0.07692307692307693;
// 500 pixels of brightness or contrast drag cover the whole range.
constexpr double CorrectionPerPixel = 0.002;
constexpr float MinZoom = 1.0f;
constexpr float MaxZoom = 10.0f;

bool Inside(const Rect& r, int32_t x, int32_t y) { return platform::PointInRectangle(r, Point{x, y}); }

void SetSystemCursor(int id) { platform::SetPointerCursor(platform::LoadSystemCursor(id)); }

// A zoom kept within 1.0 .. 10.0; a value that is not a number becomes the lower bound.
float ClampZoom(double z) {
    const float narrowed = float(z);
    if (narrowed > MaxZoom) return MaxZoom;
    if (narrowed < MinZoom || std::isnan(narrowed)) return MinZoom;
    return narrowed;
}

// A brightness or contrast value kept within 0.0 .. 1.0.
float ClampCorrection(double v) {
    if (v > 1.0) return 1.0f;
    if (v < 0.0 || std::isnan(v)) return 0.0f;
    return float(v);
}

// ---- Start of a drag ----

void StepAim(Magnifier& m, int32_t x, int32_t y);

void StartAimFromCorner(Magnifier& m, int32_t x, int32_t y) {
    platform::CapturePointer(m.MagnifierWindow);
    m.PointerState = StateAimFromMagnifier;
    platform::SetPointerCursor(m.AimCursor);
    RenderView(m, true, false, false);
    if (!m.AimTimerArmed) {
        m.AimStartTick = platform::GetTickCountMs();
        m.AimTimerArmed = 1;
        return;
    }
    StepAim(m, x, y);
}

void StartResizeZoom(Magnifier& m, int32_t x, int32_t y) {
    m.GrabPoint = {x, y};
    CaptureToolOffsets(m);
    platform::CapturePointer(m.MagnifierWindow);
    if (InCorrectionMode(m)) {
        m.PointerState = StateBrightnessContrast;
        platform::SetPointerCursor(m.CorrectionCursor);
        return;
    }
    m.PointerState = StateResizeZoom;
    SetSystemCursor(platform::CursorSizeAll);
    m.DragStartZoom = m.Settings.ZoomX;
    m.DragStartSize = m.Settings.WindowSize;
    DrawMagnifierFrames(m);
}

void StartResize(Magnifier& m, int32_t x, int32_t y) {
    m.GrabPoint = {x, y};
    CaptureToolOffsets(m);
    platform::CapturePointer(m.MagnifierWindow);
    if (InCorrectionMode(m)) {
        m.PointerState = StateBrightness;
        platform::SetPointerCursor(m.BrightnessCursor);
        return;
    }
    m.PointerState = StateResize;
    SetSystemCursor(platform::CursorSizeNS);
    m.DragStartSize = m.Settings.WindowSize;
    DrawMagnifierFrames(m);
}

void StartZoom(Magnifier& m, int32_t x, int32_t y) {
    m.GrabPoint = {x, y};
    platform::CapturePointer(m.MagnifierWindow);
    if (InCorrectionMode(m)) {
        m.PointerState = StateContrast;
        platform::SetPointerCursor(m.ContrastCursor);
        return;
    }
    m.PointerState = StateZoom;
    SetSystemCursor(platform::CursorSizeWE);
    m.DragStartZoom = m.Settings.ZoomX;
}

void StartMove(Magnifier& m, int32_t x, int32_t y) {
    m.PointerState = StateMoveMagnifier;
    Point grip{x, y};
    platform::ScreenToClientPoint(m.MagnifierWindow, &grip);
    m.GrabPoint = grip;
    CaptureToolOffsets(m);
    platform::CapturePointer(m.MagnifierWindow);
    SetSystemCursor(platform::CursorSizeAll);
    DrawMagnifierFrames(m);
}

// The zone tests in order; the first match wins.
void StartDrag(Magnifier& m, int32_t x, int32_t y) {
    const bool inRight = Inside(m.RightZone, x, y);
    const bool inBottom = Inside(m.BottomZone, x, y);
    if (Inside(m.CornerZone, x, y)) {
        StartAimFromCorner(m, x, y);
    } else if (inRight && inBottom) {
        StartResizeZoom(m, x, y);
    } else if (inRight) {
        StartResize(m, x, y);
    } else if (inBottom) {
        StartZoom(m, x, y);
    } else if (Inside(m.Settings.WindowRect, x, y)) {
        StartMove(m, x, y);
    }
}

// ---- Steps of a drag ----

void StepAim(Magnifier& m, int32_t x, int32_t y) {
    if (!TicksElapsed(m.AimStartTick, AimDelayMs)) return;
    m.Settings.ZoomPnt = {x, y};
    m.AimTimerArmed = 0;
}

void StepMove(Magnifier& m, int32_t x, int32_t y) {
    DrawMagnifierFrames(m);
    Rect& r = m.Settings.WindowRect;
    r.left = x - m.GrabPoint.x;
    r.top = y - m.GrabPoint.y;
    r.right = r.left + m.Settings.WindowSize;
    r.bottom = r.top + m.Settings.WindowSize;
    FollowMove(m);
    DrawMagnifierFrames(m);
}

// The size follows vertical motion; the bottom-right corner stays, so moving up enlarges the glass.
void ApplyResizeRule(Magnifier& m, int32_t y) {
    int32_t size = (m.GrabPoint.y - y) + m.DragStartSize;
    if (size > m.MaxWindowSize) {
        size = m.MaxWindowSize;
    } else if (size < m.MinWindowSize) {
        size = m.MinWindowSize;
    }
    m.Settings.WindowSize = size;
    Rect& r = m.Settings.WindowRect;
    r.left = r.right - size;
    r.top = r.bottom - size;
    FollowResize(m);
}

// The zoom follows horizontal motion; moving left enlarges.
void ApplyZoomRule(Magnifier& m, int32_t x) {
    const double z = double(m.GrabPoint.x - x) * ZoomPerPixel + double(m.DragStartZoom);
    m.Settings.ZoomX = ClampZoom(z);
}

void StepResize(Magnifier& m, int32_t y) {
    DrawMagnifierFrames(m);
    ApplyResizeRule(m, y);
    DrawMagnifierFrames(m);
}

void StepResizeZoom(Magnifier& m, int32_t x, int32_t y) {
    DrawMagnifierFrames(m);
    ApplyZoomRule(m, x);
    ApplyResizeRule(m, y);
    DrawMagnifierFrames(m);
}

void ApplyBrightnessRule(Magnifier& m, int32_t y) {
    const double b = double(m.Settings.Bright) + double(m.GrabPoint.y - y) * CorrectionPerPixel;
    m.Settings.Bright = ClampCorrection(b);
}

void ApplyContrastRule(Magnifier& m, int32_t x) {
    const double c = double(m.Settings.Contrast) + double(m.GrabPoint.x - x) * CorrectionPerPixel;
    m.Settings.Contrast = ClampCorrection(c);
}

// The grab point advances with every step, so motion past a limit is lost.
void StepCorrection(Magnifier& m, int32_t x, int32_t y, bool brightness, bool contrast) {
    if (brightness) ApplyBrightnessRule(m, y);
    if (contrast) ApplyContrastRule(m, x);
    m.GrabPoint = {x, y};
}

void StepDrag(Magnifier& m, int32_t x, int32_t y) {
    switch (m.PointerState) {
        case StateAimFromMagnifier:
        case StateAimColorPicker:
            StepAim(m, x, y);
            break;
        case StateMoveMagnifier:
            StepMove(m, x, y);
            break;
        case StateResize:
            StepResize(m, y);
            break;
        case StateZoom:
            ApplyZoomRule(m, x);
            break;
        case StateResizeZoom:
            StepResizeZoom(m, x, y);
            break;
        case StateBrightness:
            StepCorrection(m, x, y, true, false);
            break;
        case StateContrast:
            StepCorrection(m, x, y, false, true);
            break;
        case StateBrightnessContrast:
            StepCorrection(m, x, y, true, true);
            break;
        default:  // the tool windows' drags are handled on the tool windows
            break;
    }
}

// ---- End of a drag ----

void MoveWindowToRect(platform::Window window, const Rect& r) {
    platform::MoveWindowTo(window, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
}

// Moves a docked tool window (shown or not) to its new rectangle, erasing its focus frame first when
// the window is shown.
void FinishToolWindow(Magnifier& m, platform::Window window, const Rect& r, int32_t shown) {
    if (shown) platform::DrawFocusRectangle(m.ScreenDC, &r);
    MoveWindowToRect(window, r);
}

// Moves the magnifier window and every docked tool window to their new rectangles at the end of a move
// or resize; after a resize the lens geometry is rebuilt and the view rendered once.
void FinishMoveOrResize(Magnifier& m, bool resized) {
    EndLocatorFlash(m);  // the windows that move would take parts of the ring with them
    platform::DrawFocusRectangle(m.ScreenDC, &m.Settings.WindowRect);
    if (resized) UpdateLensGeometry(m);
    MoveWindowToRect(m.MagnifierWindow, m.Settings.WindowRect);
    UpdateMagnifierZones(m);
    if (resized) RenderView(m, true, false, false);
    if (m.ColorPickerDock != DockNone) {
        FinishToolWindow(m, m.ColorPickerWindow, m.Settings.ColorPickerRect, m.Settings.ShowColorPicker);
        UpdateColorPickerToolRect(m);
    }
    if (m.TapeDock != DockNone) {
        FinishToolWindow(m, m.TapeWindow, m.Settings.TapeRect, m.Settings.ShowTape);
        UpdateTapeToolRect(m);
    }
    RepaintOtherWindows(m, m.MagnifierWindow);
}

void ReturnToIdle(Magnifier& m) {
    m.AimTimerArmed = 0;
    m.PointerState = StateIdle;
    SetSystemCursor(platform::CursorArrow);
    platform::ReleasePointer();
}

// A double tap in correction mode on the strips resets brightness and/or contrast to neutral.
bool ResetCorrection(Magnifier& m, int32_t x, int32_t y) {
    const bool inRight = Inside(m.RightZone, x, y);
    const bool inBottom = Inside(m.BottomZone, x, y);
    if (inRight) m.Settings.Bright = 0.5f;
    if (inBottom) m.Settings.Contrast = 0.5f;
    return inRight || inBottom;
}

}  // namespace

bool InCorrectionMode(const Magnifier& m) {
    const bool altHeld = platform::GetKeyStateOf(int(platform::VkMenu)) != 0;
    return (m.Settings.AdjustMode != 0) != altHeld;
}

void DrawMagnifierFrames(Magnifier& m) {
    platform::DrawFocusRectangle(m.ScreenDC, &m.Settings.WindowRect);
    if (m.ColorPickerDock != DockNone && m.Settings.ShowColorPicker) {
        platform::DrawFocusRectangle(m.ScreenDC, &m.Settings.ColorPickerRect);
    }
    if (m.TapeDock != DockNone && m.Settings.ShowTape) {
        platform::DrawFocusRectangle(m.ScreenDC, &m.Settings.TapeRect);
    }
}

void MagnifierPointerMove(Magnifier& m, int32_t x, int32_t y) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    if (m.PointerState == StateIdle) {
        StartDrag(m, x, y);
    } else {
        StepDrag(m, x, y);
    }
}

void MagnifierRelease(Magnifier& m) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    if (m.PointerState == StateResizeZoom || m.PointerState == StateResize) {
        FinishMoveOrResize(m, true);
    } else if (m.PointerState == StateMoveMagnifier) {
        FinishMoveOrResize(m, false);
    }
    ReturnToIdle(m);
}

bool MagnifierDoubleTap(Magnifier& m, int32_t x, int32_t y) {
    if (AnimationRunning(m)) return true;
    StateLockGuard lock(m);
    bool handled = false;
    if (Inside(m.CornerZone, x, y)) {
        m.AimTimerArmed = 0;
        m.Settings.SmoothImg = m.Settings.SmoothImg ? 0 : 1;
        RenderView(m, true, false, false);
        handled = true;
    } else if (InCorrectionMode(m)) {
        handled = ResetCorrection(m, x, y);
    }
    ReturnToIdle(m);
    return handled;
}

void MagnifierWheel(Magnifier& m, int32_t delta) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    const int32_t notches = delta / 120;
    const float tenth = m.Settings.ZoomX * 0.1f;
    const double z = double(m.Settings.ZoomX) + double(notches) / (0.6 / double(tenth));
    m.Settings.ZoomX = ClampZoom(z);
    RenderView(m, true, false, false);
}

bool MagnifierMenuHit(const Magnifier& m, int32_t x, int32_t y) {
    return m.PointerState == StateIdle && Inside(m.Settings.WindowRect, x, y);
}

void FinishPointerInteraction(Magnifier& m) {
    switch (m.PointerState) {
    case StateIdle: return;
    case StateMoveColorPicker:
    case StateAimColorPicker: ColorPickerRelease(m); break;
    case StateMoveTape:
    case StateAimTape: TapeRelease(m); break;
    default: MagnifierRelease(m); break;
    }
}

bool TicksElapsed(uint32_t start, uint32_t limit) {
    const uint32_t now = platform::GetTickCountMs();
    return uint32_t(now - start) >= limit;
}
