// Window classes and windows: registration, the procedure that translates desktop messages into the
// handheld's form, creation and destruction, styles, placement, visibility, texts and focus.
#include <map>
#include <set>

#include "platform/Window.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WindowInternal.h"

namespace platform {

namespace {

// The program's procedure of each class this backend registered, by class atom.
std::map<ATOM, WindowProcedure>& ClassProcedures() {
    static std::map<ATOM, WindowProcedure> procedures;
    return procedures;
}

// Windows made by CreateWindowObject that have not ended yet.
std::set<HWND>& MadeWindows() {
    static std::set<HWND> windows;
    return windows;
}

// Windows that asked for the handheld's caption OK button.
std::set<HWND>& CaptionOkWindows() {
    static std::set<HWND> windows;
    return windows;
}

WindowProcedure ProcedureOf(HWND window) {
    const ATOM atom = ATOM(::GetClassWord(window, GCW_ATOM));
    auto found = ClassProcedures().find(atom);
    return found == ClassProcedures().end() ? nullptr : found->second;
}

// The message the taskbar broadcasts when it has been (re)started: tray icons must be added again.
UINT TaskbarCreatedMessage() {
    static const UINT message = ::RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

// Frame changes of a style take effect only through a position change that moves nothing.
constexpr UINT FrameChangeFlags = SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;

RECT ToRect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
Rect FromRect(const RECT& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

namespace win32 {

LRESULT CALLBACK ClassWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowProcedure procedure = ProcedureOf(window);
    if (!procedure) return ::DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        // The handheld hands the creation parameter itself to the procedure, not a creation record.
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        lParam = create ? LPARAM(create->lpCreateParams) : 0;
        break;
    }
    case WM_DISPLAYCHANGE:
        // A monitor added, removed or rearranged changes the screen as turning the handheld does.
        win32::FollowMonitorChange();
        return procedure(FromNative(window), MsgSettingChange, HandheldScreenChange, 0);
    case WM_SETTINGCHANGE:
        // The desktop's own setting changes never mean the screen: keep them from reading as that.
        if (wParam == HandheldScreenChange) wParam = 0;
        break;
    case WM_SETCURSOR:
        // On the desktop every window sets the cursor as the pointer crosses it; over the program's
        // windows the cursor the program chose comes back.
        if (LOWORD(lParam) == HTCLIENT && ProgramCursor()) {
            ::SetCursor(ProgramCursor());
            return TRUE;
        }
        break;
    case WM_NCDESTROY: {
        const LRESULT result = procedure(FromNative(window), message, wParam, lParam);
        ForgetWindowTimers(window);
        ForgetTrayIcons(window);
        SetCaptionOkButton(window, false);
        ForgetMadeWindow(window);
        return result;
    }
    default:
        if (message == TaskbarCreatedMessage() && message != 0) RestoreTrayIcons(window);
        break;
    }
    return procedure(FromNative(window), message, wParam, lParam);
}

void ForgetMadeWindow(HWND window) {
    if (MadeWindows().erase(window)) CountReleased("windows");
}

void SetCaptionOkButton(HWND window, bool present) {
    if (!present) {
        CaptionOkWindows().erase(window);
        return;
    }
    if (!::IsWindow(window)) return;
    CaptionOkWindows().insert(window);
    const LONG_PTR style = ::GetWindowLongPtrW(window, GWL_STYLE);
    if (!(style & WS_SYSMENU)) {
        ::SetWindowLongPtrW(window, GWL_STYLE, style | WS_SYSMENU);
        ::SetWindowPos(window, nullptr, 0, 0, 0, 0, FrameChangeFlags);
    }
}

bool HasCaptionOkButton(HWND window) { return CaptionOkWindows().count(window) != 0; }

VirtualScreen CurrentVirtualScreen() {
    return VirtualScreen{::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN),
                         ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

Point ToProgram(POINT desktop) { return ToProgram(CurrentVirtualScreen(), Point{desktop.x, desktop.y}); }

POINT ToDesktop(Point program) {
    const Point desktop = ToDesktop(CurrentVirtualScreen(), program);
    return POINT{desktop.x, desktop.y};
}

bool IsChildWindow(HWND window) { return (::GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) != 0; }

}  // namespace win32

// ---- Classes ----

bool RegisterWindowClass(const WindowClass& windowClass) {
    if (!windowClass.name || !windowClass.procedure) return false;
    WNDCLASSW native{};
    native.style = windowClass.style;
    native.lpfnWndProc = win32::ClassWindowProcedure;
    native.hInstance = ToNative(windowClass.instance);
    native.hIcon = ToNative(windowClass.icon);
    native.hCursor = ToNative(windowClass.cursor);
    native.hbrBackground = ToNative(windowClass.background);
    native.lpszClassName = Wide(windowClass.name);
    const ATOM atom = ::RegisterClassW(&native);
    if (!atom) return false;
    ClassProcedures()[atom] = windowClass.procedure;
    return true;
}

bool UnregisterWindowClass(const char16_t* name, Module instance) {
    if (!name) return false;
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    const ATOM atom = ATOM(::GetClassInfoExW(ToNative(instance), Wide(name), &info));
    if (!::UnregisterClassW(Wide(name), ToNative(instance))) return false;
    if (atom) ClassProcedures().erase(atom);
    return true;
}

// ---- Making and ending windows ----

Window CreateWindowObject(uint32_t exStyle, const char16_t* className, const char16_t* title, uint32_t style,
                          int32_t x, int32_t y, int32_t width, int32_t height, Window parent, intptr_t id,
                          Module instance, void* createParam) {
    if (!className) return nullptr;
    const bool captionOk = (exStyle & ExStyleCaptionOkButton) != 0;
    const DWORD nativeExStyle = exStyle & ~ExStyleCaptionOkButton;
    const DWORD nativeStyle = style | (captionOk ? WS_SYSMENU : 0);
    // A child's id travels where a top-level window's menu would.
    HMENU menuOrId = (style & StyleChild) ? reinterpret_cast<HMENU>(id) : nullptr;
    // A top-level window's place is on the program's screen (a default place stays the desktop's).
    if (!(style & StyleChild) && x != int32_t(CW_USEDEFAULT)) {
        const POINT desktop = win32::ToDesktop(Point{x, y});
        x = desktop.x;
        y = desktop.y;
    }
    HWND window = ::CreateWindowExW(nativeExStyle, Wide(className), Wide(title ? title : u""), nativeStyle, x, y,
                                    width, height, ToNative(parent), menuOrId, ToNative(instance), createParam);
    if (!window) return nullptr;
    MadeWindows().insert(window);
    CountMade("windows");
    if (captionOk) win32::SetCaptionOkButton(window, true);
    return FromNative(window);
}

bool DestroyWindowObject(Window window) {
    HWND native = ToNative(window);
    if (!native || !::DestroyWindow(native)) return false;
    // Windows of other classes never report their end (the window's children end with it): whatever
    // of ours is no window any more is counted as released.
    for (auto it = MadeWindows().begin(); it != MadeWindows().end();) {
        if (::IsWindow(*it)) {
            ++it;
            continue;
        }
        it = MadeWindows().erase(it);
        CountReleased("windows");
    }
    return true;
}

bool IsWindowObject(Window window) { return window && ::IsWindow(ToNative(window)); }

// ---- Styles ----

uint32_t GetWindowStyle(Window window) {
    if (!IsWindowObject(window)) return 0;
    return uint32_t(::GetWindowLongPtrW(ToNative(window), GWL_STYLE));
}

void SetWindowStyle(Window window, uint32_t style) {
    if (!IsWindowObject(window)) return;
    HWND native = ToNative(window);
    ::SetWindowLongPtrW(native, GWL_STYLE, LONG_PTR(int32_t(style)));
    ::SetWindowPos(native, nullptr, 0, 0, 0, 0, FrameChangeFlags);
}

uint32_t GetWindowExStyle(Window window) {
    if (!IsWindowObject(window)) return 0;
    HWND native = ToNative(window);
    const uint32_t exStyle = uint32_t(::GetWindowLongPtrW(native, GWL_EXSTYLE));
    return exStyle | (win32::HasCaptionOkButton(native) ? ExStyleCaptionOkButton : 0);
}

void SetWindowExStyle(Window window, uint32_t exStyle) {
    if (!IsWindowObject(window)) return;
    HWND native = ToNative(window);
    const uint32_t nativeExStyle = exStyle & ~ExStyleCaptionOkButton;
    const uint32_t before = uint32_t(::GetWindowLongPtrW(native, GWL_EXSTYLE));
    ::SetWindowLongPtrW(native, GWL_EXSTYLE, LONG_PTR(int32_t(nativeExStyle)));
    win32::SetCaptionOkButton(native, (exStyle & ExStyleCaptionOkButton) != 0);
    // Always-on-top changes only through the window order.
    HWND order = nullptr;
    UINT flags = FrameChangeFlags;
    if ((before ^ nativeExStyle) & WS_EX_TOPMOST) {
        order = (nativeExStyle & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_NOTOPMOST;
        flags &= ~UINT(SWP_NOZORDER);
    }
    ::SetWindowPos(native, order, 0, 0, 0, 0, flags);
}

intptr_t GetWindowId(Window window) {
    if (!IsWindowObject(window)) return 0;
    return intptr_t(::GetWindowLongPtrW(ToNative(window), GWLP_ID));
}

Window GetParentWindow(Window window) {
    if (!IsWindowObject(window)) return nullptr;
    return FromNative(::GetParent(ToNative(window)));  // the parent of a child, the owner of a pop-up
}

// ---- Placement and visibility ----

bool MoveWindowTo(Window window, int32_t x, int32_t y, int32_t width, int32_t height, bool repaint) {
    if (!IsWindowObject(window)) return false;
    HWND native = ToNative(window);
    if (!win32::IsChildWindow(native)) {
        const POINT desktop = win32::ToDesktop(Point{x, y});
        x = desktop.x;
        y = desktop.y;
    }
    return ::MoveWindow(native, x, y, width, height, repaint) != 0;
}

bool ShowWindowAs(Window window, int command) {
    if (!IsWindowObject(window)) return false;
    return ::ShowWindow(ToNative(window), command) != 0;  // whether it was visible before
}

bool IsWindowShown(Window window) { return IsWindowObject(window) && ::IsWindowVisible(ToNative(window)); }

bool UpdateWindowNow(Window window) { return IsWindowObject(window) && ::UpdateWindow(ToNative(window)); }

// A hidden window is painted in full when it is shown again, so invalidating it is left out: the
// system would be asked on every refresh for nothing.
bool InvalidateWindowRect(Window window, const Rect* rect, bool erase) {
    if (!IsWindowObject(window)) return false;
    if (!::IsWindowVisible(ToNative(window))) return true;
    RECT native{};
    if (rect) native = ToRect(*rect);
    return ::InvalidateRect(ToNative(window), rect ? &native : nullptr, erase) != 0;
}

bool SetForeground(Window window) { return IsWindowObject(window) && ::SetForegroundWindow(ToNative(window)); }

Window GetForeground() { return FromNative(::GetForegroundWindow()); }

bool EnableWindowInput(Window window, bool enable) {
    if (!IsWindowObject(window)) return false;
    return ::EnableWindow(ToNative(window), enable) != 0;  // whether it was disabled before
}

bool IsWindowInputEnabled(Window window) { return IsWindowObject(window) && ::IsWindowEnabled(ToNative(window)); }

// ---- Texts ----

bool SetWindowTextTo(Window window, const char16_t* text) {
    if (!IsWindowObject(window)) return false;
    return ::SetWindowTextW(ToNative(window), Wide(text ? text : u"")) != 0;
}

int GetWindowTextOf(Window window, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = 0;
    if (!IsWindowObject(window)) return 0;
    return ::GetWindowTextW(ToNative(window), Wide(buffer), capacity);
}

// ---- The screen and geometry ----

Window GetDesktop() { return FromNative(::GetDesktopWindow()); }

// The desktop window stands for the whole program's screen: every monitor.
bool GetWindowRectangle(Window window, Rect* rect) {
    RECT native{};
    if (!rect || !window) return false;
    if (ToNative(window) == ::GetDesktopWindow()) {
        *rect = win32::ProgramScreenRect(win32::CurrentVirtualScreen());
        return true;
    }
    if (!::GetWindowRect(ToNative(window), &native)) return false;
    *rect = win32::ToProgram(win32::CurrentVirtualScreen(), FromRect(native));
    return true;
}

bool GetClientRectangle(Window window, Rect* rect) {
    RECT native{};
    if (!rect || !window || !::GetClientRect(ToNative(window), &native)) return false;
    *rect = FromRect(native);
    return true;
}

// ---- Focus ----

Window SetFocusTo(Window window) { return FromNative(::SetFocus(ToNative(window))); }

Window GetFocusWindow() { return FromNative(::GetFocus()); }

}  // namespace platform
