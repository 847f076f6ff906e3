#include "platform/x11/EventLoop.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <poll.h>

#include "platform/Platform.h"
#include "platform/windowing/HostDisplay.h"
#include "platform/x11/Connection.h"
#include "platform/x11/Keys.h"
#include "platform/x11/PopupMenu.h"
#include "platform/x11/RootScreen.h"
#include "platform/x11/SessionEnd.h"
#include "platform/x11/Services.h"

namespace platform::x11 {

namespace {

constexpr ::Time DoubleClickMs = 500;
constexpr int DoubleClickSlop = 4;
constexpr int WheelStep = 120;
constexpr long PointerEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

// Caps Lock and Num Lock must not stop a grabbed key.
constexpr unsigned LockVariants[] = {0, LockMask, Mod2Mask, LockMask | Mod2Mask};

Point RootPoint(int x, int y) { return Point{x, y}; }

void FollowModifiers(unsigned state) {
    sim::SetAlt((state & Mod1Mask) != 0);
    sim::SetShift((state & ShiftMask) != 0);
    sim::SetControl((state & ControlMask) != 0);
}

}  // namespace

EventLoop::EventLoop(WindowMirror& mirror, Services& services, RootScreen& screen)
    : mirror_(mirror), services_(services), screen_(screen), last_(std::chrono::steady_clock::now()) {}

void EventLoop::PassTime() {
    const auto now = std::chrono::steady_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now - last_).count();
    if (ms <= 0) return;
    sim::PassRealTime(uint64_t(ms));
    last_ += std::chrono::milliseconds(ms);
}

// Each turn reads the connection once before it sleeps (XPending: the requests go out, and what came
// in is read) and once more only if the server woke it; every event read is handled before time passes.
// Each read that finds nothing is a system call for nothing, and a refresh of the glass makes few
// calls of its own.
bool EventLoop::RunNext() {
    Connection& x = X();
    if (SessionEnding()) return EndSession();
    Reconcile();
    if (!XPending(x.display)) {
        PassTime();  // the turn's own work counts against the wait: a 120 ms timer fires every 120 ms
        std::optional<uint64_t> next = sim::TimeToNextTimer();
        const int timeout = next ? int(std::min<uint64_t>(*next, INT_MAX)) : -1;
        pollfd fds[2] = {{ConnectionNumber(x.display), POLLIN, 0}, {SessionEndFd(), POLLIN, 0}};
        if (timeout != 0) poll(fds, 2, timeout);
        if (SessionEnding()) return EndSession();
        if (fds[0].revents & (POLLHUP | POLLERR)) return EndSession();  // the display went away
        if (fds[0].revents & POLLIN) XEventsQueued(x.display, QueuedAfterReading);
    }
    while (XEventsQueued(x.display, QueuedAlready) > 0) {
        XEvent event;
        XNextEvent(x.display, &event);
        Handle(event);
    }
    PassTime();
    return true;
}

// The session ends (the display went away, or a signal asks the program to end): the program's windows
// hear it as a desktop's windows hear a log-off, so that it keeps what it would keep on a Close. Then
// there is no more input and the program ends.
bool EventLoop::EndSession() {
    TellSessionEnds();
    return false;
}

void EventLoop::Reconcile() {
    mirror_.Sync();
    screen_.Overlay().Sync();
    FollowCapture();
    FollowFocus();
    FollowHotKeys();
    FollowCursor();
    services_.Follow();  // the requests of all these go out with the next read of the connection
}

// A capture outside a press (the program follows the pointer until the next tap) takes the pointer
// from every other program, as the handheld's capture does.
void EventLoop::FollowCapture() {
    Connection& x = X();
    const ::Window holder = mirror_.XidOf(sim::CaptureWindow());
    if (holder && !grabbed_) {
        grabbed_ = XGrabPointer(x.display, holder, False, PointerEvents, GrabModeAsync, GrabModeAsync, None,
                                cursor_, CurrentTime) == GrabSuccess;
    } else if (!holder && grabbed_) {
        XUngrabPointer(x.display, CurrentTime);
        grabbed_ = false;
    }
}

