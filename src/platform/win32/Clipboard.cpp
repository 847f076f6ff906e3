// The system clipboard: a text put there as Unicode text, for any program to paste.
#include <cstring>
#include <string>

#include "platform/Window.h"
#include "platform/win32/Handles.h"  // <windows.h> before the headers that build on it

namespace platform {

namespace {

// The text with its terminating zero in movable global memory, as the clipboard takes it; null when
// there is no memory for it.
HGLOBAL GlobalCopy(const std::wstring& text) {
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return nullptr;
    void* target = ::GlobalLock(memory);
    if (!target) {
        ::GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, text.c_str(), bytes);
    ::GlobalUnlock(memory);
    return memory;
}

}  // namespace

bool SetClipboardText(Window owner, const char16_t* text) {
    if (!text) return false;
    HGLOBAL memory = GlobalCopy(Wide(text));
    if (!memory) return false;
    if (!::OpenClipboard(ToNative(owner))) {
        ::GlobalFree(memory);
        return false;
    }
    ::EmptyClipboard();
    // Once the clipboard has taken the memory it is the clipboard's; only a refusal leaves it ours.
    const bool taken = ::SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    ::CloseClipboard();
    if (!taken) ::GlobalFree(memory);
    return taken;
}

}  // namespace platform
