// The program's input on a real display: whenever the program waits for input, its windows are
// brought in line with the X server, then the loop blocks on the X connection until an event comes or
// the next timer falls due. X events become the device's pointer, key, wheel and hot-key input; the
// clock follows real time.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "platform/Types.h"
#include "platform/windowing/Device.h"
#include "platform/x11/Monitors.h"
#include "platform/x11/PointerShapes.h"
#include "platform/x11/WindowMirror.h"

namespace platform::x11 {

class RootScreen;
class Services;

class EventLoop : public sim::InputSource {
public:
    EventLoop(WindowMirror& mirror, Services& services, RootScreen& screen);
    bool RunNext() override;
    bool AnswerMenu(int* id) override;

private:
    bool EndSession();
    void Reconcile();
    void FollowCapture();
    void FollowFocus();
    void FollowHotKeys();
    void FollowCursor();
    void Handle(XEvent& event);
    void HandleButton(const XButtonEvent& event, bool press);
    void Activate(const XButtonEvent& event);
    void HandleKey(XKeyEvent& event, bool press);
    void PassTime();

    WindowMirror& mirror_;
    Services& services_;
    RootScreen& screen_;
    std::chrono::steady_clock::time_point last_;
    bool grabbed_ = false;
    Monitors monitors_;
    PointerShapes shapes_;
    ::Cursor cursor_ = None;
    platform::Window focus_ = nullptr;
    std::set<std::pair<int, unsigned>> grabbedKeys_;  // keycode and modifier mask
    std::optional<uint64_t> hotKeyChangesSeen_;  // the program's hot keys as last grabbed for
    bool keyboardChanged_ = true;                // the server's key map changed since
    // The last press, to tell a double click.
    ::Window pressWindow_ = 0;
    ::Time pressTime_ = 0;
    Point pressPoint_;
    bool pressWasDouble_ = false;
};

}  // namespace platform::x11
