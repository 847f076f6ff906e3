// Numeric values of the platform: message codes, styles, flags and result codes, as the handheld
// defines them.
#pragma once

#include <cstdint>

namespace platform {

// Messages.
constexpr uint32_t MsgCreate = 0x0001;
constexpr uint32_t MsgDestroy = 0x0002;
constexpr uint32_t MsgActivate = 0x0006;
constexpr uint32_t MsgSetFocus = 0x0007;
constexpr uint32_t MsgKillFocus = 0x0008;
constexpr uint32_t MsgEnable = 0x000A;
constexpr uint32_t MsgSetText = 0x000C;
constexpr uint32_t MsgGetText = 0x000D;
constexpr uint32_t MsgGetTextLength = 0x000E;
constexpr uint32_t MsgPaint = 0x000F;
constexpr uint32_t MsgClose = 0x0010;
constexpr uint32_t MsgQueryEndSession = 0x0011;
constexpr uint32_t MsgQuit = 0x0012;
constexpr uint32_t MsgEraseBackground = 0x0014;
constexpr uint32_t MsgEndSession = 0x0016;  // wParam: nonzero when the session really ends
constexpr uint32_t MsgSettingChange = 0x001A;
constexpr uint32_t MsgSetCursor = 0x0020;
constexpr uint32_t MsgHelp = 0x0053;
constexpr uint32_t MsgNotify = 0x004E;
constexpr uint32_t MsgKeyDown = 0x0100;
constexpr uint32_t MsgKeyUp = 0x0101;
constexpr uint32_t MsgChar = 0x0102;
constexpr uint32_t MsgSysKeyDown = 0x0104;
constexpr uint32_t MsgSysKeyUp = 0x0105;
constexpr uint32_t MsgSysChar = 0x0106;
constexpr uint32_t MsgInitDialog = 0x0110;
constexpr uint32_t MsgCommand = 0x0111;
constexpr uint32_t MsgSysCommand = 0x0112;
constexpr uint32_t MsgTimer = 0x0113;
constexpr uint32_t MsgHScroll = 0x0114;
constexpr uint32_t MsgVScroll = 0x0115;
constexpr uint32_t MsgMouseMove = 0x0200;
constexpr uint32_t MsgLButtonDown = 0x0201;
constexpr uint32_t MsgLButtonUp = 0x0202;
constexpr uint32_t MsgLButtonDoubleClick = 0x0203;
constexpr uint32_t MsgRButtonDown = 0x0204;
constexpr uint32_t MsgRButtonUp = 0x0205;
constexpr uint32_t MsgMouseWheel = 0x020A;
constexpr uint32_t MsgCaptureChanged = 0x0215;
constexpr uint32_t MsgHotKey = 0x0312;
constexpr uint32_t MsgUser = 0x0400;
constexpr uint32_t MsgApp = 0x8000;

// Key state flags carried in the first parameter of pointer messages.
constexpr uint32_t KeyLButton = 0x0001;
constexpr uint32_t KeyRButton = 0x0002;
constexpr uint32_t KeyShift = 0x0004;
constexpr uint32_t KeyControl = 0x0008;

// Virtual keys.
constexpr uint32_t VkReturn = 0x0D;
constexpr uint32_t VkShift = 0x10;
constexpr uint32_t VkControl = 0x11;
constexpr uint32_t VkMenu = 0x12;  // Alt
constexpr uint32_t VkEscape = 0x1B;
constexpr uint32_t VkTab = 0x09;
constexpr uint32_t VkF1 = 0x70;
constexpr uint32_t VkLeft = 0x25;
constexpr uint32_t VkUp = 0x26;
constexpr uint32_t VkRight = 0x27;
constexpr uint32_t VkDown = 0x28;
constexpr uint32_t VkAdd = 0x6B;       // "+" on the keypad
constexpr uint32_t VkSubtract = 0x6D;  // "-" on the keypad
constexpr uint32_t VkOemPlus = 0xBB;   // the "+" key of the main keyboard
constexpr uint32_t VkOemMinus = 0xBD;  // the "-" key of the main keyboard

// Hot keys.
constexpr uint32_t ModWin = 0x0008;
constexpr uint32_t ModKeyUp = 0x1000;

// Window styles.
constexpr uint32_t StyleOverlapped = 0x00000000;
constexpr uint32_t StylePopup = 0x80000000;
constexpr uint32_t StyleChild = 0x40000000;
constexpr uint32_t StyleVisible = 0x10000000;
constexpr uint32_t StyleDisabled = 0x08000000;
constexpr uint32_t StyleCaption = 0x00C00000;  // border and title bar
constexpr uint32_t StyleBorder = 0x00800000;
constexpr uint32_t StyleVScroll = 0x00200000;
constexpr uint32_t StyleSysMenu = 0x00080000;
constexpr uint32_t StyleTabStop = 0x00010000;
constexpr uint32_t StyleGroup = 0x00020000;

constexpr uint32_t ExStyleTopmost = 0x00000008;
constexpr uint32_t ExStyleToolWindow = 0x00000080;
constexpr uint32_t ExStyleContextHelp = 0x00000400;
constexpr uint32_t ExStyleCaptionOkButton = 0x80000000;

// Class styles.
constexpr uint32_t ClassVRedraw = 0x0001;
constexpr uint32_t ClassHRedraw = 0x0002;
constexpr uint32_t ClassDoubleClicks = 0x0008;

// ShowWindow commands.
constexpr int ShowHide = 0;
constexpr int ShowNormal = 1;
constexpr int ShowShow = 5;

// System cursors.
constexpr int CursorArrow = 32512;
constexpr int CursorSizeWE = 32644;
constexpr int CursorSizeNS = 32645;
constexpr int CursorSizeAll = 32646;

// Common controls class sets.
constexpr uint32_t ControlClassesTab = 0x0008;

// Tray.
constexpr uint32_t TrayAdd = 0;
constexpr uint32_t TrayModify = 1;
constexpr uint32_t TrayDelete = 2;
constexpr uint32_t TrayFlagMessage = 0x1;
constexpr uint32_t TrayFlagIcon = 0x2;
constexpr uint32_t TrayFlagTip = 0x4;

// Menus.
constexpr uint32_t MenuString = 0x0000;
constexpr uint32_t MenuGrayed = 0x0001;
constexpr uint32_t MenuChecked = 0x0008;
constexpr uint32_t MenuSeparator = 0x0800;
constexpr uint32_t TrackRightAlign = 0x0008;
constexpr uint32_t TrackBottomAlign = 0x0020;
constexpr uint32_t TrackReturnCommand = 0x0100;

// Accelerator flags.
constexpr uint8_t AccelVirtKey = 0x01;
constexpr uint8_t AccelNoInvert = 0x02;
constexpr uint8_t AccelShift = 0x04;
constexpr uint8_t AccelControl = 0x08;
constexpr uint8_t AccelAlt = 0x10;
constexpr uint8_t AccelLast = 0x80;

// Last-error and wait results.
constexpr uint32_t ErrorSuccess = 0;
constexpr uint32_t ErrorFileNotFound = 2;
constexpr uint32_t ErrorInvalidHandle = 6;
constexpr uint32_t ErrorMoreData = 234;
constexpr uint32_t ErrorAlreadyExists = 183;
constexpr uint32_t ErrorNoMoreFiles = 18;
constexpr uint32_t WaitObject0 = 0;
constexpr uint32_t WaitTimeout = 258;
constexpr uint32_t WaitFailed = 0xFFFFFFFF;

// Registry.
constexpr uint32_t RegNone = 0;
constexpr uint32_t RegSz = 1;
constexpr uint32_t RegExpandSz = 2;
constexpr uint32_t RegBinary = 3;
constexpr uint32_t RegDword = 4;
constexpr uint32_t RegMultiSz = 7;

// Sound flags.
constexpr uint32_t SoundAsync = 0x0001;
constexpr uint32_t SoundFileName = 0x00020000;

// Drawing: raster operations, line modes, stretch modes, background modes, text formats.
constexpr uint32_t RopSrcCopy = 0x00CC0020;
constexpr int Rop2CopyPen = 13;
constexpr int Rop2XorPen = 7;
constexpr int StretchColorOnColor = 3;
constexpr int StretchHalftone = 4;
constexpr int StretchBilinear = 5;
constexpr int BackgroundTransparent = 1;
constexpr int BackgroundOpaque = 2;
constexpr uint32_t TextLeft = 0x0000;
constexpr uint32_t TextCenter = 0x0001;
constexpr uint32_t TextVCenter = 0x0004;
constexpr uint32_t TextSingleLine = 0x0020;
constexpr uint32_t TextWordBreak = 0x0010;
constexpr uint32_t TextCalcRect = 0x0400;
constexpr int PenSolid = 0;
constexpr int DeviceLogPixelsX = 88;
constexpr int DeviceLogPixelsY = 90;
constexpr int SysColorButtonFace = 15;
constexpr int SysColorWindow = 5;
constexpr int SysColorWindowText = 8;

// Font record values.
constexpr int32_t FontWeightNormal = 400;
constexpr uint8_t FontQualityAntialiased = 4;
constexpr uint8_t FontFamilySwiss = 0x20;

// Dialog messages and results.
constexpr uint32_t DialogOk = 1;
constexpr uint32_t DialogCancel = 2;
constexpr uint32_t ButtonClicked = 0;     // notification code of a push button or check box
constexpr uint32_t ComboSelChange = 1;    // notification code of a drop-down list
constexpr uint32_t EditChange = 0x0300;   // notification code of an edit

constexpr uint32_t ButtonGetCheck = 0x00F0;
constexpr uint32_t ButtonSetCheck = 0x00F1;
constexpr uint32_t CheckUnchecked = 0;
constexpr uint32_t CheckChecked = 1;

// A picture label's icon: set (wParam, not owned by the label; returns the previous one) and read.
constexpr uint32_t StaticSetIcon = 0x0170;
constexpr uint32_t StaticGetIcon = 0x0171;

constexpr uint32_t ComboAddString = 0x0143;
constexpr uint32_t ComboGetCount = 0x0146;
constexpr uint32_t ComboGetCurSel = 0x0147;
constexpr uint32_t ComboGetLbText = 0x0148;
constexpr uint32_t ComboGetLbTextLen = 0x0149;
constexpr uint32_t ComboResetContent = 0x014B;
constexpr uint32_t ComboSelectString = 0x014D;
constexpr uint32_t ComboSetCurSel = 0x014E;
constexpr uint32_t ComboFindString = 0x014C;
constexpr int32_t ComboError = -1;

constexpr uint32_t TrackbarGetPos = 0x0400;
constexpr uint32_t TrackbarGetRangeMin = 0x0401;
constexpr uint32_t TrackbarGetRangeMax = 0x0402;
constexpr uint32_t TrackbarSetPos = 0x0405;
constexpr uint32_t TrackbarSetRange = 0x0406;
constexpr uint32_t TrackbarSetRangeMin = 0x0407;
constexpr uint32_t TrackbarSetRangeMax = 0x0408;
constexpr uint32_t TrackbarSetTicFreq = 0x0414;

constexpr uint32_t TabGetCurSel = 0x130B;
constexpr uint32_t TabSetCurSel = 0x130C;
constexpr uint32_t TabGetItemCount = 0x1304;
constexpr uint32_t TabInsertItem = 0x133E;  // wide; lParam points to a TabItem
constexpr uint32_t TabSelChange = uint32_t(-551);  // notification code

// Control class names used in dialog templates.
inline constexpr const char16_t* ClassButton = u"BUTTON";
inline constexpr const char16_t* ClassStatic = u"STATIC";
inline constexpr const char16_t* ClassEdit = u"EDIT";
inline constexpr const char16_t* ClassComboBox = u"COMBOBOX";
inline constexpr const char16_t* ClassTrackbar = u"msctls_trackbar32";
inline constexpr const char16_t* ClassTabControl = u"SysTabControl32";

}  // namespace platform
