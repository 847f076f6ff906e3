// Dialogs and their controls, made from the dialog templates of a module. Every dialog runs through
// one desktop dialog procedure that calls the program's procedure kept with the dialog.
#include <algorithm>

#include "platform/Window.h"
#include "platform/win32/Handles.h"  // <windows.h> before the headers that build on it

#include <commctrl.h>

#include "platform/win32/WindowInternal.h"

namespace platform {

namespace {

// What reaches the desktop dialog procedure with WM_INITDIALOG: the program's procedure and its own
// initialisation parameter.
struct DialogStart {
    DialogProcedure procedure = nullptr;
    LParam initParam = 0;
};

// A dialog of its own (not a page inside another) opens in the middle of the screen, as on the
// handheld; the desktop would put it at its owner's corner, which may lie at the screen's edge.
void CentreOnScreen(HWND dialog) {
    if (::GetWindowLongPtrW(dialog, GWL_STYLE) & WS_CHILD) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT rect{};
    if (!::GetMonitorInfoW(::MonitorFromWindow(dialog, MONITOR_DEFAULTTOPRIMARY), &monitor) ||
        !::GetWindowRect(dialog, &rect))
        return;
    const RECT& area = monitor.rcWork;
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    const LONG x = std::max(area.left, area.left + (area.right - area.left - width) / 2);
    const LONG y = std::max(area.top, area.top + (area.bottom - area.top - height) / 2);
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

DialogProcedure ProcedureOf(HWND dialog) {
    return reinterpret_cast<DialogProcedure>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

INT_PTR CALLBACK CallDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* start = reinterpret_cast<const DialogStart*>(lParam);
        ::SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(start ? start->procedure : nullptr));
        lParam = start ? start->initParam : 0;
        CentreOnScreen(dialog);
    }
    DialogProcedure procedure = ProcedureOf(dialog);
    if (message == WM_NCDESTROY) win32::SetCaptionOkButton(dialog, false);
    if (!procedure) return FALSE;  // the messages before WM_INITDIALOG (the font) need no answer
    if (message == WM_CLOSE && win32::HasCaptionOkButton(dialog)) {
        // The caption's button of such a dialog is its OK button.
        procedure(FromNative(dialog), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        return TRUE;
    }
    return procedure(FromNative(dialog), message, wParam, lParam);
}

void AddExStyle(HWND window, LONG_PTR exStyle) {
    ::SetWindowLongPtrW(window, GWL_EXSTYLE, ::GetWindowLongPtrW(window, GWL_EXSTYLE) | exStyle);
}

// A page inside another window (the settings sheet's pages lie inside its tab control): the dialog
// manager moves the focus with Tab and the arrow keys into the page only when the page and every window
// between it and the dialog are marked as holding controls.
void JoinKeyboardNavigation(HWND page) {
    if (!(::GetWindowLongPtrW(page, GWL_STYLE) & WS_CHILD)) return;
    AddExStyle(page, WS_EX_CONTROLPARENT);
    for (HWND between = ::GetParent(page); between && (::GetWindowLongPtrW(between, GWL_STYLE) & WS_CHILD);
         between = ::GetParent(between))
        AddExStyle(between, WS_EX_CONTROLPARENT);
}

const DLGTEMPLATE* NativeTemplate(DialogTemplate dialogTemplate) {
    return reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate);
}

}  // namespace

bool InitCommonControlClasses(uint32_t classes) {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof init;
    init.dwICC = classes;
    // The tabbed settings pages hold trackbars, a class the desktop registers with a set of its own.
    if (classes & ICC_TAB_CLASSES) init.dwICC |= ICC_BAR_CLASSES;
    return ::InitCommonControlsEx(&init) != 0;
}

DialogTemplate FindDialogTemplate(Module module, int id) {
    HMODULE native = ToNative(module);
    HRSRC resource = ::FindResourceW(native, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_DIALOG));
    if (!resource) return nullptr;
    HGLOBAL loaded = ::LoadResource(native, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    // A damaged template (in a resource library) is treated as missing, so the program's own serves.
    if (!data || !win32::DialogTemplateFits(data, ::SizeofResource(native, resource))) return nullptr;
    return reinterpret_cast<DialogTemplate>(data);
}

intptr_t RunModalDialog(Module module, DialogTemplate dialogTemplate, Window owner, DialogProcedure procedure,
                        LParam initParam) {
    if (!dialogTemplate) return -1;
    DialogStart start{procedure, initParam};
    return ::DialogBoxIndirectParamW(ToNative(module), NativeTemplate(dialogTemplate), ToNative(owner),
                                     CallDialogProcedure, reinterpret_cast<LPARAM>(&start));
}

Window CreateModelessDialog(Module module, DialogTemplate dialogTemplate, Window parent,
                            DialogProcedure procedure, LParam initParam) {
    if (!dialogTemplate) return nullptr;
    if (parent && !::IsWindow(ToNative(parent))) return nullptr;
    DialogStart start{procedure, initParam};
    HWND dialog = ::CreateDialogIndirectParamW(ToNative(module), NativeTemplate(dialogTemplate), ToNative(parent),
                                               CallDialogProcedure, reinterpret_cast<LPARAM>(&start));
    if (dialog && parent) JoinKeyboardNavigation(dialog);
    return FromNative(dialog);
}

bool EndDialogWith(Window dialog, intptr_t result) { return dialog && ::EndDialog(ToNative(dialog), result); }

Window GetDialogItem(Window dialog, int id) {
    if (!dialog) return nullptr;
    return FromNative(::GetDlgItem(ToNative(dialog), id));
}

LResult SendDialogItemMessage(Window dialog, int id, uint32_t message, WParam wParam, LParam lParam) {
    HWND item = dialog ? ::GetDlgItem(ToNative(dialog), id) : nullptr;
    return item ? win32::SendConverted(item, message, wParam, lParam) : 0;
}

bool SetDialogItemText(Window dialog, int id, const char16_t* text) {
    if (!dialog) return false;
    return ::SetDlgItemTextW(ToNative(dialog), id, Wide(text ? text : u"")) != 0;
}

int GetDialogItemText(Window dialog, int id, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = 0;
    if (!dialog) return 0;
    return int(::GetDlgItemTextW(ToNative(dialog), id, Wide(buffer), capacity));
}

}  // namespace platform
