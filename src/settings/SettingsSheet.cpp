// The settings sheet: a modal, tabbed dialog that edits EditedSettings, a whole copy of the settings,
// and hands the edited fields back to the Magnifier only when the user confirms with OK.
#include "settings/SettingsSheet.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "magnifier/SkinLayout.h"
#include "shell/Commands.h"
#include "shell/Shell.h"
#include "shell/ShellState.h"

using namespace platform;

namespace {

// Controls of the sheet and its pages.
constexpr int TabControlId = 1010;
constexpr int SmoothCheckId = 1000;
constexpr int GlareCheckId = 1001;
constexpr int AnimationCheckId = 1002;
constexpr int SoundCheckId = 1009;
constexpr int ZoomTrackbarId = 1003;
constexpr int SizeTrackbarId = 1004;
constexpr int SkinListId = 1011;
constexpr int BrightTrackbarId = 1012;
constexpr int ContrastTrackbarId = 1013;
constexpr int HorizontalPpiEditId = 1014;
constexpr int VerticalPpiEditId = 1015;
constexpr int ResetButtonId = 1018;
constexpr int AboutPictureId = 1019;

// Pages, in the order of their handles.
enum Page { PageCommon, PageSkin, PageCorrecting, PageUnits, PageControl, PageAbout, PageCount };
constexpr int PageTemplates[PageCount] = {Res::DialogCommon, Res::DialogSkin,    Res::DialogCorrecting,
                                          Res::DialogUnits,  Res::DialogControl, Res::DialogAbout};
constexpr int TabStringSkipped = 4;     // string 16 gets no tab
constexpr int AboutTabIndex = 4;        // the fifth tab shows the About page
constexpr int TabTextCapacity = 51;     // at most 50 characters
constexpr int PpiTextCapacity = 260;    // at most 259 characters
constexpr size_t SkinExtensionLength = 4;  // ".bmp"
// A list item must leave room for ".bmp" and the terminating zero in SkinName.
constexpr size_t MaxSkinItemLength = sizeof(Settings::SkinName) / sizeof(char16_t) - SkinExtensionLength - 1;

constexpr int32_t ZoomSteps = 10;       // the zoom trackbar counts tenths
constexpr int32_t ZoomTrackMin = 10;
constexpr int32_t ZoomTrackMax = 100;
constexpr int32_t ZoomTickFrequency = 18;
constexpr int32_t CorrectionTrackMin = 0;
constexpr int32_t CorrectionTrackMax = 100;
constexpr int32_t CorrectionTickFrequency = 10;
constexpr int32_t CorrectionNeutral = 50;
constexpr int32_t CorrectionSteps = 100;  // the correction trackbars count hundredths
constexpr int32_t SizeTickDivisions = 5;

constexpr int32_t PreviewSize = 150;
constexpr int32_t PreviewHalf = 75;
constexpr int32_t PreviewBottomSpace = 160;

constexpr float MinZoom = 1.0f;
constexpr float MaxZoom = 10.0f;

// The sheet's own data: the tab control and the six pages.
struct SheetData {
    Window sheet = nullptr;
    Window tab = nullptr;
    Window pages[PageCount] = {};
};
SheetData sheetData;

Window PageWindow(Page page) { return sheetData.pages[page]; }

// Truncation toward zero that stays defined for values outside the integer range.
int32_t TruncateToInt(double value) {
    if (std::isnan(value)) return 0;
    if (value >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (value <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(value);
}

std::u16string TextOf(const char16_t* text, size_t capacity) {
    size_t length = 0;
    while (length < capacity && text[length]) ++length;
    return std::u16string(text, length);
}

// A number as "%ld" reads it: leading blanks, an optional sign and at least one digit. A value beyond
// the range of the handheld's 32-bit long saturates.
std::optional<int32_t> ParseLong(const std::u16string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    if (i >= text.size() || text[i] < u'0' || text[i] > u'9') return std::nullopt;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min<int64_t>(value * 10 + (text[i] - u'0'), int64_t(1) << 32);
    value = negative ? -value : value;
    return int32_t(std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::u16string FormatLong(int32_t value) {
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// ---- Reading and setting controls ----

LResult Send(Page page, int id, uint32_t message, WParam wParam, LParam lParam) {
    return SendDialogItemMessage(PageWindow(page), id, message, wParam, lParam);
}

void SetCheck(Page page, int id, int32_t value) {
    Send(page, id, ButtonSetCheck, value != 0 ? CheckChecked : CheckUnchecked, 0);
}

int32_t IsChecked(Page page, int id) { return Send(page, id, ButtonGetCheck, 0, 0) == LResult(CheckChecked) ? 1 : 0; }

void SetTrackRange(Page page, int id, int32_t low, int32_t high, int32_t tickFrequency) {
    Send(page, id, TrackbarSetTicFreq, WParam(tickFrequency), 0);
    Send(page, id, TrackbarSetRange, 1, MakeLParam(low, high));
}

void SetTrackPosition(Page page, int id, int32_t position) { Send(page, id, TrackbarSetPos, 1, LParam(position)); }

int32_t TrackPosition(Page page, int id) { return int32_t(Send(page, id, TrackbarGetPos, 0, 0)); }

// The text of a list item; nothing when there is no such item or it would not fit SkinName.
std::optional<std::u16string> ListItemText(int index) {
    if (index < 0) return std::nullopt;
    LResult length = Send(PageSkin, SkinListId, ComboGetLbTextLen, WParam(index), 0);
    if (length < 0 || size_t(length) > MaxSkinItemLength) return std::nullopt;
    char16_t buffer[MaxSkinItemLength + 1] = {};
    if (Send(PageSkin, SkinListId, ComboGetLbText, WParam(index), LParam(buffer)) < 0) return std::nullopt;
    return TextOf(buffer, MaxSkinItemLength + 1);
}

int SelectedSkinIndex() { return int(Send(PageSkin, SkinListId, ComboGetCurSel, 0, 0)); }

// ---- Setting up the sheet ----

void InsertTabs() {
    for (int i = 0; i < PageCount; ++i) {
        if (i == TabStringSkipped) continue;
        char16_t text[TabTextCapacity] = {};
        LoadShellString(Res::StringTabFirst + i, text, TabTextCapacity);
        TabItem item;
        item.text = text;
        SendToWindow(sheetData.tab, TabInsertItem, WParam(i), LParam(&item));
    }
}

// A resource library holds no icons, so the About page made from one would show an empty picture: the
// picture is the program's own icon (the class icon, which lives as long as the program) in any case.
void ShowProgramIconOnAbout() {
    const Window about = PageWindow(PageAbout);
    const Icon icon = Shell().ClassIcon;
    if (!about || !icon || !GetDialogItem(about, AboutPictureId)) return;
    if (Send(PageAbout, AboutPictureId, StaticGetIcon, 0, 0) == 0)
        Send(PageAbout, AboutPictureId, StaticSetIcon, WParam(icon), 0);
}

// The pages come from the resource module; one that a resource library lacks is taken from the
// executable, so that the sheet stays complete.
void CreatePages() {
    const ShellState& shell = Shell();
    for (int i = 0; i < PageCount; ++i) {
        Module module = shell.ResourceInstance;
        DialogTemplate page = FindDialogTemplate(module, PageTemplates[i]);
        if (!page && shell.Instance && shell.Instance != module) {
            module = shell.Instance;
            page = FindDialogTemplate(module, PageTemplates[i]);
        }
        sheetData.pages[i] = page ? CreateModelessDialog(module, page, sheetData.tab, SettingsSheetProcedure, 0) : nullptr;
    }
    ShowProgramIconOnAbout();
    if (PageWindow(PageCommon)) ShowWindowAs(PageWindow(PageCommon), ShowShow);
}

void FillSkinList() {
    char16_t folder[260] = {};
    if (!GetExecutableFolder(Shell().Instance, folder)) return;
    const std::u16string pattern = TextOf(folder, 260) + u"\\Skins\\*.bmp";
    FindData data;
    FindHandle find = FindFirstFileAt(pattern.c_str(), &data);
    if (!find) return;
    do {
        if (data.directory) continue;
        std::u16string name = TextOf(data.name, std::size(data.name));
        if (name.size() < SkinExtensionLength) continue;
        name.resize(name.size() - SkinExtensionLength);
        // A name that would not fit SkinName together with ".bmp" is left out of the list.
        if (name.size() > MaxSkinItemLength) continue;
        Send(PageSkin, SkinListId, ComboAddString, 0, LParam(name.c_str()));
    } while (FindNextFileAt(find, &data));
    FindCloseHandle(find);
}

// Selects the item of the current skin: the list's own case-insensitive prefix search, kept only when
// the item found is the skin itself. (A missing skin whose name begins another skin's name would
// otherwise select that other skin, and OK would change the skin without the user choosing it.)
void SelectCurrentSkin(const Settings& edited) {
    std::u16string name = TextOf(edited.SkinName, std::size(edited.SkinName));
    name.resize(name.size() >= SkinExtensionLength ? name.size() - SkinExtensionLength : 0);
    LResult index = Send(PageSkin, SkinListId, ComboSelectString, WParam(-1), LParam(name.c_str()));
    if (index >= 0 && Send(PageSkin, SkinListId, ComboGetLbTextLen, WParam(index), 0) != LResult(name.size()))
        Send(PageSkin, SkinListId, ComboSetCurSel, WParam(-1), 0);
    LoadSkinPreview(name.c_str());
}

// The trackbar position that shows a stored value: its steps truncated, except that a value the sheet
// itself stored (position x step, rounded to a float) gives back its own position, even where the float
// lies just below the step (0.45f is 0.449999...).
int32_t StepPosition(float value, int32_t steps) {
    const int32_t position = TruncateToInt(double(value) * steps);
    if (position < std::numeric_limits<int32_t>::max() && float((position + 1) * (1.0 / steps)) == value)
        return position + 1;
    return position;
}

void SetUpSheet(Window sheet) {
    ShellState& shell = Shell();
    const Settings& edited = shell.EditedSettings;
    const Magnifier* m = shell.MagnifierObject;
    sheetData = SheetData{};
    sheetData.sheet = sheet;
    sheetData.tab = GetDialogItem(sheet, TabControlId);
    InsertTabs();                                                                         // 1
    CreatePages();                                                                        // 2
    SetWindowExStyle(sheet, GetWindowExStyle(sheet) | ExStyleCaptionOkButton | ExStyleContextHelp);  // 3
    SetTrackRange(PageCommon, ZoomTrackbarId, ZoomTrackMin, ZoomTrackMax, ZoomTickFrequency);      // 4
    if (m) {                                                                              // 5
        const WindowSizeBounds bounds = GetWindowSizeBounds(*m);
        SetTrackRange(PageCommon, SizeTrackbarId, bounds.min, bounds.max, (bounds.max - bounds.min) / SizeTickDivisions);
    }
    EnableWindowInput(GetDialogItem(PageWindow(PageCommon), GlareCheckId), false);        // 6
    FillSkinList();                                                                       // 7
    for (int id : {BrightTrackbarId, ContrastTrackbarId}) {                               // 8
        SetTrackRange(PageCorrecting, id, CorrectionTrackMin, CorrectionTrackMax, CorrectionTickFrequency);
        SetTrackPosition(PageCorrecting, id, CorrectionNeutral);
    }
    SetCheck(PageCommon, SmoothCheckId, edited.SmoothImg);                                // 9
    SetCheck(PageCommon, AnimationCheckId, edited.ShowAnim);
    SetCheck(PageCommon, SoundCheckId, edited.PlaySound);
    SetTrackPosition(PageCommon, ZoomTrackbarId, TruncateToInt(edited.ZoomX * float(ZoomSteps)));  // single precision
    SetTrackPosition(PageCommon, SizeTrackbarId, edited.WindowSize);
    SelectCurrentSkin(edited);                                                            // 10
    SetTrackPosition(PageCorrecting, BrightTrackbarId, StepPosition(edited.Bright, CorrectionSteps));  // 11
    SetTrackPosition(PageCorrecting, ContrastTrackbarId, StepPosition(edited.Contrast, CorrectionSteps));
    SetDialogItemText(PageWindow(PageUnits), HorizontalPpiEditId, FormatLong(edited.DevicePPI.x).c_str());  // 12
    SetDialogItemText(PageWindow(PageUnits), VerticalPpiEditId, FormatLong(edited.DevicePPI.y).c_str());
}

// ---- Confirming ----

void ReadPpi(int id, int32_t* value) {
    char16_t text[PpiTextCapacity] = {};
    GetDialogItemText(PageWindow(PageUnits), id, text, PpiTextCapacity);
    if (std::optional<int32_t> number = ParseLong(TextOf(text, PpiTextCapacity))) *value = *number;
}

// Reads the controls into the edited copy. A page that could not be made leaves its fields as they were.
void Confirm(Settings& e) {
    if (PageWindow(PageCommon)) {
        e.SmoothImg = IsChecked(PageCommon, SmoothCheckId);
        e.ShowLight = IsChecked(PageCommon, GlareCheckId);
        e.ShowAnim = IsChecked(PageCommon, AnimationCheckId);
        e.PlaySound = IsChecked(PageCommon, SoundCheckId);
        e.ZoomX = float(TrackPosition(PageCommon, ZoomTrackbarId) * 0.1);
        e.WindowSize = TrackPosition(PageCommon, SizeTrackbarId);
    }
    if (PageWindow(PageSkin)) {
        if (std::optional<std::u16string> item = ListItemText(SelectedSkinIndex())) {
            std::u16string name = *item + u".bmp";
            std::fill(std::begin(e.SkinName), std::end(e.SkinName), u'\0');
            std::copy(name.begin(), name.end(), e.SkinName);
        }
    }
    if (PageWindow(PageCorrecting)) {
        e.Bright = float(TrackPosition(PageCorrecting, BrightTrackbarId) * 0.01);
        e.Contrast = float(TrackPosition(PageCorrecting, ContrastTrackbarId) * 0.01);
    }
    if (PageWindow(PageUnits)) {
        ReadPpi(HorizontalPpiEditId, &e.DevicePPI.x);
        ReadPpi(VerticalPpiEditId, &e.DevicePPI.y);
    }
}

// ---- Messages ----

void ShowSelectedPage() {
    for (Window page : sheetData.pages)
        if (page) ShowWindowAs(page, ShowHide);
    const int selection = int(SendToWindow(sheetData.tab, TabGetCurSel, 0, 0));
    const int page = selection == AboutTabIndex ? PageAbout : selection;
    if (page >= 0 && page < PageCount && sheetData.pages[page]) ShowWindowAs(sheetData.pages[page], ShowShow);
}

void OnSkinChosen() {
    std::optional<std::u16string> name = ListItemText(SelectedSkinIndex());
    if (!name) return;
    LoadSkinPreview(name->c_str());
    InvalidateWindowRect(PageWindow(PageSkin), nullptr, false);
}

void EndSheet(Window dialog, intptr_t result) {
    ShellState& shell = Shell();
    shell.SettingsSheetWindow = nullptr;
    EndDialogWith(dialog, result);
    shell.SettingsSheetOpen = false;
}

intptr_t OnCommand(Window dialog, uint16_t id, uint16_t code) {
    switch (id) {
    case DialogOk:
        Confirm(Shell().EditedSettings);
        EndSheet(dialog, 1);
        return 1;
    case DialogCancel:
        EndSheet(dialog, 0);  // EditedSettings is dropped
        return 1;
    case Res::AccelHelp:
        OpenHelp();
        return 1;
    case ResetButtonId:
        if (code != ButtonClicked) return 0;
        SetTrackPosition(PageCorrecting, BrightTrackbarId, CorrectionNeutral);
        SetTrackPosition(PageCorrecting, ContrastTrackbarId, CorrectionNeutral);
        return 1;
    case SkinListId:
        if (code != ComboSelChange) return 0;
        OnSkinChosen();
        return 1;
    default:
        return 0;
    }
}

// The Skin page below the list: the page's background with the preview of the chosen skin, its frame
// scaled to 150 x 150 with the key colour transparent, composed off-screen and copied in one operation.
// Without a preview the background alone is painted: the page is invalidated without erasing, so
// nothing else would cover the previous skin's preview.
void PaintSkinPage(Window page, Bitmap preview) {
    PaintInfo info;
    Surface target = BeginPainting(page, &info);
    if (!target) return;
    Rect client;
    GetClientRectangle(page, &client);
    Surface canvas = CreateMemorySurface(target);
    Surface source = preview ? CreateMemorySurface(target) : nullptr;
    Bitmap canvasBitmap = canvas ? CreateCompatibleBitmapFor(target, Width(client), Height(client)) : nullptr;
    if (canvas && canvasBitmap) {
        Bitmap canvasPrevious = SelectBitmapInto(canvas, canvasBitmap);
        FillRectangle(canvas, &client, GetSystemColorBrush(SysColorButtonFace));
        if (source) {
            Bitmap sourcePrevious = SelectBitmapInto(source, preview);
            TransparentCopy(canvas, Width(client) / 2 - PreviewHalf, Height(client) - PreviewBottomSpace,
                            PreviewSize, PreviewSize, source, 0, 0, SkinFrameSize, SkinFrameSize,
                            SkinKeyColor(source));
            SelectBitmapInto(source, sourcePrevious);
        }
        CopyBits(target, 0, 0, Width(client), Height(client), canvas, 0, 0, RopSrcCopy);
        SelectBitmapInto(canvas, canvasPrevious);
    }
    if (canvasBitmap) DeleteBitmapObject(canvasBitmap);
    if (source) DeleteMemorySurface(source);
    if (canvas) DeleteMemorySurface(canvas);
    EndPainting(page, &info);
}

}  // namespace

// One procedure serves the sheet and all six pages.
intptr_t SettingsSheetProcedure(Window dialog, uint32_t message, WParam wParam, LParam lParam) {
    ShellState& shell = Shell();
    switch (message) {
    case MsgInitDialog:
        // The first initialisation is the sheet's; the pages are initialised while it sets itself up.
        if (!shell.SettingsSheetWindow) {
            SetForeground(dialog);
            shell.SettingsSheetWindow = dialog;
            SetUpSheet(dialog);
        }
        return 1;
    case MsgNotify: {
        const auto* header = reinterpret_cast<const NotifyHeader*>(lParam);
        if (!header || header->id != uintptr_t(TabControlId)) return 0;
        ShowSelectedPage();
        return 1;
    }
    case MsgCommand:
        return OnCommand(dialog, LowWord(wParam), HighWord(wParam));
    case MsgHelp:
        OpenHelp();
        return 1;
    case MsgPaint:
        if (!dialog || dialog != PageWindow(PageSkin)) return 0;
        PaintSkinPage(dialog, shell.SkinPreviewBitmap);
        return 1;
    case MsgDestroy:
        if (dialog == sheetData.sheet) sheetData = SheetData{};
        return 0;
    default:
        return 0;
    }
}

void LoadSkinPreview(const char16_t* name) {
    ShellState& shell = Shell();
    char16_t folder[260] = {};
    const bool haveFolder = GetExecutableFolder(shell.Instance, folder);
    if (shell.SkinPreviewBitmap) {
        DeleteBitmapObject(shell.SkinPreviewBitmap);
        shell.SkinPreviewBitmap = nullptr;
    }
    if (!haveFolder || !name) return;
    const std::u16string path = TextOf(folder, 260) + u"\\Skins\\" + TextOf(name, 260) + u".bmp";
    Bitmap bitmap = LoadBitmapFile(path.c_str());
    if (!bitmap) return;
    int32_t width = 0, height = 0;
    if (!GetBitmapSize(bitmap, &width, &height) || width < SkinFrameSize || height < SkinMinHeight) {
        DeleteBitmapObject(bitmap);
        return;
    }
    shell.SkinPreviewBitmap = bitmap;
}

void ApplyEditedSettings(Magnifier& m, const Settings& edited) {
    UnregisterHotKeyFor(m.MagnifierWindow, int(GetHotKeyCode(m)));  // the key still in force
    Settings& live = m.Settings;
    const int32_t oldSize = live.WindowSize;
    live.ShowAnim = edited.ShowAnim;
    live.ShowLight = edited.ShowLight;
    live.SmoothImg = edited.SmoothImg;
    live.WindowSize = edited.WindowSize;
    live.ZoomX = edited.ZoomX;
    live.Bright = edited.Bright;
    live.Contrast = edited.Contrast;
    live.PPCScanCode = edited.PPCScanCode;
    live.PlaySound = edited.PlaySound;
    std::copy(std::begin(edited.SkinName), std::end(edited.SkinName), live.SkinName);
    live.SkinName[std::size(live.SkinName) - 1] = 0;
    live.DevicePPI = edited.DevicePPI;
    if (!(live.ZoomX >= MinZoom)) live.ZoomX = MinZoom;  // also for a value that is not a number
    if (live.ZoomX > MaxZoom) live.ZoomX = MaxZoom;
    ApplyNewWindowSize(m, oldSize);
    LayoutWindows(m);  // reloads a changed skin and registers the hot key again
    InvalidateWindowRect(m.MagnifierWindow, nullptr, true);
}
