// Docking of the colour picker and the tape window to the magnifier window: which side a tool window
// lies on, snapping a dragged tool window onto an edge, and how docked windows follow the glass.
#include "tools/Docking.h"

#include <cstdint>

#include "settings/Settings.h"

namespace {

// An edge distance below this snaps; 9 pixels snap, 10 do not.
constexpr int64_t SnapThreshold = 10;

bool InSpan(int32_t value, int32_t from, int32_t to) { return value >= from && value <= to; }

int64_t Distance(int32_t a, int32_t b) {
    const int64_t d = int64_t(a) - int64_t(b);
    return d < 0 ? -d : d;
}

bool VerticalSpansOverlap(const platform::Rect& a, const platform::Rect& b) {
    return SpansOverlap(a.top, a.bottom, b.top, b.bottom);
}

bool HorizontalSpansOverlap(const platform::Rect& a, const platform::Rect& b) {
    return SpansOverlap(a.left, a.right, b.left, b.right);
}

// The dock side of a tool window rectangle P against the magnifier window M; the last match wins, in
// the order left, right, bottom, top.
int32_t ComputeDock(const Magnifier& m, const platform::Rect& p) {
    const platform::Rect& mr = m.Settings.WindowRect;
    int32_t side = DockNone;
    if (mr.left == p.right && IsDockSideFree(m, DockLeft, AskerNone) && VerticalSpansOverlap(mr, p)) side = DockLeft;
    if (mr.right == p.left && IsDockSideFree(m, DockRight, AskerNone) && VerticalSpansOverlap(mr, p)) side = DockRight;
    if (mr.bottom == p.top && IsDockSideFree(m, DockBottom, AskerNone) && HorizontalSpansOverlap(mr, p)) {
        side = DockBottom;
    }
    if (mr.top == p.bottom && IsDockSideFree(m, DockTop, AskerNone) && HorizontalSpansOverlap(mr, p)) side = DockTop;
    return side;
}

// Places a docked tool window at its offset from the magnifier window's top-left corner.
void PlaceAtOffset(const platform::Rect& mr, platform::Point offset, platform::Rect& p, int32_t width) {
    p.left = mr.left - offset.x;
    p.top = mr.top - offset.y;
    p.right = p.left + width;
    p.bottom = p.top + ToolWindowHeight;
}

// Rule 2 for one tool window: which of its edges follow depends on its dock side and on whether the
// magnifier window's new size plus the offset still reaches MinWindowSize.
void FollowResizeOne(const Magnifier& m, int32_t side, platform::Point offset, platform::Rect& p, int32_t width) {
    if (side == DockNone) return;
    const platform::Rect& mr = m.Settings.WindowRect;
    const int32_t size = m.Settings.WindowSize;
    bool horizontal = false;
    bool vertical = false;
    switch (side) {
        case DockTop:
            horizontal = size + offset.x >= m.MinWindowSize;
            vertical = true;
            break;
        case DockBottom:
            horizontal = size + offset.x >= m.MinWindowSize;
            break;
        case DockLeft:
            horizontal = true;
            vertical = size + offset.y >= m.MinWindowSize;
            break;
        case DockRight:
            vertical = size + offset.y >= m.MinWindowSize;
            break;
        default:
            break;
    }
    if (horizontal) {
        p.left = mr.left - offset.x;
        p.right = p.left + width;
    }
    if (vertical) {
        p.top = mr.top - offset.y;
        p.bottom = p.top + ToolWindowHeight;
    }
}

}  // namespace

bool SpansOverlap(int32_t a1, int32_t a2, int32_t b1, int32_t b2) {
    return InSpan(a1, b1, b2) || InSpan(a2, b1, b2) || InSpan(b1, a1, a2) || InSpan(b2, a1, a2);
}

bool IsDockSideFree(const Magnifier& m, int32_t side, int32_t asker) {
    if (side == DockNone) return true;
    if (asker != AskerColorPicker && m.ColorPickerDock == side) return false;
    if (asker != AskerTape && m.TapeDock == side) return false;
    return true;
}

