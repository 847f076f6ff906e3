// The tray: the handheld's tray record becomes the desktop's NOTIFYICONDATAW. The icons shown are
// remembered, so that they can be added again when the taskbar restarts.
#include <algorithm>
#include <iterator>
#include <map>
#include <utility>

#include "platform/Window.h"
#include "platform/win32/Handles.h"  // <windows.h> before the headers that build on it

#include <shellapi.h>

#include "platform/win32/WindowInternal.h"

namespace platform {

namespace {

using IconKey = std::pair<HWND, UINT>;

std::map<IconKey, NOTIFYICONDATAW>& ShownIcons() {
    static std::map<IconKey, NOTIFYICONDATAW> icons;
    return icons;
}

constexpr UINT KnownFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;

NOTIFYICONDATAW ToNotifyIconData(const TrayIconRecord& record) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = ToNative(record.window);
    data.uID = record.id;
    data.uFlags = record.flags & KnownFlags;
    data.uCallbackMessage = record.callbackMessage;
    data.hIcon = ToNative(record.icon);
    // The handheld's tip holds 63 characters and the terminating zero, which may be missing.
    const size_t limit = std::size(record.tip) - 1;
    size_t length = 0;
    while (length < limit && record.tip[length]) ++length;
    std::copy(record.tip, record.tip + length, data.szTip);
    data.szTip[length] = 0;
    return data;
}

// Applies a change to the remembered icon: only the parts the change names.
void Remember(DWORD operation, const NOTIFYICONDATAW& data) {
    const IconKey key{data.hWnd, data.uID};
    if (operation == NIM_DELETE) {
        ShownIcons().erase(key);
        return;
    }
    if (operation == NIM_ADD) {
        ShownIcons()[key] = data;
        return;
    }
    auto found = ShownIcons().find(key);
    if (found == ShownIcons().end()) return;
    NOTIFYICONDATAW& kept = found->second;
    if (data.uFlags & NIF_MESSAGE) kept.uCallbackMessage = data.uCallbackMessage;
    if (data.uFlags & NIF_ICON) kept.hIcon = data.hIcon;
    if (data.uFlags & NIF_TIP) std::copy(std::begin(data.szTip), std::end(data.szTip), kept.szTip);
    kept.uFlags |= data.uFlags;
}

}  // namespace

namespace win32 {

void RestoreTrayIcons(HWND window) {
    for (auto& [key, data] : ShownIcons())
        if (key.first == window) ::Shell_NotifyIconW(NIM_ADD, &data);
}

void ForgetTrayIcons(HWND window) {
    auto& icons = ShownIcons();
    for (auto it = icons.lower_bound(IconKey{window, 0}); it != icons.end() && it->first.first == window;)
        it = icons.erase(it);
}

}  // namespace win32

bool TrayNotify(uint32_t operation, const TrayIconRecord* record) {
    if (!record || (operation != TrayAdd && operation != TrayModify && operation != TrayDelete)) return false;
    NOTIFYICONDATAW data = ToNotifyIconData(*record);
    if (!::Shell_NotifyIconW(operation, &data)) return false;
    Remember(operation, data);
    return true;
}

}  // namespace platform
