// What a desktop backend asks of the window system: its host display, the time to the next timer,
// double taps, host paths and the monitors dialogs are placed on (the windows' pictures are in
// Pictures.cpp).
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"

namespace platform::sim {

namespace {
HostDisplay* hostDisplay = nullptr;  // kept across resets, like the input source
}

void SetHostDisplay(HostDisplay* host) { hostDisplay = host; }
HostDisplay* CurrentHostDisplay() { return hostDisplay; }

void PassRealTime(uint64_t ms) {
    detail::DeviceState& dev = detail::Dev();
    dev.elapsed += ms;
    for (detail::Timer& timer : dev.timers)
        if (timer.due < dev.elapsed) timer.due = dev.elapsed;
}

std::optional<uint64_t> TimeToNextTimer() {
    const detail::DeviceState& dev = detail::Dev();
    // A timer already due is waited for not at all: time may have passed since the program last
    // looked at its timers.
    std::optional<uint64_t> due = detail::EarliestTimerDue(detail::CurrentProcess());
    if (!due) return std::nullopt;
    return *due > dev.elapsed ? *due - dev.elapsed : 0;
}

void StylusDoubleClick(Point screen) {
    detail::DeviceState& dev = detail::Dev();
    dev.cursorPosition = screen;
    dev.buttonHeld = true;
    detail::InputEvent event;
    event.kind = detail::InputEvent::Kind::DoubleClick;
    event.message = MsgLButtonDoubleClick;
    event.wParam = KeyLButton;
    event.screen = screen;
    detail::QueueInput(event);
}

void SetMonitors(std::vector<Rect> monitors) { detail::Dev().monitors = std::move(monitors); }

Cursor CurrentCursor() { return detail::Dev().cursor; }

std::string HostPathOf(const std::u16string& devicePath) { return detail::HostPath(devicePath.c_str()); }

}  // namespace platform::sim

namespace platform::sim::detail {

Rect DialogArea(Window owner) {
    const Rect screen = ScreenBounds();
    const DeviceState& dev = Dev();
    Point at = dev.cursorPosition;
    Rect r;
    if (WindowObject* o = TopLevelOf(LiveWindow(owner) ? owner : LiveWindow(dev.active))) {
        r = WindowScreenRect(o);
        at = Point{r.left + Width(r) / 2, r.top + Height(r) / 2};
    }
    for (const Rect& monitor : dev.monitors) {
        Rect area;
        if (PointInRectangle(monitor, at) && IntersectRectangles(&area, monitor, screen)) return area;
    }
    for (const Rect& monitor : dev.monitors) {  // a point between monitors: the first that shows
        Rect area;
        if (IntersectRectangles(&area, monitor, screen)) return area;
    }
    return screen;
}

}  // namespace platform::sim::detail
