#include "platform/x11/Monitors.h"

#include "platform/windowing/HostDisplay.h"
#include "platform/x11/Connection.h"

#ifdef VISTREL_HAVE_XRANDR
#include <X11/extensions/Xrandr.h>
#endif

namespace platform::x11 {

Monitors::Monitors() {
#ifdef VISTREL_HAVE_XRANDR
    Connection& x = X();
    int errorBase = 0, major = 0, minor = 0;
    if (XRRQueryExtension(x.display, &eventBase_, &errorBase) && XRRQueryVersion(x.display, &major, &minor) &&
        (major > 1 || (major == 1 && minor >= 2)))
        XRRSelectInput(x.display, x.root, RRScreenChangeNotifyMask | RRCrtcChangeNotifyMask | RROutputChangeNotifyMask);
    else
        eventBase_ = -1;
#endif
    Read();
}

void Monitors::Read() {
    Connection& x = X();
    layout_.clear();
#ifdef VISTREL_HAVE_XRANDR
    int major = 0, minor = 0;
    if (eventBase_ >= 0 && XRRQueryVersion(x.display, &major, &minor) && (major > 1 || minor >= 5)) {
        int count = 0;
        if (XRRMonitorInfo* monitors = XRRGetMonitors(x.display, x.root, True, &count)) {
            for (int i = 0; i < count; ++i)
                if (monitors[i].width > 0 && monitors[i].height > 0)
                    layout_.push_back(Rect{monitors[i].x, monitors[i].y, monitors[i].x + monitors[i].width,
                                           monitors[i].y + monitors[i].height});
            XRRFreeMonitors(monitors);
        }
    }
#endif
    if (layout_.empty()) layout_.push_back(Rect{0, 0, x.width, x.height});
    sim::SetMonitors(layout_);
}

bool Monitors::Handle(const XEvent& event) {
    Connection& x = X();
#ifdef VISTREL_HAVE_XRANDR
    if (eventBase_ >= 0 && (event.type == eventBase_ + RRScreenChangeNotify || event.type == eventBase_ + RRNotify)) {
        XEvent copy = event;
        XRRUpdateConfiguration(&copy);  // Xlib's idea of the root's size follows
        Read();
        return true;
    }
#endif
    // A new root size (with or without RandR): the handheld's screen change, on the new layout.
    if (event.type == ConfigureNotify && event.xconfigure.window == x.root &&
        (event.xconfigure.width != x.width || event.xconfigure.height != x.height)) {
        x.width = event.xconfigure.width;
        x.height = event.xconfigure.height;
        Read();
        sim::Rotate(x.width, x.height);
        return true;
    }
    return false;
}

}  // namespace platform::x11
