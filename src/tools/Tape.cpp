// The tape measure window. The square at its left end is the measuring handle: while the stylus drags
// from it the zoom point follows the stylus; the tape key fixes the first end point, after which an XOR
// line on the screen joins it to the stylus and the window shows both points and the distance in
// pixels and centimetres. Pressing elsewhere in the window and dragging moves it, with snapping.
#include "tools/Tape.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>

#include "magnifier/Animation.h"
#include "magnifier/Rendering.h"
#include "magnifier/SkinLayout.h"
#include "settings/Settings.h"
#include "tools/Docking.h"
#include "tools/ToolWindow.h"

namespace {

using platform::Point;
using platform::Rect;

constexpr platform::ColorRef GreyBackground = 0x808080;
constexpr int32_t NoPoint = -1;

// The double nearest to 2.54, centimetres per inch.
const double CentimetresPerInch = std::bit_cast<double>(uint64_t{0x400451EB851EB852});

bool HasStart(const Magnifier& m) { return m.TapeStart.x != NoPoint; }

// The difference of two coordinates as the 32-bit integer it is on the device, made absolute.
double AbsoluteDifference(int32_t a, int32_t b) {
    return std::fabs(double(int32_t(uint32_t(a) - uint32_t(b))));
}

// Pixels per inch of the two axes as used for centimetres. A resolution of 0 (which the settings sheet
// accepts) or below means nothing, so such an axis takes the other axis's value; when both are
// unusable there is no centimetre figure at all (the caller shows "-.--").
bool UsableResolution(const Resolution& ppi, double* x, double* y) {
    const bool xOk = ppi.x > 0;
    const bool yOk = ppi.y > 0;
    if (!xOk && !yOk) return false;
    *x = double(xOk ? ppi.x : ppi.y);
    *y = double(yOk ? ppi.y : ppi.x);
    return true;
}

// The centimetre figure with two decimals, or "-.--" when it cannot be worked out.
void FormatCentimetres(double dx, double dy, const Resolution& ppi, char (&out)[48]) {
    double ppiX = 0.0;
    double ppiY = 0.0;
    if (UsableResolution(ppi, &ppiX, &ppiY)) {
        const double ix = dx / ppiX;
        const double iy = dy / ppiY;
        const double cm = std::sqrt(iy * iy + ix * ix) * CentimetresPerInch;
        if (std::isfinite(cm)) {
            std::snprintf(out, sizeof out, "%0.2f", cm);
            return;
        }
    }
    std::snprintf(out, sizeof out, "-.--");
}

// The tape strip is copied whole: unlike the picker's strip it has no see-through hole.
void ComposeTape(Magnifier& m, platform::Surface work, platform::Surface skin, platform::ColorRef /*key*/, int32_t w,
                 int32_t h) {
    tools::FillWith(work, Rect{0, 0, w, h}, GreyBackground);
    if (tools::SkinHasStrip(m.SkinBitmap, SkinTapeStripY, w, h)) {
        platform::CopyBits(work, 0, 0, w, h, skin, 0, SkinTapeStripY, platform::RopSrcCopy);
    }
    tools::DrawToolText(m, work, m.TapeText, Rect{platform::Width(m.TapeToolRect), 0, w, h});
}

// CrossHairPen in XOR mode on the whole-screen surface for the life of the scope: a line drawn twice
// leaves the screen as it was.
class XorLineMode {
public:
    explicit XorLineMode(Magnifier& m) : m_(m) {
        previousPen_ = platform::SelectPenInto(m_.ScreenDC, m_.CrossHairPen);
        previousMode_ = platform::SetLineMode(m_.ScreenDC, platform::Rop2XorPen);
    }
    ~XorLineMode() {
        platform::SetLineMode(m_.ScreenDC, previousMode_);
        platform::SelectPenInto(m_.ScreenDC, previousPen_);
    }
    XorLineMode(const XorLineMode&) = delete;
    XorLineMode& operator=(const XorLineMode&) = delete;

private:
    Magnifier& m_;
    platform::Pen previousPen_ = nullptr;
    int previousMode_ = 0;
};

// The line from the fixed point to the zoom point; the mode and pen must be selected.
void DrawTapeLine(Magnifier& m) {
    platform::MoveTo(m.ScreenDC, m.TapeStart.x, m.TapeStart.y, nullptr);
    platform::LineTo(m.ScreenDC, m.Settings.ZoomPnt.x, m.Settings.ZoomPnt.y);
}

tools::ToolWindowMove TapeMove(Magnifier& m) {
    return {m.TapeWindow, m.Settings.TapeRect, TapeWidth, AskerTape, ComputeTapeDock};
}

void StartTapeDrag(Magnifier& m, int32_t x, int32_t y) {
    const Point p{x, y};
    if (platform::PointInRectangle(m.TapeToolRect, p)) {
        platform::CapturePointer(m.TapeWindow);
        m.PointerState = StateAimTape;
        platform::SetPointerCursor(m.TapeCursor);
        RenderView(m, true, true, false);
    } else if (platform::PointInRectangle(m.Settings.TapeRect, p)) {
        tools::BeginToolMove(m, TapeMove(m), p, StateMoveTape);
    }
}

void StepTapeAim(Magnifier& m, int32_t x, int32_t y) {
    XorLineMode mode(m);
    if (HasStart(m)) DrawTapeLine(m);
    m.Settings.ZoomPnt = {x, y};
    if (HasStart(m)) DrawTapeLine(m);
    UpdateTapeText(m);
}

}  // namespace

