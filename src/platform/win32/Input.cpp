// Pointer and keys: capture, the cursor, coordinate conversion and key state.
#include "platform/Window.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WindowInternal.h"

namespace platform {

namespace {

HCURSOR& ChosenCursor() {
    static HCURSOR cursor = nullptr;
    return cursor;
}

// Keys whose low state bit (toggled on and off with every press) means something: the lock keys.
bool IsLockKey(int virtualKey) { return virtualKey == VK_CAPITAL || virtualKey == VK_NUMLOCK || virtualKey == VK_SCROLL; }

}  // namespace

namespace win32 {

HCURSOR ProgramCursor() { return ChosenCursor(); }

}  // namespace win32

Window CapturePointer(Window window) {
    HWND previous = ::GetCapture();
    // Taking the capture again is no change: the holder is not told that it lost it.
    if (!window || previous == ToNative(window) || !::IsWindow(ToNative(window))) return FromNative(previous);
    return FromNative(::SetCapture(ToNative(window)));
}

bool ReleasePointer() {
    ::ReleaseCapture();  // the holder gets WM_CAPTURECHANGED before this returns
    return true;
}

Window GetPointerCapture() { return FromNative(::GetCapture()); }

Cursor SetPointerCursor(Cursor cursor) {
    ChosenCursor() = ToNative(cursor);
    return FromNativeCursor(::SetCursor(ToNative(cursor)));
}

Cursor LoadSystemCursor(int id) { return FromNativeCursor(::LoadCursorW(nullptr, MAKEINTRESOURCEW(id))); }

bool ClientToScreenPoint(Window window, Point* point) {
    if (!point || !window) return false;
    POINT native{point->x, point->y};
    if (!::ClientToScreen(ToNative(window), &native)) return false;
    *point = win32::ToProgram(native);
    return true;
}

bool ScreenToClientPoint(Window window, Point* point) {
    if (!point || !window) return false;
    POINT native = win32::ToDesktop(*point);
    if (!::ScreenToClient(ToNative(window), &native)) return false;
    *point = Point{native.x, native.y};
    return true;
}

bool GetCursorPosition(Point* point) {
    POINT native{};
    if (!point || !::GetCursorPos(&native)) return false;
    *point = win32::ToProgram(native);
    return true;
}

// The handheld answers only whether a key is held. The desktop also flips the low bit with every press
// of any key, so that a released Alt could read as "not zero": only the held bit is passed on, except for
// the lock keys, whose toggle is their state.
int16_t GetKeyStateOf(int virtualKey) {
    const SHORT state = ::GetKeyState(virtualKey);
    if (IsLockKey(virtualKey)) return int16_t(state);
    return int16_t(state & SHORT(0x8000));
}

}  // namespace platform
