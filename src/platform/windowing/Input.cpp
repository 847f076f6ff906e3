// The stylus and the pointer: stylus events, their routing when the program takes them (to the window
// holding the capture, else to the topmost visible, enabled window under the point, in its client
// coordinates), capture, cursors and the cursor position.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

constexpr uint32_t CommandOk = 1;

// The deepest visible window under a screen point, children included.
WindowObject* Descend(WindowObject* o, Point p) {
    if (PointInRectangle(ClientScreenRect(o), p)) {
        for (Window child : o->children) {
            WindowObject* c = LiveWindow(child);
            if (c && (c->style & StyleVisible) && PointInRectangle(WindowScreenRect(c), p)) return Descend(c, p);
        }
    }
    return o;
}

WindowObject* WindowAt(Point p) {
    for (Window top : Dev().topLevels) {
        WindowObject* o = LiveWindow(top);
        if (o && (o->style & StyleVisible) && PointInRectangle(WindowScreenRect(o), p)) return Descend(o, p);
    }
    return nullptr;
}

// The window a pointer message at a screen point reaches now: the capture holder, else the window under
// the point if it takes input and the point lies in its client area (a press on its frame reaches no
// client).
WindowObject* PointerTarget(Point p) {
    if (WindowObject* holder = LiveWindow(Dev().capture)) return holder;
    WindowObject* target = WindowAt(p);
    if (!target || !EffectivelyEnabled(target) || !PointInRectangle(ClientScreenRect(target), p)) return nullptr;
    return target;
}

// A press and release on a caption button of an enabled window: "ok" posts the OK command, "?" asks
// for help.
void CaptionPress(Point p) {
    DeviceState& dev = Dev();
    dev.captionPressWindow = nullptr;
    if (LiveWindow(dev.capture)) return;
    WindowObject* o = WindowAt(p);
    if (!o || !EffectivelyEnabled(o)) return;
    if (int button = CaptionButtonAt(o, p)) {
        dev.captionPressWindow = o;
        dev.captionPressButton = button;
    }
}

void CaptionRelease(Point p) {
    DeviceState& dev = Dev();
    WindowObject* pressed = LiveWindow(dev.captionPressWindow);
    dev.captionPressWindow = nullptr;
    if (!pressed || WindowAt(p) != pressed || CaptionButtonAt(pressed, p) != dev.captionPressButton) return;
    if (dev.captionPressButton == 1) PostToWindow(pressed, MsgCommand, MakeWParam(CommandOk, 0), 0);
    else PostToWindow(pressed, MsgHelp, 0, 0);
}

void QueuePointer(InputEvent::Kind kind, uint32_t message, WParam wParam, Point screen) {
    InputEvent event;
    event.kind = kind;
    event.message = message;
    event.wParam = wParam;
    event.screen = screen;
    QueueInput(event);
}

bool KnownSystemCursor(int id) { return (id >= 32512 && id <= 32516) || (id >= 32640 && id <= 32651); }

}  // namespace

bool ResolvePointer(const InputEvent& event, Message* message) {
    Point p = event.screen;
    if (event.kind == InputEvent::Kind::Wheel) {
        // The wheel turns the window under the cursor; its position travels in screen coordinates.
        WindowObject* target = WindowAt(p);
        if (!target || !EffectivelyEnabled(target)) return false;
        message->window = target;
        message->message = MsgMouseWheel;
        message->wParam = event.wParam;
        message->lParam = MakeLParam(p.x, p.y);
        return true;
    }
    if (event.message == MsgLButtonDown) CaptionPress(p);
    if (event.message == MsgLButtonUp) CaptionRelease(p);
    WindowObject* target = PointerTarget(p);
    if (!target) return false;
    Rect client = ClientScreenRect(target);
    message->window = target;
    message->message = event.message;
    if (event.kind == InputEvent::Kind::DoubleClick)
        message->message = (target->classStyle & ClassDoubleClicks) ? MsgLButtonDoubleClick : MsgLButtonDown;
    message->wParam = event.wParam;
    message->lParam = MakeLParam(p.x - client.left, p.y - client.top);
    return true;
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

Window CapturePointer(Window window) {
    DeviceState& dev = Dev();
    Window previous = LiveWindow(dev.capture);
    if (!LiveWindow(window)) return previous;
    dev.capture = window;
    if (previous && previous != window) SendToWindow(previous, MsgCaptureChanged, 0, LParam(window));
    return previous;
}

bool ReleasePointer() {
    DeviceState& dev = Dev();
    Window holder = LiveWindow(dev.capture);
    // As on the handheld, a process releases only a capture that one of its own windows holds: a second
    // copy of the program that ends must not cut short the drag of the first.
    if (holder && holder->process != &CurrentProcess()) return false;
    dev.capture = nullptr;
    if (holder) SendToWindow(holder, MsgCaptureChanged, 0, 0);
    return true;
}

Window GetPointerCapture() { return LiveWindow(Dev().capture); }

Cursor SetPointerCursor(Cursor cursor) {
    DeviceState& dev = Dev();
    Cursor previous = dev.cursor;
    dev.cursor = cursor;
    dev.cursorId = cursor ? std::optional<int>(cursor->id) : std::nullopt;
    return previous;
}

Cursor LoadSystemCursor(int id) {
    if (!KnownSystemCursor(id)) return nullptr;
    auto& slot = Dev().systemCursors[id];
    if (!slot) {
        slot = std::make_unique<CursorObject>();
        slot->id = id;
        slot->system = true;
    }
    return slot.get();
}

bool GetCursorPosition(Point* point) {
    if (!point) return false;
    *point = Dev().cursorPosition;
    return true;
}

namespace sim {

void StylusDown(Point screen) {
    DeviceState& dev = Dev();
    dev.cursorPosition = screen;
    dev.buttonHeld = true;
    QueuePointer(InputEvent::Kind::Pointer, MsgLButtonDown, KeyLButton, screen);
}

void StylusMove(Point screen) {
    DeviceState& dev = Dev();
    dev.cursorPosition = screen;
    QueuePointer(InputEvent::Kind::Pointer, MsgMouseMove, dev.buttonHeld ? KeyLButton : 0, screen);
}

void StylusUp(Point screen) {
    DeviceState& dev = Dev();
    dev.cursorPosition = screen;
    dev.buttonHeld = false;
    QueuePointer(InputEvent::Kind::Pointer, MsgLButtonUp, 0, screen);
}

// Down, up, the double-click (a second down for a window whose class does not ask for double-clicks),
// up.
void DoubleTap(Point screen) {
    StylusDown(screen);
    StylusUp(screen);
    QueuePointer(InputEvent::Kind::DoubleClick, MsgLButtonDoubleClick, KeyLButton, screen);
    StylusUp(screen);
}

void RightClick(Point screen) {
    Dev().cursorPosition = screen;
    QueuePointer(InputEvent::Kind::Pointer, MsgRButtonDown, KeyRButton, screen);
    QueuePointer(InputEvent::Kind::Pointer, MsgRButtonUp, 0, screen);
}

void Wheel(int32_t delta) {
    DeviceState& dev = Dev();
    int16_t wheelDelta = int16_t(std::clamp(delta, -32768, 32767));
    WParam keys = dev.buttonHeld ? KeyLButton : 0;
    QueuePointer(InputEvent::Kind::Wheel, MsgMouseWheel, MakeWParam(uint32_t(keys), uint16_t(wheelDelta)),
                 dev.cursorPosition);
}

LResult SendRaw(Window window, uint32_t message, WParam wParam, LParam lParam) {
    return SendToWindow(window, message, wParam, lParam);
}

}  // namespace sim

}  // namespace platform
