// The one window procedure of the magnifier, colour picker and tape windows; the tray icon and its
// callback and timer.
#include "shell/WindowProcedure.h"

#include <cstdint>

#include "magnifier/Animation.h"
#include "magnifier/KeyboardInteraction.h"
#include "magnifier/Magnifier.h"
#include "magnifier/PointerInteraction.h"
#include "magnifier/Rendering.h"
#include "magnifier/ScreenChange.h"
#include "settings/SettingsStore.h"
#include "shell/Commands.h"
#include "shell/Shell.h"
#include "shell/ShellState.h"
#include "shell/Tick.h"
#include "tools/ColorPicker.h"
#include "tools/Tape.h"

using namespace platform;

namespace {

constexpr uint32_t TrayRecordSize = 152;
constexpr uint32_t TrayIconFlags = TrayFlagMessage | TrayFlagIcon | TrayFlagTip;  // 7
constexpr WParam CopyKey = 'C';  // with Ctrl: copy the picked colour

enum class Target { Magnifier, ColorPicker, Tape, Other };

Target TargetOf(Window window) {
    const ShellState& s = Shell();
    if (!window) return Target::Other;
    if (window == s.MagnifierWindow) return Target::Magnifier;
    if (window == s.ColorPickerWindow) return Target::ColorPicker;
    if (window == s.TapeWindow) return Target::Tape;
    return Target::Other;
}

// The pointer position of a message in screen coordinates: the signed 16-bit halves of lParam are
// the receiving window's client coordinates.
Point ScreenPointOf(Window window, LParam lParam) {
    Point point{PointX(lParam), PointY(lParam)};
    ClientToScreenPoint(window, &point);
    return point;
}

bool KeyHeld(uint32_t virtualKey) { return GetKeyStateOf(int(virtualKey)) != 0; }

Point CursorPoint() {
    Point point;
    GetCursorPosition(&point);
    return point;
}

void Paint(Window window, Target target) {
    PaintInfo info;
    Surface surface = BeginPainting(window, &info);
    Magnifier* m = Shell().MagnifierObject;
    if (surface && m) {
        if (target == Target::Magnifier) PaintGlass(*m, surface, info);
        else if (target == Target::ColorPicker) PaintColorPicker(*m, surface);
        else if (target == Target::Tape) PaintTape(*m, surface);
    }
    EndPainting(window, &info);
}

void PointerMoved(Magnifier& m, Window window, Target target, WParam wParam, LParam lParam) {
    Point p = ScreenPointOf(window, lParam);
    if (!(wParam & KeyLButton)) return;
    if (target == Target::Magnifier) MagnifierPointerMove(m, p.x, p.y);
    else if (target == Target::ColorPicker) ColorPickerPointer(m, p.x, p.y);
    else if (target == Target::Tape) TapePointer(m, p.x, p.y);
}

void PointerReleased(Magnifier& m, Target target) {
    if (target == Target::Magnifier) MagnifierRelease(m);
    else if (target == Target::ColorPicker) ColorPickerRelease(m);
    else if (target == Target::Tape) TapeRelease(m);
}

void DoubleTapped(Magnifier& m, Window window, Target target, LParam lParam) {
    if (target == Target::Magnifier) {
        Point p = ScreenPointOf(window, lParam);
        if (!MagnifierDoubleTap(m, p.x, p.y)) HideAll(m);
    } else if (target == Target::ColorPicker) {
        HideColorPickerWindow(m, true, false);
    } else if (target == Target::Tape) {
        HideTapeWindow(m, true, false);
    }
}

void RightReleased(Magnifier& m, Window window, Target target, LParam lParam) {
    if (target == Target::Magnifier) {
        Point p = ScreenPointOf(window, lParam);
        if (MagnifierMenuHit(m, p.x, p.y)) ShowPopupMenu();
    } else if (target == Target::Tape) {
        Point p = ScreenPointOf(window, lParam);
        TapeMark(m, p.x, p.y);
    }
}

// A key pressed on one of the windows: the tape key on the tape, Ctrl+C on the colour picker, the
// zoom point and zoom keys on any of them.
void KeyPressed(Magnifier& m, Target target, WParam key) {
    if (target == Target::Tape && (key == VkControl || key == VkReturn)) {
        Point p = CursorPoint();
        TapeMark(m, p.x, p.y);
    } else if (target == Target::ColorPicker && key == CopyKey && KeyHeld(VkControl) && !KeyHeld(VkMenu)) {
        CopyPickedColor(m);
    } else {
        MagnifierKeyDown(m, uint32_t(key));
    }
}

// The hardware key: its code in the high word of lParam, 0x1000 in the low word on release.
void HotKeyPressed(Magnifier& m, LParam lParam) {
    if (HighWord(uintptr_t(lParam)) != GetHotKeyCode(m)) return;
    if (uintptr_t(lParam) & ModKeyUp) return;
    Point p = CursorPoint();
    TapeMark(m, p.x, p.y);
}

void TrayCallback(LParam pointerMessage) {
    ShellState& s = Shell();
    switch (pointerMessage) {
    case MsgLButtonDown:  // a tap: confirmed by the timer unless a double tap follows
        s.TrayTapPending = SetWindowTimer(s.MagnifierWindow, TrayTimerId, TrayDelayMs, TrayTimerProcedure) != 0;
        break;
    case MsgLButtonDoubleClick:
        KillWindowTimer(s.MagnifierWindow, TrayTimerId);
        s.TrayTapPending = false;
        ShowPopupMenu();
        break;
    case MsgRButtonDown:
        ShowPopupMenu();
        break;
    default:
        break;
    }
}

void MagnifierDestroyed() {
    Shutdown();
    PostQuit(0);
    Shell().MagnifierWindow = nullptr;  // the handle is gone; nothing may use it any more
}

// Messages that need the Magnifier; the caller has checked that it exists.
LResult WithMagnifier(Magnifier& m, Window window, Target target, uint32_t message, WParam wParam,
                      LParam lParam) {
    switch (message) {
    case MsgActivate:
        if (LowWord(wParam) != 0) RegisterTapeHotKey(m);  // a refusal (already registered) is harmless
        return 0;
    case MsgSettingChange:
        if (target == Target::Magnifier && wParam == ScreenChangeCode) ReconfigureScreen(m);
        return 0;
    case MsgKeyDown:
        KeyPressed(m, target, wParam);
        return 0;
    case MsgMouseMove:
        PointerMoved(m, window, target, wParam, lParam);
        return 0;
    case MsgLButtonUp:
    case MsgCaptureChanged:
        PointerReleased(m, target);
        return 0;
    case MsgLButtonDoubleClick:
        DoubleTapped(m, window, target, lParam);
        return 0;
    case MsgRButtonUp:
        RightReleased(m, window, target, lParam);
        return 0;
    case MsgMouseWheel:
        MagnifierWheel(m, int16_t(HighWord(wParam)));
        return 0;
    case MsgHotKey:
        HotKeyPressed(m, lParam);
        return 0;
    default:
        return 0;
    }
}

bool NeedsMagnifier(uint32_t message) {
    switch (message) {
    case MsgActivate:
    case MsgSettingChange:
    case MsgKeyDown:
    case MsgMouseMove:
    case MsgLButtonUp:
    case MsgCaptureChanged:
    case MsgLButtonDoubleClick:
    case MsgRButtonUp:
    case MsgMouseWheel:
    case MsgHotKey:
        return true;
    default:
        return false;
    }
}

// The desktop's close request (Alt+F4, or a task manager asking politely) never destroys one of the
// program's windows: on the glass it is the Close command, which saves the settings first; on a tool
// window it switches that tool off.
void CloseRequested(Target target) {
    const Magnifier* m = Shell().MagnifierObject;
    switch (target) {
    case Target::Magnifier: RunCommand(CommandClose); break;
    case Target::ColorPicker:
        if (m && IsColorPickerShown(*m)) RunCommand(CommandShowHideColorPicker);
        break;
    case Target::Tape:
        if (m && IsTapeShown(*m)) RunCommand(CommandShowHideTape);
        break;
    case Target::Other: break;
    }
}

}  // namespace

