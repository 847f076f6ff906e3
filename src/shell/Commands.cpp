// The command dispatcher: commands, the settings sheet, the pop-up menu, command messages and help.
#include "shell/Commands.h"

#include <string>

#include "magnifier/Animation.h"
#include "magnifier/Magnifier.h"
#include "settings/SettingsSheet.h"
#include "settings/SettingsStore.h"
#include "shell/Shell.h"
#include "shell/ShellState.h"

using namespace platform;

namespace {

constexpr uint16_t MenuNotification = 110;
constexpr uint32_t PopupMenuFlags = TrackRightAlign | TrackBottomAlign | TrackReturnCommand;  // 0x128
constexpr int MenuTextCapacity = 101;   // at most 100 characters
constexpr int HelpFolderCapacity = 16;  // at most 15 characters
constexpr size_t PathCapacity = 260;
constexpr intptr_t DialogFailed = -1;

// Menu ids are the string ids of their texts.
bool CommandOfMenuId(uintptr_t id, int32_t* command) {
    switch (id) {
    case Res::StringShowHide: *command = CommandShowHide; return true;
    case Res::StringShowHideColor: *command = CommandShowHideColorPicker; return true;
    case Res::StringClose: *command = CommandClose; return true;
    case Res::StringSettings: *command = CommandSettings; return true;
    case Res::StringCorrecting: *command = CommandToggleCorrection; return true;
    case Res::StringShowHideTape: *command = CommandShowHideTape; return true;
    default: return false;
    }
}

void RunMenuId(uintptr_t id) {
    int32_t command = 0;
    if (CommandOfMenuId(id, &command)) RunCommand(command);
}

void ToggleMagnifier(Magnifier& m) {
    if (IsVisible(m)) HideAll(m);
    else if (!Shell().Closing) ShowMagnifier(m);
}

void ToggleColorPicker(Magnifier& m) {
    if (IsColorPickerShown(m)) HideColorPickerWindow(m, true, false);
    else if (!Shell().Closing) ShowColorPickerWindow(m, true);
}

void ToggleTape(Magnifier& m) {
    if (IsTapeShown(m)) HideTapeWindow(m, true, false);
    else if (!Shell().Closing) ShowTapeWindow(m, true);
}

void ToggleCorrection(Magnifier& m) { SetAdjustMode(m, GetAdjustMode(m) == 0 ? 1 : 0); }

void Close(Magnifier& m) {
    SaveToRegistry(m);
    Shell().Closing = true;
    HideAll(m);  // the tick ends the program once the glass reports itself hidden
}

// The sheet template of the resource module; a resource library without one falls back to the
// executable's, so the settings stay reachable.
DialogTemplate SheetTemplate(Module* module) {
    const ShellState& s = Shell();
    *module = s.ResourceInstance;
    DialogTemplate sheet = FindDialogTemplate(s.ResourceInstance, Res::DialogSheet);
    if (!sheet && s.ResourceInstance != s.Instance) {
        *module = s.Instance;
        sheet = FindDialogTemplate(s.Instance, Res::DialogSheet);
    }
    return sheet;
}

intptr_t RunSheet() {
    ShellState& s = Shell();
    Module module = nullptr;
    DialogTemplate sheet = SheetTemplate(&module);
    if (!sheet) return DialogFailed;
    return RunModalDialog(module, sheet, s.MagnifierWindow, SettingsSheetProcedure, 0);
}

void OpenSettingsSheet(Magnifier& m) {
    ShellState& s = Shell();
    if (s.SettingsSheetOpen) {  // one sheet at a time: bring the running one to the front
        if (s.SettingsSheetWindow) SetForeground(s.SettingsSheetWindow);
        return;
    }
    SettleScreenMarks(m);  // the sheet covers the screen and may move the windows when it ends
    CopySettings(m, &s.EditedSettings);
    s.SettingsSheetOpen = true;
    UnregisterHotKeyFor(s.MagnifierWindow, int(GetHotKeyCode(m)));

    intptr_t result = RunSheet();

    // The sheet has ended, whichever way: no sheet is open any more.
    s.SettingsSheetOpen = false;
    s.SettingsSheetWindow = nullptr;
    // The program may have shut down while the sheet ran (its loop keeps the tick going).
    if (Magnifier* live = s.MagnifierObject) {
        if (result != 0 && result != DialogFailed) ApplyEditedSettings(*live, s.EditedSettings);
        else RegisterTapeHotKey(*live);  // Cancel, or no sheet could be made
    }
    if (s.SkinPreviewBitmap) {
        DeleteBitmapObject(s.SkinPreviewBitmap);
        s.SkinPreviewBitmap = nullptr;
    }
}

bool AppendText(Menu menu, int id, bool checked) {
    char16_t text[MenuTextCapacity] = {};
    LoadShellString(id, text, MenuTextCapacity);
    return AppendMenuItem(menu, MenuString | (checked ? MenuChecked : 0), uintptr_t(id), text);
}

bool FillPopupMenu(Menu menu, const Magnifier& m) {
    return AppendText(menu, Res::StringShowHide, false) &&
           AppendText(menu, Res::StringShowHideColor, IsColorPickerShown(m)) &&
           AppendText(menu, Res::StringShowHideTape, IsTapeShown(m)) &&
           AppendText(menu, Res::StringCorrecting, GetAdjustMode(m) != 0) &&
           AppendText(menu, Res::StringSettings, false) && AppendMenuItem(menu, MenuSeparator, 0, nullptr) &&
           AppendText(menu, Res::StringClose, false);
}

// "<exe folder>[\<help folder>]\Help\Index.htm#Main_Contents"; empty when it would not fit 260 characters.
std::u16string HelpPath() {
    const ShellState& s = Shell();
    char16_t folder[PathCapacity] = {};
    if (!GetExecutableFolder(s.Instance, folder)) return {};
    std::u16string path = folder;
    char16_t language[HelpFolderCapacity] = {};
    if (LoadStringResource(s.ResourceInstance, Res::StringHelpFolder, language, HelpFolderCapacity) > 0) {
        path += u"\\";
        path += language;
    }
    path += u"\\Help\\Index.htm#Main_Contents";
    if (path.size() >= PathCapacity) return {};
    return path;
}

}  // namespace