// The window the program gives the keyboard focus to takes the X keyboard focus.
void EventLoop::FollowFocus() {
    platform::Window top = sim::FocusedWindow();
    while (top && !mirror_.XidOf(top)) top = GetParentWindow(top);
    if (top == focus_) return;
    focus_ = top;
    const ::Window xid = mirror_.XidOf(top);
    if (xid && IsWindowShown(top)) XSetInputFocus(X().display, xid, RevertToPointerRoot, CurrentTime);
}

// The program's cursor over its windows, and wherever the pointer goes while they hold it.
void EventLoop::FollowCursor() {
    const ::Cursor shape = shapes_.Of(sim::CurrentCursor());
    if (shape == cursor_) return;
    cursor_ = shape;
    mirror_.SetCursor(shape);
    XChangeActivePointerGrab(X().display, PointerEvents, shape, CurrentTime);
}

// The program's hot keys are grabbed on the root window, by the key codes that give their keys now: the
// grabs change when the program's hot keys change or the server's key map does.
void EventLoop::FollowHotKeys() {
    Connection& x = X();
    const uint64_t changes = sim::HotKeyChanges();
    if (changes == hotKeyChangesSeen_ && !keyboardChanged_) return;
    hotKeyChangesSeen_ = changes;
    keyboardChanged_ = false;
    const std::vector<sim::HotKeyInfo> keys = sim::HotKeys();
    std::set<std::pair<int, unsigned>> wanted;
    for (const sim::HotKeyInfo& key : keys) {
        const KeySym symbol = KeySymOf(key.virtualKey);
        const int code = symbol == NoSymbol ? 0 : XKeysymToKeycode(x.display, symbol);
        if (code) wanted.emplace(code, ModifierMaskOf(key.modifiers));
    }
    if (wanted == grabbedKeys_) return;
    for (const auto& [code, mask] : grabbedKeys_)
        if (!wanted.count({code, mask}))
            for (unsigned lock : LockVariants) XUngrabKey(x.display, code, mask | lock, x.root);
    for (const auto& [code, mask] : wanted)
        if (!grabbedKeys_.count({code, mask}))
            for (unsigned lock : LockVariants)
                XGrabKey(x.display, code, mask | lock, x.root, False, GrabModeAsync, GrabModeAsync);
    grabbedKeys_ = wanted;
}

void EventLoop::Handle(XEvent& event) {
    Connection& x = X();
    if (services_.Handle(event) || monitors_.Handle(event)) return;
    switch (event.type) {
    case ButtonPress:
        HandleButton(event.xbutton, true);
        break;
    case ButtonRelease:
        HandleButton(event.xbutton, false);
        break;
    case MotionNotify: {
        // Motion that has already been overtaken by more motion counts once, at its last point; a press
        // or release after it keeps its place.
        XEvent later;
        while (XPending(x.display) && (XPeekEvent(x.display, &later), later.type == MotionNotify) &&
               later.xmotion.window == event.xmotion.window)
            XNextEvent(x.display, &event);
        FollowModifiers(event.xmotion.state);
        sim::StylusMove(RootPoint(event.xmotion.x_root, event.xmotion.y_root));
        break;
    }
    case KeyPressEvent:
        HandleKey(event.xkey, true);
        break;
    case KeyReleaseEvent:
        HandleKey(event.xkey, false);
        break;
    case Expose:
        mirror_.Repaint(event.xexpose.window, Rect{event.xexpose.x, event.xexpose.y,
                                                  event.xexpose.x + event.xexpose.width,
                                                  event.xexpose.y + event.xexpose.height});
        break;
    case MapNotify:
        if (event.xmap.window == screen_.Overlay().Xid()) break;
        if (!mirror_.WindowOf(event.xmap.window)) mirror_.KeepOnTop();  // another program's window came up
        screen_.Overlay().KeepOnTop();
        break;
    case MappingNotify:  // another keyboard layout: the key codes of keys change
        XRefreshKeyboardMapping(&event.xmapping);
        keyboardChanged_ = true;
        break;
    case ConfigureNotify:
        if (event.xconfigure.window != x.root && event.xconfigure.window != screen_.Overlay().Xid())
            screen_.Overlay().KeepOnTop();  // figures stay above every window, the program's too
        break;
    default:
        break;
    }
}

