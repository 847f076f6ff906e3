// The process-wide record of the application shell.
#pragma once

#include <cstdint>

#include "magnifier/Magnifier.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

struct ShellState {
    platform::Module Instance = nullptr;
    platform::Module ResourceLibrary = nullptr;
    platform::Module ResourceInstance = nullptr;
    platform::Window MagnifierWindow = nullptr;
    platform::Window ColorPickerWindow = nullptr;
    platform::Window TapeWindow = nullptr;
    Magnifier* MagnifierObject = nullptr;
    bool Closing = false;
    // The tick's count (read it through TicksSinceRefresh()): the 40 ms ticks up to the last tick that
    // ran. While the tick rests, the ticks it skips are counted from the clock since TickRestStart, the
    // moment the tick would have been set again.
    int32_t TicksCounted = 0;
    bool TickResting = false;
    uint32_t TickRestStart = 0;
    uint32_t TickRestTicks = 0;  // the ticks the rest stands for, its own included
    uint32_t TickTimerInterval = 0;  // the interval the tick's timer repeats at; 0 while it is not set
    bool TrayTapPending = false;  // a tap on the tray icon waits for the tray timer
    platform::TrayIconRecord TrayIconData;
    bool TrayIconAdded = false;
    platform::Icon TrayIcon = nullptr;
    platform::Menu PopupMenu = nullptr;
    bool SettingsSheetOpen = false;
    platform::Window SettingsSheetWindow = nullptr;
    Settings EditedSettings;
    platform::Bitmap SkinPreviewBitmap = nullptr;
    platform::Icon ClassIcon = nullptr;  // icon 101, shared by the three window classes

    // Counts 40 ms ticks since the last timed refresh of the view, the resting tick's skipped ones included.
    int32_t TicksSinceRefresh() const;
};

// The shell of the running process. Each run of the entry point has its own record (a second copy of
// the program started on the same simulated device gets a fresh one while it runs).
ShellState& Shell();

// Ids of the program's resources.
namespace Res {
constexpr int StringTitle = 1;
constexpr int StringMagnifierClass = 2;
constexpr int StringShowHide = 3;
constexpr int StringShowHideColor = 4;
constexpr int StringClose = 5;
constexpr int StringAbout = 6;
constexpr int StringSettings = 7;
constexpr int StringColorPickerClass = 8;
constexpr int StringCorrecting = 9;
constexpr int StringShowHideTape = 10;
constexpr int StringTapeClass = 11;
constexpr int StringTabFirst = 12;  // 12 Common, 13 Skin, 14 Correcting, 15 Units, 16 (skipped), 17 About
constexpr int StringHelpFolder = 20;
constexpr int IconProgram = 101;
constexpr int IconTray = 140;
constexpr int AcceleratorTable = 129;
constexpr int CursorAim = 134;
constexpr int CursorColorPicker = 144;
constexpr int CursorBrightness = 146;
constexpr int CursorCorrection = 147;
constexpr int CursorContrast = 148;
constexpr int CursorTape = 149;
constexpr int DialogSheet = 143;
constexpr int DialogCommon = 150;
constexpr int DialogSkin = 151;
constexpr int DialogCorrecting = 152;
constexpr int DialogUnits = 153;
constexpr int DialogControl = 154;
constexpr int DialogAbout = 141;
constexpr int AccelHideAll = 32771;
constexpr int AccelLocator = 32773;
constexpr int AccelHelp = 32775;
}  // namespace Res
