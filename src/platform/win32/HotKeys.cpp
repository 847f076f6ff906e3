// Hot keys: a key combination that reaches one window whichever window has the focus.
#include "platform/Window.h"
#include "platform/win32/Handles.h"

namespace platform {

bool RegisterHotKeyFor(Window window, int id, uint32_t modifiers, uint32_t virtualKey) {
    // The handheld's key-up flag asks for a second message on release; the desktop reports presses
    // only, so the flag is dropped (a release never arrives, and the program ignores releases).
    const UINT nativeModifiers = modifiers & ~ModKeyUp & (MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN);
    return ::RegisterHotKey(ToNative(window), id, nativeModifiers, virtualKey) != 0;
}

bool UnregisterHotKeyFor(Window window, int id) { return ::UnregisterHotKey(ToNative(window), id) != 0; }

}  // namespace platform
