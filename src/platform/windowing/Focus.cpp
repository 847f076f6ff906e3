// Z-order, activation and keyboard focus. A new or activated top-level window goes to the top of its
// band (always-on-top windows above the others), with the windows it owns just above it. Activation
// sends MsgActivate to the window losing it (0) and the one gaining it (1) and gives the focus to the
// new active window unless the focus is inside it already.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

// Moves the focus without touching activation; sends MsgKillFocus and MsgSetFocus.
void MoveFocus(Window window) {
    DeviceState& dev = Dev();
    Window old = LiveWindow(dev.focus);
    if (old == window) return;
    dev.focus = window;
    if (old) SendToWindow(old, MsgKillFocus, WParam(window), 0);
    if (window && Dev().focus == window) SendToWindow(window, MsgSetFocus, WParam(old), 0);
}

}  // namespace

void RaiseWindow(WindowObject* window) {
    if (!window || window->parent) return;
    DeviceState& dev = Dev();
    std::vector<Window> before = dev.topLevels;
    PlaceAtTopOfBand(window);
    std::vector<Window> owned;
    for (Window t : dev.topLevels)
        if (t != window && t->owner == window) owned.push_back(t);
    // From the topmost owned window down, each goes just above the owner, so their order is kept.
    for (Window t : owned) {
        std::erase(dev.topLevels, t);
        auto at = std::find(dev.topLevels.begin(), dev.topLevels.end(), window);
        dev.topLevels.insert(at, t);
    }
    Rect area{};
    for (size_t i = 0; i < dev.topLevels.size(); ++i) {
        Window t = dev.topLevels[i];
        if (i < before.size() && before[i] == t) continue;
        if (!EffectivelyVisible(t)) continue;
        Rect r = WindowScreenRect(t);
        area = IsRectangleEmpty(area) ? r
                                      : Rect{std::min(area.left, r.left), std::min(area.top, r.top),
                                             std::max(area.right, r.right), std::max(area.bottom, r.bottom)};
    }
    if (!IsRectangleEmpty(area)) RecomposeScreen(area, window);  // the order of trees, none of their maps
}

void ActivateWindow(Window window) {
    WindowObject* top = TopLevelOf(window);
    if (!top) return;
    RaiseWindow(top);
    DeviceState& dev = Dev();
    Window old = LiveWindow(dev.active);
    if (old != top) {
        dev.active = top;
        if (old) SendToWindow(old, MsgActivate, 0, LParam(top));
        if (LiveWindow(top)) SendToWindow(top, MsgActivate, 1, LParam(old));
    }
    if (Dev().active == top && LiveWindow(top) && !IsDescendantOf(Dev().focus, top)) MoveFocus(top);
}

void ForgetWindowState(Window window, bool destroyed) {
    DeviceState& dev = Dev();
    if (destroyed) {
        // A destroyed window vanishes without further messages.
        if (dev.capture == window) dev.capture = nullptr;
        if (dev.focus == window) dev.focus = nullptr;
        if (dev.active == window) dev.active = nullptr;
        if (dev.captionPressWindow == window) dev.captionPressWindow = nullptr;
        return;
    }
    // A hidden window keeps the capture but loses activation and the focus of its tree.
    if (dev.captionPressWindow && IsDescendantOf(dev.captionPressWindow, window)) dev.captionPressWindow = nullptr;
    if (dev.focus && IsDescendantOf(dev.focus, window)) MoveFocus(nullptr);
    if (dev.active == window) {
        dev.active = nullptr;
        SendToWindow(window, MsgActivate, 0, 0);
    }
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

Window SetFocusTo(Window window) {
    DeviceState& dev = Dev();
    Window previous = LiveWindow(dev.focus);
    if (!window) {
        MoveFocus(nullptr);
        return previous;
    }
    if (!LiveWindow(window)) return nullptr;
    Window top = TopLevelOf(window);
    if (LiveWindow(Dev().active) != top) {
        // Activating without handing the focus to the top-level window first.
        RaiseWindow(top);
        Window old = LiveWindow(Dev().active);
        Dev().active = top;
        if (old) SendToWindow(old, MsgActivate, 0, LParam(top));
        if (LiveWindow(top)) SendToWindow(top, MsgActivate, 1, LParam(old));
    }
    if (LiveWindow(window)) MoveFocus(window);
    return previous;
}

Window GetFocusWindow() { return LiveWindow(Dev().focus); }

namespace sim {

void FocusWindow(Window window) { SetFocusTo(window); }

}  // namespace sim

}  // namespace platform
