// Every top-level window of the program as a real X window of its own: caption-less, always on top,
// not in the task bar, exactly where the program puts it, in the program's z-order. A window's pixels
// are drawn in its picture by the window system; the part drawn since reaches its X window in one put.
#pragma once

#include <map>
#include <vector>

#include "platform/Types.h"
#include "platform/windowing/HostDisplay.h"
#include "platform/x11/ImageBuffer.h"
#include "platform/x11/RootScreen.h"

namespace platform::x11 {

class WindowMirror {
public:
    explicit WindowMirror(RootScreen& screen);
    ~WindowMirror();
    // Brings the X windows in line with the program's windows and puts every pixel changed since (the
    // requests go out with the event loop's next read of the connection).
    void Sync();
    // The X server lost part of a window's picture: put it again (client coordinates).
    void Repaint(::Window xid, const Rect& part);
    // Another program's window went up: the program's windows go above it again at the next Sync.
    void KeepOnTop() { stack_.clear(); }
    // The cursor over every window (None: the X default).
    void SetCursor(::Cursor cursor);
    platform::Window WindowOf(::Window xid) const;  // null for a window that is not the program's
    ::Window XidOf(platform::Window window) const;   // 0 when not shown as an X window

private:
    struct Mirror {
        ::Window xid = 0;
        Rect rect;
        bool mapped = false;
    };
    void Create(Mirror& mirror, platform::Window window, const Rect& rect);
    void Put(platform::Window window, const Mirror& mirror, const Rect& picturePart);

    std::map<platform::Window, Mirror> mirrors_;
    std::vector<::Window> stack_;  // the mapped windows as last stacked, topmost first
    // Each turn's view of the program's windows and of the stack it asks for (their storage kept).
    std::vector<sim::TopLevelPlace> tops_;
    std::vector<::Window> wantedStack_;
    RootScreen& screen_;
    ImageBuffer puts_;  // for a picture the screen does not keep
    ::GC gc_ = nullptr;
    ::Cursor cursor_ = None;
};

}  // namespace platform::x11
