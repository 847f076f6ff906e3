// The keyboard on the glass and its tool windows: pixel steps of the zoom point and zoom steps, for
// the last pixel that the stylus cannot place.
#include "magnifier/KeyboardInteraction.h"

#include <algorithm>

#include "magnifier/Animation.h"
#include "magnifier/PointerInteraction.h"
#include "magnifier/Rendering.h"

namespace {

using platform::Point;

constexpr int32_t NudgePixels = 1;
constexpr int32_t ShiftNudgePixels = 10;
constexpr int32_t WheelNotch = 120;

bool ShiftHeld() { return platform::GetKeyStateOf(int(platform::VkShift)) != 0; }

// The direction an arrow key moves the zoom point in; (0, 0) for any other key.
Point ArrowDirection(uint32_t virtualKey) {
    switch (virtualKey) {
        case platform::VkLeft: return {-1, 0};
        case platform::VkRight: return {1, 0};
        case platform::VkUp: return {0, -1};
        case platform::VkDown: return {0, 1};
        default: return {0, 0};
    }
}

// One notch up for "+", one down for "-"; 0 for any other key.
int32_t ZoomNotches(uint32_t virtualKey) {
    switch (virtualKey) {
        case platform::VkOemPlus:
        case platform::VkAdd: return 1;
        case platform::VkOemMinus:
        case platform::VkSubtract: return -1;
        default: return 0;
    }
}

// Keys act on a shown glass that no drag and no animation is changing.
bool KeysMayAct(const Magnifier& m) {
    return IsVisible(m) && !AnimationRunning(m) && GetPointerState(m) == StateIdle;
}

int32_t KeptWithin(int64_t value, int32_t low, int32_t highExclusive) {
    return int32_t(std::clamp<int64_t>(value, low, std::max(low, highExclusive - 1)));
}

// The zoom point moves and stays on the screen; the view is rendered with a colour sample, as after an
// aim with the stylus, and both the glass and the colour picker show it at once.
void NudgeZoomPoint(Magnifier& m, Point direction, int32_t pixels) {
    Point& p = m.Settings.ZoomPnt;
    p.x = KeptWithin(int64_t(p.x) + int64_t(direction.x) * pixels, m.ScreenRect.left, m.ScreenRect.right);
    p.y = KeptWithin(int64_t(p.y) + int64_t(direction.y) * pixels, m.ScreenRect.top, m.ScreenRect.bottom);
    RenderView(m, true, false, true);
    platform::InvalidateWindowRect(m.MagnifierWindow, nullptr, false);
}

void StepZoom(Magnifier& m, int32_t notches) {
    MagnifierWheel(m, notches * WheelNotch);
    platform::InvalidateWindowRect(m.MagnifierWindow, nullptr, false);
}

}  // namespace

void MagnifierKeyDown(Magnifier& m, uint32_t virtualKey) {
    const Point direction = ArrowDirection(virtualKey);
    const int32_t notches = ZoomNotches(virtualKey);
    if (direction.x == 0 && direction.y == 0 && notches == 0) return;
    StateLockGuard lock(m);
    if (!KeysMayAct(m)) return;
    if (notches != 0) StepZoom(m, notches);
    else NudgeZoomPoint(m, direction, ShiftHeld() ? ShiftNudgePixels : NudgePixels);
}