void RunCommand(int32_t command) {
    Magnifier* m = Shell().MagnifierObject;
    if (!m) return;
    switch (command) {
    case CommandShowHide: ToggleMagnifier(*m); break;
    case CommandShowHideColorPicker: ToggleColorPicker(*m); break;
    case CommandShowHideTape: ToggleTape(*m); break;
    case CommandToggleCorrection: ToggleCorrection(*m); break;
    case CommandSettings: OpenSettingsSheet(*m); break;
    case CommandClose: Close(*m); break;
    default: break;
    }
}

void ShowPopupMenu() {
    ShellState& s = Shell();
    const Magnifier* m = s.MagnifierObject;
    if (!m) return;  // no item could run
    if (s.PopupMenu) {
        DestroyMenuObject(s.PopupMenu);
        s.PopupMenu = nullptr;
    }
    s.PopupMenu = CreatePopupMenuObject();
    if (!s.PopupMenu) return;
    if (!FillPopupMenu(s.PopupMenu, *m)) return;
    Point cursor;
    GetCursorPosition(&cursor);
    int chosen = TrackPopupMenuAt(s.PopupMenu, PopupMenuFlags, cursor.x, cursor.y, s.MagnifierWindow);
    if (chosen > 0) RunMenuId(uintptr_t(chosen));
}

void DecodeCommandMessage(WParam wParam) {
    uint16_t id = LowWord(wParam);
    if (HighWord(wParam) == MenuNotification) {
        RunMenuId(id);
        return;
    }
    Magnifier* m = Shell().MagnifierObject;
    switch (id) {
    case Res::AccelHideAll:
        if (m) HideAll(*m);
        break;
    case Res::AccelLocator:
        if (m) RequestLocator(*m);
        break;
    case Res::AccelHelp:
        OpenHelp();
        break;
    default:
        break;
    }
}

void OpenHelp() {
    std::u16string path = HelpPath();
    if (path.empty()) return;
    ProcessInfo process;
    if (!StartProcess(u"peghelp", path.c_str(), &process)) return;
    CloseProcessHandle(process.process);
    CloseProcessHandle(process.thread);
}
