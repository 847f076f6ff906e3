// Pop-up menus.
#include "platform/Window.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WindowInternal.h"

namespace platform {

Menu CreatePopupMenuObject() {
    HMENU menu = ::CreatePopupMenu();
    if (menu) CountMade("menus");
    return FromNative(menu);
}

bool AppendMenuItem(Menu menu, uint32_t flags, uintptr_t id, const char16_t* text) {
    if (!menu) return false;
    const bool separator = (flags & MenuSeparator) != 0;
    const wchar_t* item = separator ? nullptr : Wide(text ? text : u"");
    return ::AppendMenuW(ToNative(menu), flags, id, item) != 0;
}

// A menu opened for a window in the background (the tray's) closes on a click elsewhere only when its
// owner is the foreground window, and it works the next time only after the owner has had a message.
int TrackPopupMenuAt(Menu menu, uint32_t flags, int32_t x, int32_t y, Window owner) {
    HWND window = ToNative(owner);
    if (!menu || !window || !::IsWindow(window)) return 0;
    ::SetForegroundWindow(window);
    const POINT at = win32::ToDesktop(Point{x, y});
    const int chosen = int(::TrackPopupMenu(ToNative(menu), flags, at.x, at.y, 0, window, nullptr));
    ::PostMessageW(window, WM_NULL, 0, 0);
    return chosen;
}

bool DestroyMenuObject(Menu menu) {
    if (!menu || !::DestroyMenu(ToNative(menu))) return false;
    CountReleased("menus");
    return true;
}

}  // namespace platform
