// The monitors the X screen is made of, from RandR (XRRGetMonitors, RandR 1.5) where the server
// offers it; a server without it, or without monitors, is one monitor the size of the root window.
// Changes of the layout (RRScreenChangeNotify) are followed: the window system places its dialogs on
// a monitor, and a new root size reaches the program as the handheld's screen change.
#pragma once

#include <vector>

#include "platform/Types.h"
#include "platform/x11/Xlib.h"

namespace platform::x11 {

class Monitors {
public:
    // Reads the layout and asks the server to tell of its changes.
    Monitors();
    // True when the event was a change of the screen's layout (then followed).
    bool Handle(const XEvent& event);
    const std::vector<Rect>& Layout() const { return layout_; }

private:
    void Read();

    int eventBase_ = -1;  // RandR's first event code; -1 without RandR
    std::vector<Rect> layout_;
};

}  // namespace platform::x11
