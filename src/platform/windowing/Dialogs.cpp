// The dialog manager of the window system: dialogs made from templates, modal (with their own
// message loop) and modeless (the pages of a tabbed sheet), their controls, and the operations by which
// a scenario works the open dialog as a user would. Built on the platform's public window and drawing
// services; the templates are the resource records of the device.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <string>

#include "platform/Platform.h"
#include "platform/windowing/Controls.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/Internal.h"

namespace platform {
namespace {

using sim::controls::ControlKind;

inline constexpr const char16_t* DialogClassName = u"Dialog";
// Posted to a modal dialog when it is ended, so that its loop returns before more input is read.
constexpr uint32_t MsgNull = 0x0000;
constexpr int MaxParentDepth = 64;
constexpr int32_t PixelLimit = 30000;

struct DialogData {
    DialogProcedure procedure = nullptr;
    bool modal = false;
    bool ended = false;
    intptr_t result = 0;
    // Base units: a dialog unit is baseX / 4 pixels across and baseY / 8 pixels down.
    double baseX = 0.0;
    double baseY = 0.0;
    Font font = nullptr;
    bool ownsFont = false;
    int32_t fontEm = 0;
    int32_t lineHeight = 0;
};

std::map<Window, std::unique_ptr<DialogData>> dialogs;
std::vector<Window> modalDialogs;  // the running modal loops, innermost last

DialogData* FindDialog(Window window) {
    auto it = dialogs.find(window);
    return it == dialogs.end() ? nullptr : it->second.get();
}

bool IsWithin(Window window, Window root) {
    for (int depth = 0; window && depth < MaxParentDepth; ++depth) {
        if (window == root) return true;
        window = GetParentWindow(window);
    }
    return false;
}

// The nearest dialog that holds the window (itself included); its pages share its units and font.
const DialogData* DialogHolding(Window window) {
    for (int depth = 0; window && depth < MaxParentDepth; ++depth) {
        if (const DialogData* d = FindDialog(window); d && IsWindowObject(window)) return d;
        window = GetParentWindow(window);
    }
    return nullptr;
}

// ---- Dialog units ----

int32_t ToPixels(double units, double base, double per) {
    double pixels = std::trunc(units * base / per);
    return int32_t(std::clamp(pixels, double(-PixelLimit), double(PixelLimit)));
}

Rect MapDialogRect(const DialogData& d, int32_t x, int32_t y, int32_t width, int32_t height) {
    return Rect{ToPixels(x, d.baseX, 4), ToPixels(y, d.baseY, 8), ToPixels(double(x) + width, d.baseX, 4),
                ToPixels(double(y) + height, d.baseY, 8)};
}

// The template's font on the device: every face maps to the device's own (Tahoma) at the size in
// points converted with the screen's pixels per inch.
int32_t TemplateFontEm(const DialogTemplateObject& t) {
    int32_t points = t.fontSize > 0 ? std::min(t.fontSize, 72) : 8;
    Surface surface = CreateMemorySurface(nullptr);
    int ppi = surface ? GetDeviceCapability(surface, DeviceLogPixelsY) : 0;
    if (surface) DeleteMemorySurface(surface);
    if (ppi <= 0 || ppi > 1000) ppi = 96;
    return std::max(1, points * ppi / 72);
}

// Base units from the font's average character width and its height, measured on the alphabet.
void MeasureBaseUnits(DialogData& d) {
    Point size = sim::controls::MeasureTextWith(d.font, u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    if (size.x > 0 && size.y > 0) {
        d.baseX = double((size.x / 26 + 1) / 2);
        d.baseY = double(size.y);
        d.lineHeight = size.y;
    } else {  // no font to measure: proportions of a common sans-serif face
        d.baseX = std::max(1, d.fontEm * 4 / 7);
        d.baseY = std::max(1, d.fontEm * 7 / 6);
        d.lineHeight = int32_t(d.baseY);
    }
}

void SetUpFont(DialogData& d, int32_t em) {
    d.fontEm = em;
    d.font = sim::controls::CreateDeviceFont(em);
    d.ownsFont = d.font != nullptr;
    MeasureBaseUnits(d);
}

// ---- The dialog window ----

void FillBackground(Surface surface, Window window) {
    Rect client;
    GetClientRectangle(window, &client);
    FillRectangle(surface, &client, GetSystemColorBrush(SysColorButtonFace));
}

// A dialog's own paint only validates: as on a real device, its background is filled only when the
// invalidation asked for an erase (the erase message that BeginPainting sends).
void PaintBackground(Window window) {
    PaintInfo info;
    if (!BeginPainting(window, &info)) return;
    EndPainting(window, &info);
}

void CentreOnScreen(Window window) {
    Rect rect, screen;
    if (!GetWindowRectangle(window, &rect) || !GetWindowRectangle(GetDesktop(), &screen)) return;
    int32_t x = std::max(screen.left, screen.left + (Width(screen) - Width(rect)) / 2);
    int32_t y = std::max(screen.top, screen.top + (Height(screen) - Height(rect)) / 2);
    MoveWindowTo(window, x, y, Width(rect), Height(rect), true);
}

void ReleaseDialog(Window window) {
    auto it = dialogs.find(window);
    if (it == dialogs.end()) return;
    std::unique_ptr<DialogData> d = std::move(it->second);
    dialogs.erase(it);
    if (d->ownsFont && d->font) DeleteFontObject(d->font);
}

// The dialog's window procedure: every message goes to the dialog procedure first; what it leaves
// unhandled gets the dialog's default handling.
LResult DialogWindowProcedure(Window window, uint32_t message, WParam wParam, LParam lParam) {
    if (message == MsgCreate) {
        // A record under this handle from a window that ended without its destroy message (at the
        // end of a process) is simply replaced.
        auto* prepared = reinterpret_cast<std::unique_ptr<DialogData>*>(lParam);
        if (prepared && *prepared) dialogs[window] = std::move(*prepared);
        return 0;
    }
    DialogData* d = FindDialog(window);
    if (!d) return DefaultWindowProcedure(window, message, wParam, lParam);
    DialogProcedure procedure = d->procedure;
    if (message == MsgDestroy) {
        if (procedure) procedure(window, message, wParam, lParam);
        ReleaseDialog(window);
        return 0;
    }
    // The procedure may end or destroy the dialog: d is not used after this call.
    intptr_t handled = procedure ? procedure(window, message, wParam, lParam) : 0;
    if (handled) return message == MsgEraseBackground ? 1 : 0;
    switch (message) {
    case MsgPaint:
        PaintBackground(window);
        return 0;
    case MsgEraseBackground:
        FillBackground(reinterpret_cast<Surface>(wParam), window);
        return 1;
    case MsgClose:
        SendToWindow(window, MsgCommand, MakeWParam(DialogCancel, 0), 0);
        return 0;
    case MsgSettingChange:
        if (!(GetWindowStyle(window) & StyleChild)) CentreOnScreen(window);
        return 0;
    default:
        return DefaultWindowProcedure(window, message, wParam, lParam);
    }
}

void EnsureClasses() {
    WindowClass dialogClass;
    dialogClass.procedure = DialogWindowProcedure;
    dialogClass.name = DialogClassName;
    dialogClass.background = GetSystemColorBrush(SysColorButtonFace);
    dialogClass.cursor = LoadSystemCursor(CursorArrow);
    RegisterWindowClass(dialogClass);  // refused when it exists already: that one serves
    sim::controls::RegisterControlClasses();
}

// ---- Making a dialog ----

// Sizes a top-level dialog from its units and centres it on the screen (on a host with several
// monitors: on its owner's).
void PlaceTopLevel(Window window, Window owner, DialogData& d, const DialogTemplateObject& t) {
    Rect outer, client;
    GetWindowRectangle(window, &outer);
    GetClientRectangle(window, &client);
    const Rect screen = sim::detail::DialogArea(owner);
    const int32_t frameX = std::max(0, Width(outer) - Width(client));
    const int32_t frameY = std::max(0, Height(outer) - Height(client));
    // The device's font is wider than the one the templates were laid out for: at 96 pixels per inch
    // its base units are 9 x 17 and the settings sheet (116 x 117 units) would take 261 x 249 pixels,
    // wider than a 240 x 320 screen. A dialog that would not fit the screen is therefore shrunk:
    // base units and font are scaled down until the dialog with its frame fits.
    const double needX = double(t.width) * d.baseX / 4.0;
    const double needY = double(t.height) * d.baseY / 8.0;
    double scale = 1.0;
    if (needX > 0 && needX > Width(screen) - frameX) scale = std::min(scale, (Width(screen) - frameX) / needX);
    if (needY > 0 && needY > Height(screen) - frameY) scale = std::min(scale, (Height(screen) - frameY) / needY);
    if (scale < 1.0 && scale > 0.0) {
        d.baseX *= scale;
        d.baseY *= scale;
        if (d.ownsFont) {
            Font smaller = sim::controls::CreateDeviceFont(std::max(6, int32_t(d.fontEm * scale)));
            if (smaller) {
                DeleteFontObject(d.font);
                d.font = smaller;
                d.fontEm = std::max(6, int32_t(d.fontEm * scale));
                d.lineHeight = std::max(1, sim::controls::MeasureTextWith(smaller, u"").y);
            }
        }
    }
    const int32_t width = std::max(0, ToPixels(t.width, d.baseX, 4)) + frameX;
    const int32_t height = std::max(0, ToPixels(t.height, d.baseY, 8)) + frameY;
    const int32_t x = std::max(screen.left, screen.left + (Width(screen) - width) / 2);
    const int32_t y = std::max(screen.top, screen.top + (Height(screen) - height) / 2);
    MoveWindowTo(window, x, y, width, height, false);
}

bool SameClass(const std::u16string& name, const char16_t* className) {
    std::u16string other = className;
    if (name.size() != other.size()) return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (sim::controls::FoldCase(name[i]) != sim::controls::FoldCase(other[i])) return false;
    return true;
}

// The class a template names, spelt as the device registers it.
const char16_t* ControlClass(const std::u16string& name) {
    for (const char16_t* known : {ClassButton, ClassStatic, ClassEdit, ClassComboBox, ClassTrackbar, ClassTabControl})
        if (SameClass(name, known)) return known;
    return name.c_str();
}

// Makes the template's controls; returns the first that takes the focus by tabbing, if any.
Window CreateControls(Window dialog, const DialogData& d, const DialogTemplateObject& t, Module module) {
    Window first = nullptr;
    for (const auto& c : t.controls) {
        const char16_t* className = ControlClass(c.className);
        const bool combo = className == ClassComboBox;
        Rect r = MapDialogRect(d, c.x, c.y, c.width, c.height);
        // A drop-down list's template height is the height of its dropped-down list; its window is
        // only the closed field.
        int32_t height = combo ? std::min(Height(r), d.lineHeight + 8) : Height(r);
        uint32_t style = (c.style | StyleChild) & ~StylePopup;
        Window control = CreateWindowObject(c.exStyle, className, c.text.c_str(), style, r.left, r.top,
                                            std::max(0, Width(r)), std::max(0, height), dialog, c.id, module, nullptr);
        if (!control) continue;  // a class the device does not know: the control is left out
        SendToWindow(control, sim::controls::MsgSetFont, WParam(d.font), 0);
        SendToWindow(control, MsgSetText, 0, LParam(c.text.c_str()));
        if (c.iconId != 0) {
            Icon icon = LoadIconResource(module, c.iconId);
            if (icon && sim::controls::KindOf(control) == ControlKind::Label)
                SendToWindow(control, sim::controls::StaticAdoptIcon, WParam(icon), 0);
            else if (icon)
                DestroyIconObject(icon);
        }
        if (combo) SendToWindow(control, sim::controls::ComboSetDroppedHeight, WParam(std::max(0, Height(r))), 0);
        if (!first && (style & StyleTabStop)) first = control;
    }
    return first;
}

// Creates the dialog window and its controls and sends the initialisation message. A child dialog
// (parent given) lies at its template position inside the parent and shares the units and font of the
// dialog that holds it; a top-level one is centred on the screen.
Window MakeDialog(Module module, DialogTemplate dialogTemplate, Window parent, DialogProcedure procedure,
                  LParam initParam, bool modal) {
    if (!dialogTemplate) return nullptr;
    EnsureClasses();
    const DialogTemplateObject& t = *dialogTemplate;
    auto data = std::make_unique<DialogData>();
    data->procedure = procedure;
    data->modal = modal;
    const DialogData* holder = parent ? DialogHolding(parent) : nullptr;
    if (holder) {
        data->baseX = holder->baseX;
        data->baseY = holder->baseY;
        data->font = holder->font;
        data->fontEm = holder->fontEm;
        data->lineHeight = holder->lineHeight;
    } else {
        SetUpFont(*data, TemplateFontEm(t));
    }
    const bool child = parent != nullptr;
    uint32_t style = t.style & ~StyleVisible;
    style = child ? ((style & ~StylePopup) | StyleChild) : ((style & ~StyleChild) | StylePopup);
    const uint32_t exStyle = t.exStyle | (modal ? ExStyleTopmost : 0);
    const Rect r = MapDialogRect(*data, t.x, t.y, t.width, t.height);
    Font ownFont = data->ownsFont ? data->font : nullptr;
    Window window = CreateWindowObject(exStyle, DialogClassName, t.caption.c_str(), style, child ? r.left : 0,
                                       child ? r.top : 0, std::max(0, Width(r)), std::max(0, Height(r)), parent, 0,
                                       module, &data);
    DialogData* d = window ? FindDialog(window) : nullptr;
    if (!d) {
        if (window) DestroyWindowObject(window);
        if (data && ownFont) DeleteFontObject(ownFont);  // never reached the window
        return nullptr;
    }
    if (!child) PlaceTopLevel(window, parent, *d, t);
    Window first = CreateControls(window, *d, t, module);
    SendToWindow(window, MsgInitDialog, WParam(first), initParam);
    return window;
}

// ---- The modal loop ----

// The keys a dialog answers itself: Escape cancels, Return confirms, F1 asks for help.
bool HandleDialogKey(Window dialog, const Message& message) {
    if (message.message != MsgKeyDown || !IsWithin(message.window, dialog)) return false;
    switch (message.wParam) {
    case VkEscape:
        SendToWindow(dialog, MsgCommand, MakeWParam(DialogCancel, 0), 0);
        return true;
    case VkReturn:
        SendToWindow(dialog, MsgCommand, MakeWParam(DialogOk, 0), 0);
        return true;
    case VkF1:
        SendToWindow(dialog, MsgHelp, 0, 0);
        return true;
    default:
        return false;
    }
}

// Runs messages (timers included: the program's tick goes on) until the dialog is ended. The quit
// message ends the loop with 0 and is posted again for the program's own loop.
intptr_t RunModalLoop(Window dialog, Window owner) {
    for (;;) {
        const DialogData* d = FindDialog(dialog);
        if (!d || !IsWindowObject(dialog)) return 0;  // destroyed from elsewhere
        if (d->ended) return d->result;
        if (owner && !IsWindowObject(owner)) return 0;  // the owner is gone: its dialog goes with it
        Message message;
        if (!GetNextMessage(&message)) {
            PostQuit(int(message.wParam));
            return 0;
        }
        if (message.message == MsgNull && message.window == dialog) continue;
        if (HandleDialogKey(dialog, message)) continue;
        TranslateToCharacters(&message);
        DispatchToWindow(&message);
    }
}

Window TopModalDialog() {
    for (auto it = modalDialogs.rbegin(); it != modalDialogs.rend(); ++it) {
        const DialogData* d = FindDialog(*it);
        if (d && !d->ended && IsWindowObject(*it)) return *it;
    }
    return nullptr;
}

}  // namespace

// ---- Dialogs and controls of the platform interface ----

bool InitCommonControlClasses(uint32_t) {
    EnsureClasses();
    return true;
}

intptr_t RunModalDialog(Module module, DialogTemplate dialogTemplate, Window owner, DialogProcedure procedure,
                        LParam initParam) {
    Window dialog = MakeDialog(module, dialogTemplate, nullptr, procedure, initParam, true);
    if (!dialog) return -1;
    modalDialogs.push_back(dialog);
    const bool disableOwner = owner && IsWindowObject(owner) && IsWindowInputEnabled(owner);
    if (disableOwner) EnableWindowInput(owner, false);
    const DialogData* d = FindDialog(dialog);
    if (d && !d->ended && IsWindowObject(dialog)) ShowWindowAs(dialog, ShowNormal);
    intptr_t result = RunModalLoop(dialog, owner);
    if (disableOwner && IsWindowObject(owner)) EnableWindowInput(owner, true);
    modalDialogs.erase(std::remove(modalDialogs.begin(), modalDialogs.end(), dialog), modalDialogs.end());
    if (IsWindowObject(dialog) && FindDialog(dialog)) DestroyWindowObject(dialog);
    return result;
}

Window CreateModelessDialog(Module module, DialogTemplate dialogTemplate, Window parent, DialogProcedure procedure,
                            LParam initParam) {
    if (parent && !IsWindowObject(parent)) return nullptr;
    Window dialog = MakeDialog(module, dialogTemplate, parent, procedure, initParam, false);
    if (!dialog || !IsWindowObject(dialog)) return nullptr;
    if (dialogTemplate->style & StyleVisible) ShowWindowAs(dialog, ShowShow);
    return dialog;
}

bool EndDialogWith(Window dialog, intptr_t result) {
    DialogData* d = FindDialog(dialog);
    if (!d || !IsWindowObject(dialog)) return false;
    d->ended = true;
    d->result = result;
    if (d->modal)
        PostToWindow(dialog, MsgNull, 0, 0);
    else
        ShowWindowAs(dialog, ShowHide);
    return true;
}

Window GetDialogItem(Window dialog, int id) {
    if (!dialog || !IsWindowObject(dialog)) return nullptr;
    for (Window control : sim::controls::LiveControls())
        if (GetParentWindow(control) == dialog && int(GetWindowId(control)) == id) return control;
    return nullptr;
}

LResult SendDialogItemMessage(Window dialog, int id, uint32_t message, WParam wParam, LParam lParam) {
    Window item = GetDialogItem(dialog, id);
    return item ? SendToWindow(item, message, wParam, lParam) : 0;
}

bool SetDialogItemText(Window dialog, int id, const char16_t* text) {
    Window item = GetDialogItem(dialog, id);
    if (!item) return false;
    SendToWindow(item, MsgSetText, 0, LParam(text ? text : u""));
    return true;
}

int GetDialogItemText(Window dialog, int id, char16_t* buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = 0;
    Window item = GetDialogItem(dialog, id);
    if (!item) return 0;
    return int(SendToWindow(item, MsgGetText, WParam(capacity), LParam(buffer)));
}

}  // namespace platform

// ---- The open dialog, worked as a user would (scenarios and tests) ----

namespace platform::sim {
namespace {

using controls::ControlKind;

void Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
}

Window OpenDialogOrFail(std::string* error) {
    Window dialog = TopModalDialog();
    if (!dialog) Fail(error, "no dialog is open");
    return dialog;
}

// The control with that id in the open dialog or any of its pages.
Window FindControl(Window root, int id) {
    for (Window control : controls::LiveControls())
        if (int(GetWindowId(control)) == id && IsWithin(control, root)) return control;
    return nullptr;
}

std::vector<Window> ControlsOfKind(Window root, ControlKind kind) {
    std::vector<Window> found;
    for (Window control : controls::LiveControls())
        if (controls::KindOf(control) == kind && IsWithin(control, root)) found.push_back(control);
    return found;
}

std::string WithArticle(const std::string& noun) {
    bool vowel = !noun.empty() && std::string("aeiou").find(noun[0]) != std::string::npos;
    return (vowel ? "an " : "a ") + noun;
}

// The control with that id when it is of one of the kinds; otherwise null and a reason.
Window FindControlOfKind(int id, std::initializer_list<ControlKind> kinds, const char* wanted, std::string* error) {
    Window root = OpenDialogOrFail(error);
    if (!root) return nullptr;
    Window control = FindControl(root, id);
    if (!control) {
        Fail(error, "no control with id " + std::to_string(id) + " in the open dialog or its pages");
        return nullptr;
    }
    ControlKind kind = controls::KindOf(control);
    if (std::find(kinds.begin(), kinds.end(), kind) == kinds.end()) {
        Fail(error, "control " + std::to_string(id) + " is " + WithArticle(controls::KindName(kind)) + ", not " +
                        WithArticle(wanted));
        return nullptr;
    }
    return control;
}

bool SendCommandToOpenDialog(uint32_t id, std::string* error) {
    Window root = OpenDialogOrFail(error);
    if (!root) return false;
    SendToWindow(root, MsgCommand, MakeWParam(id, 0), 0);
    return true;
}

}  // namespace

bool DialogOpen() { return TopModalDialog() != nullptr; }

Window OpenDialog() { return TopModalDialog(); }

bool SheetSelectTab(int index, std::string* error) {
    Window root = OpenDialogOrFail(error);
    if (!root) return false;
    std::vector<Window> tabs = ControlsOfKind(root, ControlKind::Tab);
    if (tabs.empty()) {
        Fail(error, "the open dialog has no tab control");
        return false;
    }
    if (!controls::UserSelectTab(tabs.front(), index)) {
        Fail(error, "no tab " + std::to_string(index) + ": the tab control has " +
                        std::to_string(SendToWindow(tabs.front(), TabGetItemCount, 0, 0)) + " tabs (0 is the first)");
        return false;
    }
    return true;
}

bool SheetCheck(int id, bool checked, std::string* error) {
    Window box = FindControlOfKind(id, {ControlKind::CheckBox}, "check box", error);
    if (!box) return false;
    if (!IsWindowInputEnabled(box)) return true;  // a disabled box does not answer the stylus
    bool isChecked = SendToWindow(box, ButtonGetCheck, 0, 0) != LResult(CheckUnchecked);
    if (isChecked != checked) controls::UserClick(box);
    return true;
}

bool SheetTrack(int id, int position, std::string* error) {
    Window trackbar = FindControlOfKind(id, {ControlKind::Trackbar}, "trackbar", error);
    if (!trackbar) return false;
    controls::UserTrack(trackbar, position);
    return true;
}

bool SheetSelect(const std::u16string& text, std::string* error) {
    Window root = OpenDialogOrFail(error);
    if (!root) return false;
    std::vector<Window> lists = ControlsOfKind(root, ControlKind::ComboBox);
    if (lists.empty()) {
        Fail(error, "the open dialog has no drop-down list");
        return false;
    }
    for (Window list : lists) {
        int index = controls::FindExactItem(list, text);
        if (index >= 0) {
            controls::UserSelectItem(list, index);
            return true;
        }
    }
    std::string known;
    for (Window list : lists)
        for (const auto& item : controls::ItemsOf(list)) known += (known.empty() ? "\"" : ", \"") + detail::ToUtf8(item) + "\"";
    Fail(error, "no list item \"" + detail::ToUtf8(text) + "\" in the open dialog (items: " +
                    (known.empty() ? std::string("none") : known) + ")");
    return false;
}

bool SheetSetText(int id, const std::u16string& text, std::string* error) {
    Window edit = FindControlOfKind(id, {ControlKind::Edit}, "edit", error);
    if (!edit) return false;
    controls::UserTypeText(edit, text);
    return true;
}

bool SheetClick(int id, std::string* error) {
    Window button = FindControlOfKind(id, {ControlKind::PushButton, ControlKind::CheckBox}, "button", error);
    if (!button) return false;
    controls::UserClick(button);
    return true;
}

bool SheetOk(std::string* error) { return SendCommandToOpenDialog(DialogOk, error); }

bool SheetCancel(std::string* error) { return SendCommandToOpenDialog(DialogCancel, error); }

}  // namespace platform::sim