void AddTrayIcon(Window window) {
    ShellState& s = Shell();
    if (s.TrayIconAdded) return;
    if (!s.TrayIcon) s.TrayIcon = LoadIconResource(s.Instance, Res::IconTray);
    s.TrayIconData = TrayIconRecord{};
    s.TrayIconData.size = TrayRecordSize;
    s.TrayIconData.window = window;
    s.TrayIconData.id = TrayIconId;
    s.TrayIconData.flags = TrayIconFlags;
    s.TrayIconData.callbackMessage = TrayCallbackMessage;
    s.TrayIconData.icon = s.TrayIcon;
    // The tip field holds 63 characters and the terminating zero; a longer text is cut.
    LoadShellString(Res::StringTitle, s.TrayIconData.tip, int(sizeof s.TrayIconData.tip / sizeof(char16_t)));
    s.TrayIconAdded = TrayNotify(TrayAdd, &s.TrayIconData);
}

namespace {

LResult HandleMessage(Window window, uint32_t message, WParam wParam, LParam lParam) {
    ShellState& s = Shell();
    Target target = TargetOf(window);
    switch (message) {
    case MsgCreate:
        if (!s.MagnifierWindow) AddTrayIcon(window);  // the first window created is the magnifier window
        return 0;
    case MsgDestroy:
        if (target == Target::Magnifier) MagnifierDestroyed();
        return 0;
    case MsgClose:
        if (target == Target::Other) break;
        CloseRequested(target);
        return 0;
    case MsgEndSession:
        // The desktop's session ends (log-off, shut-down) and takes the program with it, without a Close:
        // the settings are kept as Close keeps them. A session end that was called off keeps nothing.
        if (target == Target::Magnifier && wParam && s.MagnifierObject) SaveToRegistry(*s.MagnifierObject);
        return 0;
    case MsgPaint:
        if (target == Target::Other) break;
        Paint(window, target);
        return 0;
    case MsgEraseBackground:
        return 1;  // never erased: every paint covers the whole window
    case MsgNotify:
        return 0;
    case MsgCommand:
        DecodeCommandMessage(wParam);
        return 0;
    case TrayCallbackMessage:
        if (target != Target::Magnifier || wParam != TrayIconId) break;
        TrayCallback(lParam);
        return 0;
    default:
        if (!NeedsMagnifier(message)) break;
        if (target == Target::Other) break;
        if (Magnifier* m = s.MagnifierObject) return WithMagnifier(*m, window, target, message, wParam, lParam);
        return 0;
    }
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

}  // namespace

LResult WindowProcedure(Window window, uint32_t message, WParam wParam, LParam lParam) {
    const LResult result = HandleMessage(window, message, wParam, lParam);
    WakeTick();  // every show, hide, locate, close and tray tap arrives as a message
    return result;
}

void TrayTimerProcedure(Window window, uint32_t, uintptr_t, uint32_t) {
    KillWindowTimer(window, TrayTimerId);  // it fires once
    Shell().TrayTapPending = false;
    RunCommand(CommandShowHide);
    WakeTick();
}