void PaintTape(Magnifier& m, platform::Surface target) {
    const int32_t w = std::min(platform::Width(m.Settings.TapeRect), TapeWidth);
    const int32_t h = std::min(platform::Height(m.Settings.TapeRect), ToolWindowHeight);
    tools::PaintToolWindow(m, target, m.TapeBitmap, w, h, ComposeTape);
}

void TapePointer(Magnifier& m, int32_t x, int32_t y) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    switch (m.PointerState) {
        case StateIdle:
            StartTapeDrag(m, x, y);
            break;
        case StateAimTape:
            StepTapeAim(m, x, y);
            break;
        case StateMoveTape:
            tools::StepToolMove(m, TapeMove(m), x, y);
            break;
        default:
            break;
    }
}

void TapeMark(Magnifier& m, int32_t x, int32_t y) {
    if (m.PointerState != StateAimTape || AnimationRunning(m)) return;
    StateLockGuard lock(m);
    XorLineMode mode(m);
    if (HasStart(m)) DrawTapeLine(m);
    m.Settings.ZoomPnt = {x, y};
    m.TapeStart = {x, y};
    if (x != NoPoint) DrawTapeLine(m);
    UpdateTapeText(m);
}

void TapeRelease(Magnifier& m) {
    if (AnimationRunning(m)) return;
    StateLockGuard lock(m);
    if (m.PointerState == StateAimTape) {
        if (HasStart(m)) {
            XorLineMode mode(m);
            DrawTapeLine(m);
        }
        m.TapeStart = {NoPoint, NoPoint};
        platform::InvalidateWindowRect(m.TapeWindow, nullptr, false);
    } else if (m.PointerState == StateMoveTape) {
        tools::EndToolMove(m, TapeMove(m));
        UpdateTapeToolRect(m);
    }
    tools::EndToolDrag(m);
}

void UpdateTapeText(Magnifier& m) {
    if (!HasStart(m)) return;
    FormatTapeText(m.TapeStart, m.Settings.ZoomPnt, m.Settings.DevicePPI, m.TapeText);
    platform::InvalidateWindowRect(m.TapeWindow, nullptr, false);
}

void FormatTapeText(Point start, Point end, const Resolution& ppi, char16_t (&text)[128]) {
    const double dx = AbsoluteDifference(start.x, end.x);
    const double dy = AbsoluteDifference(start.y, end.y);
    const double px = std::sqrt(dy * dy + dx * dx);
    char centimetres[48];
    FormatCentimetres(dx, dy, ppi, centimetres);
    char line[128];
    std::snprintf(line, sizeof line, "%d:%d - %d:%d\n%0.2fpx   %s%s", int(start.x), int(start.y), int(end.x),
                  int(end.y), px, centimetres, "cm");
    tools::CopyToWide(line, text);
}