int32_t ComputeColorPickerDock(Magnifier& m) {
    m.ColorPickerDock = DockNone;
    m.ColorPickerDock = ComputeDock(m, m.Settings.ColorPickerRect);
    return m.ColorPickerDock;
}

int32_t ComputeTapeDock(Magnifier& m) {
    m.TapeDock = DockNone;
    m.TapeDock = ComputeDock(m, m.Settings.TapeRect);
    return m.TapeDock;
}

void SnapToolRect(const Magnifier& m, platform::Rect& p, int32_t width, int32_t asker) {
    const platform::Rect& mr = m.Settings.WindowRect;
    if (Distance(mr.bottom, p.top) < SnapThreshold && IsDockSideFree(m, DockBottom, asker) &&
        HorizontalSpansOverlap(mr, p)) {
        p.top = mr.bottom;
        p.bottom = mr.bottom + ToolWindowHeight;
        return;
    }
    if (Distance(mr.top, p.bottom) < SnapThreshold && IsDockSideFree(m, DockTop, asker) &&
        HorizontalSpansOverlap(mr, p)) {
        p.bottom = mr.top;
        p.top = mr.top - ToolWindowHeight;
        return;
    }
    if (Distance(mr.right, p.left) < SnapThreshold && IsDockSideFree(m, DockRight, asker) &&
        VerticalSpansOverlap(mr, p)) {
        p.left = mr.right;
        p.right = mr.right + width;
        return;
    }
    if (Distance(mr.left, p.right) < SnapThreshold && IsDockSideFree(m, DockLeft, asker) &&
        VerticalSpansOverlap(mr, p)) {
        p.right = mr.left;
        p.left = mr.left - width;
    }
}

void CaptureToolOffsets(Magnifier& m) {
    const platform::Rect& mr = m.Settings.WindowRect;
    m.ColorPickerOffset = {mr.left - m.Settings.ColorPickerRect.left, mr.top - m.Settings.ColorPickerRect.top};
    m.TapeOffset = {mr.left - m.Settings.TapeRect.left, mr.top - m.Settings.TapeRect.top};
}

void FollowMove(Magnifier& m) {
    if (m.ColorPickerDock != DockNone) {
        PlaceAtOffset(m.Settings.WindowRect, m.ColorPickerOffset, m.Settings.ColorPickerRect, ColorPickerWidth);
    }
    if (m.TapeDock != DockNone) PlaceAtOffset(m.Settings.WindowRect, m.TapeOffset, m.Settings.TapeRect, TapeWidth);
}

void FollowResize(Magnifier& m) {
    FollowResizeOne(m, m.ColorPickerDock, m.ColorPickerOffset, m.Settings.ColorPickerRect, ColorPickerWidth);
    FollowResizeOne(m, m.TapeDock, m.TapeOffset, m.Settings.TapeRect, TapeWidth);
}

int32_t FlipDockedToolRect(const Magnifier& m, int32_t side, platform::Rect& p, int32_t width) {
    const platform::Rect& mr = m.Settings.WindowRect;
    const int32_t screenWidth = m.ScreenRect.right - m.ScreenRect.left;
    const int32_t screenHeight = m.ScreenRect.bottom - m.ScreenRect.top;
    if (side == DockTop && mr.top <= 0) {
        p.top = mr.bottom;
        p.bottom = p.top + ToolWindowHeight;
        return DockBottom;
    }
    if (side == DockLeft && mr.left <= 0) {
        p.left = mr.right;
        p.right = p.left + width;
        return DockRight;
    }
    if (side == DockBottom && mr.bottom >= screenHeight) {
        p.bottom = mr.top;
        p.top = p.bottom - ToolWindowHeight;
        return DockTop;
    }
    if (side == DockRight && mr.right >= screenWidth) {
        p.right = mr.left;
        p.left = p.right - width;
        return DockLeft;
    }
    return side;
}
