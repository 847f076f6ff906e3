// The message loop and message passing: the platform's Message is the desktop's MSG without its
// private fields; sent messages whose parameters point to records of another shape are converted.
#include <iterator>

#include "platform/Window.h"
#include "platform/win32/Handles.h"  // <windows.h> before the headers that build on it

#include <commctrl.h>

#include "platform/win32/WindowInternal.h"

namespace platform {

namespace {

MSG ToMsg(const Message& message) {
    MSG native{};
    native.hwnd = ToNative(message.window);
    native.message = message.message;
    native.wParam = message.wParam;
    native.lParam = message.lParam;
    native.time = message.time;
    native.pt = POINT{message.point.x, message.point.y};
    return native;
}

Message FromMsg(const MSG& native) {
    Message message;
    message.window = FromNative(native.hwnd);
    message.message = native.message;
    message.wParam = native.wParam;
    message.lParam = native.lParam;
    message.time = uint32_t(native.time);
    message.point = Point{native.pt.x, native.pt.y};
    return message;
}

bool IsTabControl(HWND window) {
    wchar_t name[64] = {};
    if (!::GetClassNameW(window, name, int(std::size(name)))) return false;
    return ::CompareStringOrdinal(name, -1, WC_TABCONTROLW, -1, TRUE) == CSTR_EQUAL;
}

}  // namespace

namespace win32 {

LRESULT SendConverted(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TabInsertItem && IsTabControl(window)) {
        const auto* item = reinterpret_cast<const TabItem*>(lParam);
        if (!item) return -1;  // the desktop control would read through the null record
        TCITEMW native{};
        native.mask = TCIF_TEXT;
        native.pszText = const_cast<wchar_t*>(Wide(item->text ? item->text : u""));
        return ::SendMessageW(window, TCM_INSERTITEMW, wParam, reinterpret_cast<LPARAM>(&native));
    }
    return ::SendMessageW(window, message, wParam, lParam);
}

}  // namespace win32

bool GetNextMessage(Message* message) {
    MSG native{};
    const BOOL result = ::GetMessageW(&native, nullptr, 0, 0);
    if (result == -1) {  // no message can be had: end the loop as a quit with code 0 would
        if (message) *message = Message{};
        return false;
    }
    if (message) *message = FromMsg(native);
    return result != 0;
}

bool TranslateAcceleratorFor(Window window, Accelerators table, Message* message) {
    if (!window || !table || !message) return false;
    MSG native = ToMsg(*message);
    return ::TranslateAcceleratorW(ToNative(window), ToNative(table), &native) != 0;
}

bool TranslateToCharacters(const Message* message) {
    if (!message) return false;
    const MSG native = ToMsg(*message);
    return ::TranslateMessage(&native) != 0;
}

LResult DispatchToWindow(const Message* message) {
    if (!message) return 0;
    const MSG native = ToMsg(*message);
    return ::DispatchMessageW(&native);
}

LResult DefaultWindowProcedure(Window window, uint32_t message, WParam wParam, LParam lParam) {
    return ::DefWindowProcW(ToNative(window), message, wParam, lParam);
}

void PostQuit(int exitCode) { ::PostQuitMessage(exitCode); }

bool PostToWindow(Window window, uint32_t message, WParam wParam, LParam lParam) {
    return ::PostMessageW(ToNative(window), message, wParam, lParam) != 0;
}

LResult SendToWindow(Window window, uint32_t message, WParam wParam, LParam lParam) {
    if (!window) return 0;
    return win32::SendConverted(ToNative(window), message, wParam, lParam);
}

// ---- Painting ----

Surface BeginPainting(Window window, PaintInfo* info) {
    PAINTSTRUCT paint{};
    HDC surface = ::BeginPaint(ToNative(window), &paint);
    if (!surface) return nullptr;
    if (!info) {  // nothing could end this paint later: validate the window now, so it is not asked again
        ::EndPaint(ToNative(window), &paint);
        return nullptr;
    }
    CountMade("paints");
    info->surface = FromNative(surface);
    info->erase = paint.fErase != 0;
    info->paintRect = Rect{paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom};
    return info->surface;
}

void EndPainting(Window window, const PaintInfo* info) {
    if (!info || !info->surface) return;
    PAINTSTRUCT paint{};
    paint.hdc = ToNative(info->surface);
    paint.fErase = info->erase;
    paint.rcPaint = RECT{info->paintRect.left, info->paintRect.top, info->paintRect.right, info->paintRect.bottom};
    ::EndPaint(ToNative(window), &paint);
    CountReleased("paints");
}

}  // namespace platform