void EventLoop::HandleButton(const XButtonEvent& event, bool press) {
    X().inputTime = event.time;
    const Point p = RootPoint(event.x_root, event.y_root);
    FollowModifiers(event.state);
    if (press && event.button != Button4 && event.button != Button5) Activate(event);
    switch (event.button) {
    case Button1:
        if (!press) {
            sim::StylusUp(p);
            break;
        }
        {
            const bool twice = !pressWasDouble_ && event.window == pressWindow_ &&
                               event.time - pressTime_ <= DoubleClickMs &&
                               std::abs(p.x - pressPoint_.x) <= DoubleClickSlop &&
                               std::abs(p.y - pressPoint_.y) <= DoubleClickSlop;
            pressWindow_ = event.window;
            pressTime_ = event.time;
            pressPoint_ = p;
            pressWasDouble_ = twice;  // a third press starts a new pair
            if (twice) sim::StylusDoubleClick(p);
            else sim::StylusDown(p);
        }
        break;
    case Button3:
        if (press) sim::RightClick(p);
        break;
    case Button4:
    case Button5:
        if (press) {
            sim::StylusMove(p);
            sim::Wheel(event.button == Button4 ? WheelStep : -WheelStep);
        }
        break;
    default:
        break;
    }
}

void EventLoop::HandleKey(XKeyEvent& event, bool press) {
    X().inputTime = event.time;
    const KeySym symbol = XLookupKeysym(&event, 0);
    const uint32_t key = VirtualKeyOf(symbol);
    if (event.window == X().root) {
        // A grabbed hot key: the handheld's application keys are F9 to F12.
        uint32_t hot = key;
        if (symbol >= XK_F9 && symbol <= XK_F12) hot = FirstApplicationKey + uint32_t(symbol - XK_F9);
        for (const sim::HotKeyInfo& info : sim::HotKeys())
            if (info.virtualKey == hot || info.virtualKey == key) sim::HotKey(info.virtualKey, !press);
        return;
    }
    FollowModifiers(event.state);  // the state before this key
    if (key == VkMenu) sim::SetAlt(press);
    else if (key == VkShift) sim::SetShift(press);
    else if (key == VkControl) sim::SetControl(press);
    if (key && press) sim::KeyPress(key);  // modifiers too: Ctrl alone is the tape's key
}

// A press on one of the program's windows makes it the active window with the keyboard focus, as on
// a desktop (unless a modal dialog keeps it disabled, or the focus is inside it already).
void EventLoop::Activate(const XButtonEvent& event) {
    const platform::Window top = mirror_.WindowOf(event.window);
    if (!top || !IsWindowInputEnabled(top)) return;
    XSetInputFocus(X().display, event.window, RevertToPointerRoot, event.time);
    platform::Window focus = sim::FocusedWindow();
    while (focus && focus != top) focus = GetParentWindow(focus);
    if (!focus) sim::FocusWindow(top);
}

bool EventLoop::AnswerMenu(int* id) {
    std::optional<std::vector<sim::MenuItemInfo>> items = sim::LastMenu();
    Point at;
    GetCursorPosition(&at);
    *id = items ? TrackPopupMenu(*items, at, [this](XEvent& event) { Handle(event); }) : 0;
    return true;
}

}  // namespace platform::x11
