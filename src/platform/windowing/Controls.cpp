// The standard controls of the window system: system window classes with their own procedures
// and drawing, built on the platform's window and drawing services. Every paint composes off-screen
// and copies the result in one operation, like the rest of the system.
#include "platform/windowing/Controls.h"

#include <algorithm>
#include <map>
#include <memory>

#include "platform/windowing/Internal.h"
#include "platform/windowing/RasterInternal.h"

namespace platform::sim::controls {
namespace {

inline constexpr const char16_t* DropListClass = u"ComboDropList";

constexpr ColorRef LightColor = 0xFFFFFF;
constexpr ColorRef ShadowColor = 0x808080;
constexpr ColorRef DarkColor = 0x000000;
constexpr ColorRef GrayTextColor = 0x808080;
constexpr ColorRef HighlightColor = Rgb(0, 0, 128);

ColorRef FaceColor() { return GetSystemColor(SysColorButtonFace); }
ColorRef FieldColor() { return GetSystemColor(SysColorWindow); }
ColorRef TextColor() { return GetSystemColor(SysColorWindowText); }

enum class Family { Button, Static, Edit, ComboBox, Trackbar, Tab };

struct TabLayout {
    bool valid = false;
    int32_t forWidth = -1;
    Font font = nullptr;     // the font the captions are drawn with
    int32_t stripHeight = 0;  // height of the row of tabs
    std::vector<Rect> rects;
};

struct ControlState {
    ControlKind kind = ControlKind::Unknown;
    Window window = nullptr;
    uint64_t serial = 0;
    uint32_t style = 0;
    std::u16string text;
    Font font = nullptr;       // given by the dialog manager, not owned
    bool pressed = false;      // the stylus is held on a button
    bool pointerInside = false;
    bool tracking = false;     // the stylus drags a trackbar's thumb
    uint32_t check = CheckUnchecked;
    Icon icon = nullptr;       // shown
    Icon ownIcon = nullptr;    // the template's icon, owned
    // Drop-down list.
    std::vector<std::u16string> items;
    int selected = -1;
    int32_t droppedHeight = 0;
    Window dropList = nullptr;
    Window focusBeforeDrop = nullptr;  // given back when the list closes
    int topIndex = 0;
    int dropRows = 0;
    // Trackbar.
    int32_t rangeMin = 0;
    int32_t rangeMax = 100;
    int32_t position = 0;
    int32_t tickFrequency = 1;
    // Tab control.
    std::vector<std::u16string> tabs;
    int current = -1;
    Font ownTabFont = nullptr;  // a smaller font when the captions do not fit with the given one
    TabLayout layout;
};

std::map<Window, std::unique_ptr<ControlState>> states;
std::map<Window, Window> dropListOwners;  // drop-down window -> its combo box
uint64_t nextSerial = 1;

ControlState* Find(Window window) {
    auto it = states.find(window);
    return it == states.end() ? nullptr : it->second.get();
}

void Invalidate(Window window) { InvalidateWindowRect(window, nullptr, false); }

// ---- Drawing helpers ----

void FillColor(Surface surface, const Rect& rect, ColorRef color) {
    if (!IsRectangleEmpty(rect)) raster::FillRectangleWithColor(surface, rect, color);
}

// A one-pixel frame with its own colour for the top-left and the bottom-right sides.
void Edge(Surface surface, const Rect& r, ColorRef topLeft, ColorRef bottomRight) {
    if (IsRectangleEmpty(r)) return;
    FillColor(surface, Rect{r.left, r.top, r.right, r.top + 1}, topLeft);
    FillColor(surface, Rect{r.left, r.top, r.left + 1, r.bottom}, topLeft);
    FillColor(surface, Rect{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    FillColor(surface, Rect{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

Rect Inset(Rect r, int32_t dx, int32_t dy) {
    InflateRectangle(&r, -dx, -dy);
    return r;
}

void RaisedEdge(Surface surface, const Rect& r) {
    Edge(surface, r, LightColor, DarkColor);
    Edge(surface, Inset(r, 1, 1), FaceColor(), ShadowColor);
}

void SunkenEdge(Surface surface, const Rect& r) {
    Edge(surface, r, ShadowColor, LightColor);
    Edge(surface, Inset(r, 1, 1), DarkColor, FaceColor());
}

void DrawLine(Surface surface, int32_t x0, int32_t y0, int32_t x1, int32_t y1, ColorRef color) {
    Pen pen = CreatePenOf(PenSolid, 1, color);
    Pen previous = SelectPenInto(surface, pen);
    MoveTo(surface, x0, y0, nullptr);
    LineTo(surface, x1, y1);
    SelectPenInto(surface, previous);
    DeletePenObject(pen);
}

void DrawCaption(Surface surface, Font font, const std::u16string& text, Rect rect, uint32_t format,
                 ColorRef color) {
    if (text.empty() || IsRectangleEmpty(rect)) return;
    Font previous = font ? SelectFontInto(surface, font) : nullptr;
    SetBackgroundMode(surface, BackgroundTransparent);
    SetTextColorOf(surface, color);
    DrawTextIn(surface, text.c_str(), int(text.size()), &rect, format);
    if (previous) SelectFontInto(surface, previous);
}

// An icon at its own size, its transparent pixels showing the background colour.
void DrawIconImage(Surface surface, Icon icon, int32_t x, int32_t y, ColorRef background) {
    if (!icon) return;
    const Image& image = icon->image;
    if (image.width <= 0 || image.height <= 0 || image.width > 256 || image.height > 256) return;
    if (image.pixels.size() < size_t(image.width) * size_t(image.height)) return;
    BitmapInfoHeader header;
    header.width = image.width;
    header.height = image.height;
    uint8_t* bits = nullptr;
    Bitmap dib = CreateDibSection(surface, &header, &bits);
    if (!dib || !bits) {
        if (dib) DeleteBitmapObject(dib);
        return;
    }
    const size_t stride = (size_t(image.width) * 3 + 3) & ~size_t(3);
    for (int32_t row = 0; row < image.height; ++row) {
        uint8_t* line = bits + size_t(image.height - 1 - row) * stride;
        for (int32_t column = 0; column < image.width; ++column) {
            size_t index = size_t(row) * size_t(image.width) + size_t(column);
            bool transparent = index < icon->mask.size() && icon->mask[index];
            ColorRef c = transparent ? background : image.At(column, row);
            line[size_t(column) * 3 + 0] = BlueOf(c);
            line[size_t(column) * 3 + 1] = GreenOf(c);
            line[size_t(column) * 3 + 2] = RedOf(c);
        }
    }
    Surface source = CreateMemorySurface(surface);
    if (source) {
        Bitmap previous = SelectBitmapInto(source, dib);
        CopyBits(surface, x, y, image.width, image.height, source, 0, 0, RopSrcCopy);
        SelectBitmapInto(source, previous);
        DeleteMemorySurface(source);
    }
    DeleteBitmapObject(dib);
}

// Paints a window through an off-screen bitmap of its client size.
template <class Draw>
void PaintOffscreen(Window window, Draw draw) {
    PaintInfo info;
    Surface target = BeginPainting(window, &info);
    if (!target) return;
    Rect client;
    GetClientRectangle(window, &client);
    if (!IsRectangleEmpty(client)) {
        Surface memory = CreateMemorySurface(target);
        Bitmap bitmap = memory ? CreateCompatibleBitmapFor(target, Width(client), Height(client)) : nullptr;
        Bitmap previous = bitmap ? SelectBitmapInto(memory, bitmap) : nullptr;
        if (previous) {
            draw(memory, client);
            CopyBits(target, 0, 0, Width(client), Height(client), memory, 0, 0, RopSrcCopy);
            SelectBitmapInto(memory, previous);
        } else {
            draw(target, client);
        }
        if (bitmap) DeleteBitmapObject(bitmap);
        if (memory) DeleteMemorySurface(memory);
    }
    EndPainting(window, &info);
}

// ---- Notifications ----

uint32_t IdOf(Window window) { return uint32_t(GetWindowId(window)) & 0xFFFF; }

void NotifyCommand(Window control, uint32_t code) {
    Window parent = GetParentWindow(control);
    if (parent) SendToWindow(parent, MsgCommand, MakeWParam(IdOf(control), code), LParam(control));
}

void NotifyScroll(Window trackbar, uint32_t code, int32_t position) {
    Window parent = GetParentWindow(trackbar);
    if (parent) SendToWindow(parent, MsgHScroll, MakeWParam(code, uint32_t(position)), LParam(trackbar));
}

void NotifyTabChange(Window tab) {
    Window parent = GetParentWindow(tab);
    if (!parent) return;
    NotifyHeader header{tab, uintptr_t(GetWindowId(tab)), TabSelChange};
    SendToWindow(parent, MsgNotify, WParam(GetWindowId(tab)), LParam(&header));
}

// ---- Texts ----

LResult CopyText(const std::u16string& text, WParam capacity, LParam buffer) {
    auto* out = reinterpret_cast<char16_t*>(buffer);
    if (!out || capacity == 0) return 0;
    size_t count = std::min(text.size(), size_t(capacity) - 1);
    std::copy_n(text.data(), count, out);
    out[count] = 0;
    return LResult(count);
}

std::u16string TextFrom(LParam lParam, size_t limit) {
    const auto* text = reinterpret_cast<const char16_t*>(lParam);
    std::u16string out;
    if (!text) return out;
    for (size_t i = 0; text[i] && i < limit; ++i) out += text[i];
    return out;
}

int CompareFolded(const std::u16string& a, const std::u16string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char16_t x = FoldCase(a[i]), y = FoldCase(b[i]);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return 0;
}

bool StartsWithFolded(const std::u16string& text, const std::u16string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (FoldCase(text[i]) != FoldCase(prefix[i])) return false;
    return true;
}

Point MeasureText(Font font, const std::u16string& text) {
    Surface surface = CreateMemorySurface(nullptr);
    if (!surface) return {};
    Font previous = font ? SelectFontInto(surface, font) : nullptr;
    const std::u16string sample = text.empty() ? std::u16string(u"Ag") : text;
    Rect rect{0, 0, 0, 0};
    int height = DrawTextIn(surface, sample.c_str(), int(sample.size()), &rect, TextCalcRect | TextSingleLine);
    if (previous) SelectFontInto(surface, previous);
    DeleteMemorySurface(surface);
    Point size{std::max(0, Width(rect)), std::max({0, Height(rect), height})};
    if (text.empty()) size.x = 0;
    return size;
}

int32_t LineHeight(Font font) {
    int32_t h = MeasureText(font, u"").y;
    return h > 0 ? h : 13;
}

// ---- Buttons and check boxes ----

bool IsAutoCheck(const ControlState& s) {
    uint32_t type = s.style & ButtonTypeMask;
    return type == ButtonAutoCheckBox || type == 0x0006;  // automatic, automatic three-state
}

void DrawPushButton(const ControlState& s, Surface d, const Rect& r, bool enabled) {
    FillColor(d, r, FaceColor());
    Edge(d, r, DarkColor, DarkColor);
    bool down = s.pressed && s.pointerInside;
    Rect inner = Inset(r, 1, 1);
    if (down)
        Edge(d, inner, ShadowColor, FaceColor());
    else
        RaisedEdge(d, inner);
    Rect textRect = Inset(inner, 2, 1);
    if (down) {
        textRect.left += 1;
        textRect.top += 1;
    }
    DrawCaption(d, s.font, s.text, textRect, TextCenter | TextVCenter | TextSingleLine,
                enabled ? TextColor() : GrayTextColor);
}

void DrawTick(Surface d, const Rect& box, ColorRef color) {
    // Two strokes of a tick, each two pixels thick.
    int32_t w = Width(box), h = Height(box);
    int32_t x0 = box.left, y0 = box.top + h / 2 - 1;
    int32_t x1 = box.left + w * 2 / 5, y1 = box.bottom - 2;
    int32_t x2 = box.right, y2 = box.top - 1;
    for (int32_t t = 0; t < 2; ++t) {
        DrawLine(d, x0, y0 + t, x1, y1 + t, color);
        DrawLine(d, x1, y1 + t, x2, y2 + t, color);
    }
}

void DrawCheckBox(const ControlState& s, Surface d, const Rect& r, bool enabled) {
    FillColor(d, r, FaceColor());
    int32_t size = std::clamp(Height(r) - 2, 7, 13);
    Rect box{r.left, r.top + (Height(r) - size) / 2, r.left + size, r.top + (Height(r) - size) / 2 + size};
    bool down = s.pressed && s.pointerInside;
    FillColor(d, box, enabled && !down ? FieldColor() : FaceColor());
    SunkenEdge(d, box);
    if (s.check != CheckUnchecked) DrawTick(d, Inset(box, 3, 3), enabled ? TextColor() : GrayTextColor);
    Rect textRect{box.right + 4, r.top, r.right, r.bottom};
    DrawCaption(d, s.font, s.text, textRect, TextLeft | TextVCenter | TextSingleLine,
                enabled ? TextColor() : GrayTextColor);
}

void Click(Window button) {
    ControlState* s = Find(button);
    if (!s) return;
    if (s->kind == ControlKind::CheckBox && IsAutoCheck(*s)) {
        s->check = s->check == CheckUnchecked ? CheckChecked : CheckUnchecked;
        Invalidate(button);
    }
    NotifyCommand(button, ButtonClicked);
}

LResult ButtonMessage(ControlState& s, uint32_t message, WParam wParam, LParam lParam) {
    Window w = s.window;
    Point p{PointX(lParam), PointY(lParam)};
    Rect client;
    GetClientRectangle(w, &client);
    switch (message) {
    case ButtonGetCheck:
        return s.kind == ControlKind::CheckBox ? LResult(s.check) : 0;
    case ButtonSetCheck:
        if (s.kind == ControlKind::CheckBox) {
            s.check = wParam == CheckUnchecked ? CheckUnchecked : CheckChecked;
            Invalidate(w);
        }
        return 0;
    case MsgLButtonDown:
    case MsgLButtonDoubleClick:
        if (!IsWindowInputEnabled(w)) return 0;
        s.pressed = true;
        s.pointerInside = true;
        CapturePointer(w);
        Invalidate(w);
        return 0;
    case MsgMouseMove:
        if (s.pressed && s.pointerInside != PointInRectangle(client, p)) {
            s.pointerInside = !s.pointerInside;
            Invalidate(w);
        }
        return 0;
    case MsgLButtonUp: {
        if (!s.pressed) return 0;
        bool inside = PointInRectangle(client, p);
        s.pressed = false;
        if (GetPointerCapture() == w) ReleasePointer();
        Invalidate(w);
        if (inside) Click(w);  // may end the dialog: nothing of s is used afterwards
        return 0;
    }
    default:
        return DefaultWindowProcedure(w, message, wParam, lParam);
    }
}

// ---- Labels ----

void DrawLabel(const ControlState& s, Surface d, const Rect& r, bool enabled) {
    FillColor(d, r, FaceColor());
    uint32_t type = s.style & StaticTypeMask;
    if (type == StaticIcon) {
        DrawIconImage(d, s.icon, r.left, r.top, FaceColor());
        return;
    }
    Rect textRect = r;
    uint32_t format = TextWordBreak;
    if (type == StaticCenter) format |= TextCenter;
    if (type == StaticRight) {
        int32_t width = MeasureText(s.font, s.text).x;
        textRect.left = std::max(r.left, r.right - width);
    }
    DrawCaption(d, s.font, s.text, textRect, format, enabled ? TextColor() : GrayTextColor);
}

LResult LabelMessage(ControlState& s, uint32_t message, WParam wParam, LParam lParam) {
    if (message == StaticAdoptIcon) {
        if (s.ownIcon && s.ownIcon != reinterpret_cast<Icon>(wParam)) DestroyIconObject(s.ownIcon);
        s.ownIcon = reinterpret_cast<Icon>(wParam);
    }
    if (message == StaticSetIcon || message == StaticAdoptIcon) {
        Icon previous = s.icon;
        s.icon = reinterpret_cast<Icon>(wParam);
        Invalidate(s.window);
        return LResult(previous);
    }
    if (message == StaticGetIcon) return LResult(s.icon);
    return DefaultWindowProcedure(s.window, message, wParam, lParam);
}

// ---- Edits ----

bool AcceptsCharacter(const ControlState& s, char16_t c) {
    if (c < 0x20) return false;
    if ((s.style & EditNumber) && (c < u'0' || c > u'9')) return false;
    return true;
}

void DrawEdit(const ControlState& s, Surface d, const Rect& r, bool enabled) {
    ColorRef field = enabled ? FieldColor() : FaceColor();
    FillColor(d, r, field);
    Rect textArea = Inset(r, 4, 2);
    int32_t textWidth = MeasureText(s.font, s.text).x;
    // Scrolled so that the end of the text, where typing goes on, stays in view.
    int32_t overflow = std::max(0, textWidth - (Width(textArea) - 2));
    Rect textRect{textArea.left - overflow, textArea.top, textArea.right, textArea.bottom};
    DrawCaption(d, s.font, s.text, textRect, TextLeft | TextVCenter | TextSingleLine,
                enabled ? TextColor() : GrayTextColor);
    FillColor(d, Rect{r.left, r.top, textArea.left, r.bottom}, field);
    SunkenEdge(d, r);
    if (enabled && GetFocusWindow() == s.window) {
        int32_t x = std::min(textArea.left - overflow + textWidth + 1, textArea.right - 1);
        DrawLine(d, x, textArea.top + 1, x, textArea.bottom - 1, TextColor());
    }
}

void TypeCharacter(ControlState& s, char16_t c) {
    bool changed = false;
    if (c == 0x08) {
        if (!s.text.empty()) {
            s.text.pop_back();
            changed = true;
        }
    } else if (AcceptsCharacter(s, c) && s.text.size() < EditTextLimit) {
        s.text += c;
        changed = true;
    }
    if (!changed) return;
    Invalidate(s.window);
    NotifyCommand(s.window, EditChange);
}

LResult EditMessage(ControlState& s, uint32_t message, WParam wParam, LParam lParam) {
    Window w = s.window;
    switch (message) {
    case MsgChar:
        if (IsWindowInputEnabled(w)) TypeCharacter(s, char16_t(wParam));
        return 0;
    case MsgLButtonDown:
        if (IsWindowInputEnabled(w)) SetFocusTo(w);
        Invalidate(w);
        return 0;
    case MsgSetFocus:
    case MsgKillFocus:
        Invalidate(w);
        return 0;
    default:
        return DefaultWindowProcedure(w, message, wParam, lParam);
    }
}

// ---- Drop-down lists ----

int32_t ItemHeight(const ControlState& s) { return LineHeight(s.font) + 2; }
constexpr int32_t ScrollStripWidth = 12;

void DrawArrow(Surface d, int32_t cx, int32_t cy, bool down, ColorRef color) {
    for (int32_t i = 0; i < 4; ++i) {
        int32_t y = down ? cy - 1 + i : cy + 2 - i;
        DrawLine(d, cx - 3 + i, y, cx + 4 - i, y, color);
    }
}

void DrawComboBox(const ControlState& s, Surface d, const Rect& r, bool enabled) {
    ColorRef field = enabled ? FieldColor() : FaceColor();
    FillColor(d, r, field);
    SunkenEdge(d, r);
    int32_t buttonWidth = std::max(8, Height(r) - 4);
    Rect button{r.right - 2 - buttonWidth, r.top + 2, r.right - 2, r.bottom - 2};
    FillColor(d, button, FaceColor());
    if (s.dropList)
        Edge(d, button, ShadowColor, ShadowColor);
    else
        RaisedEdge(d, button);
    DrawArrow(d, (button.left + button.right) / 2, (button.top + button.bottom) / 2 - 1, true,
              enabled ? TextColor() : GrayTextColor);
    if (s.selected >= 0 && s.selected < int(s.items.size())) {
        Rect textRect{r.left + 4, r.top + 2, button.left - 2, r.bottom - 2};
        DrawCaption(d, s.font, s.items[size_t(s.selected)], textRect, TextLeft | TextVCenter | TextSingleLine,
                    enabled ? TextColor() : GrayTextColor);
    }
}

void DrawDropList(const ControlState& s, Surface d, const Rect& r) {
    FillColor(d, r, FieldColor());
    Edge(d, r, DarkColor, DarkColor);
    const int32_t itemHeight = ItemHeight(s);
    const bool scrolls = int(s.items.size()) > s.dropRows;
    const int32_t right = r.right - 1 - (scrolls ? ScrollStripWidth : 0);
    for (int row = 0; row < s.dropRows; ++row) {
        int index = s.topIndex + row;
        if (index < 0 || index >= int(s.items.size())) break;
        Rect itemRect{r.left + 1, r.top + 1 + row * itemHeight, right, r.top + 1 + (row + 1) * itemHeight};
        bool chosen = index == s.selected;
        if (chosen) FillColor(d, itemRect, HighlightColor);
        DrawCaption(d, s.font, s.items[size_t(index)], Inset(itemRect, 3, 0), TextLeft | TextVCenter | TextSingleLine,
                    chosen ? LightColor : TextColor());
    }
    if (scrolls) {
        Rect strip{right, r.top + 1, r.right - 1, r.bottom - 1};
        FillColor(d, strip, FaceColor());
        int32_t middle = (strip.top + strip.bottom) / 2;
        RaisedEdge(d, Rect{strip.left, strip.top, strip.right, middle});
        RaisedEdge(d, Rect{strip.left, middle, strip.right, strip.bottom});
        int32_t cx = (strip.left + strip.right) / 2 - 1;
        DrawArrow(d, cx, (strip.top + middle) / 2 - 1, false, TextColor());
        DrawArrow(d, cx, (middle + strip.bottom) / 2 - 1, true, TextColor());
    }
}

Window TopLevelOf(Window window) {
    for (int depth = 0; depth < 64; ++depth) {
        Window parent = GetParentWindow(window);
        if (!parent) break;
        window = parent;
    }
    return window;
}

// Closes the dropped-down list; unless the combo box itself is going, the dialog gets the activation
// and the focus back from it.
void CloseDropList(Window combo, bool giveBackFocus = true) {
    ControlState* s = Find(combo);
    if (!s || !s->dropList) return;
    Window list = s->dropList;
    Window focus = s->focusBeforeDrop;
    s->dropList = nullptr;
    s->focusBeforeDrop = nullptr;
    dropListOwners.erase(list);
    if (GetPointerCapture() == list) ReleasePointer();
    DestroyWindowObject(list);
    if (!giveBackFocus) return;
    Window dialog = TopLevelOf(combo);
    if (dialog && IsWindowShown(dialog)) SetForeground(dialog);
    if (focus && IsWindowObject(focus)) SetFocusTo(focus);
    Invalidate(combo);
}

void OpenDropList(ControlState& s) {
    if (s.dropList || s.items.empty()) return;
    Rect comboRect;
    if (!GetWindowRectangle(s.window, &comboRect)) return;
    const int32_t itemHeight = ItemHeight(s);
    const int32_t dropped = s.droppedHeight > Height(comboRect) ? s.droppedHeight : Height(comboRect) + 8 * itemHeight;
    const int count = int(s.items.size());
    const int rows = std::clamp((dropped - Height(comboRect) - 2) / itemHeight, 1, count);
    const int32_t height = rows * itemHeight + 2;
    Rect screen;
    GetWindowRectangle(GetDesktop(), &screen);
    int32_t y = comboRect.bottom;
    if (y + height > screen.bottom && comboRect.top - height >= screen.top) y = comboRect.top - height;
    s.dropRows = rows;
    s.topIndex = std::clamp(s.selected - rows + 1, 0, count - rows);
    Window combo = s.window;
    Window focus = GetFocusWindow();
    Window list = CreateWindowObject(ExStyleTopmost, DropListClass, u"", StylePopup, comboRect.left, y,
                                     Width(comboRect), height, nullptr, 0, nullptr, combo);
    ControlState* again = Find(combo);
    if (!list || !again) return;
    again->dropList = list;
    again->focusBeforeDrop = focus;
    ShowWindowAs(list, ShowShow);
    CapturePointer(list);
    Invalidate(combo);
}

void ScrollDropList(ControlState& s, int direction) {
    int count = int(s.items.size());
    s.topIndex = std::clamp(s.topIndex + direction * s.dropRows, 0, std::max(0, count - s.dropRows));
    if (s.dropList) Invalidate(s.dropList);
}

int FindPrefix(const ControlState& s, WParam start, LParam text) {
    const auto* prefix = reinterpret_cast<const char16_t*>(text);
    const int count = int(s.items.size());
    if (!prefix || count == 0) return ComboError;
    std::u16string wanted = TextFrom(text, 4096);
    int first = int(intptr_t(start));
    first = first < 0 || first >= count ? 0 : first + 1;
    for (int k = 0; k < count; ++k) {
        int index = (first + k) % count;
        if (StartsWithFolded(s.items[size_t(index)], wanted)) return index;
    }
    return ComboError;
}

bool ValidIndex(const ControlState& s, WParam index) {
    return intptr_t(index) >= 0 && intptr_t(index) < intptr_t(s.items.size());
}

LResult ComboMessage(ControlState& s, uint32_t message, WParam wParam, LParam lParam) {
    Window w = s.window;
    switch (message) {
    case ComboAddString: {
        if (!lParam) return ComboError;
        std::u16string text = TextFrom(lParam, 4096);
        auto position = s.items.end();
        if (s.style & ComboSort)
            position = std::upper_bound(s.items.begin(), s.items.end(), text,
                                        [](const std::u16string& a, const std::u16string& b) {
                                            return CompareFolded(a, b) < 0;
                                        });
        int index = int(position - s.items.begin());
        s.items.insert(position, std::move(text));
        if (s.selected >= index) ++s.selected;
        Invalidate(w);
        return index;
    }
    case ComboGetCount:
        return LResult(s.items.size());
    case ComboGetCurSel:
        return s.selected;
    case ComboSetCurSel:
        if (!ValidIndex(s, wParam)) {
            s.selected = -1;
            Invalidate(w);
            return ComboError;
        }
        s.selected = int(wParam);
        Invalidate(w);
        return s.selected;
    case ComboGetLbText: {  // the caller sizes the buffer with ComboGetLbTextLen, as on the handheld
        if (!ValidIndex(s, wParam) || !lParam) return ComboError;
        const std::u16string& text = s.items[size_t(wParam)];
        auto* out = reinterpret_cast<char16_t*>(lParam);
        std::copy(text.begin(), text.end(), out);
        out[text.size()] = 0;
        return LResult(text.size());
    }
    case ComboGetLbTextLen:
        return ValidIndex(s, wParam) ? LResult(s.items[size_t(wParam)].size()) : ComboError;
    case ComboFindString:
        return FindPrefix(s, wParam, lParam);
    case ComboSelectString: {
        int index = FindPrefix(s, wParam, lParam);
        if (index >= 0) {
            s.selected = index;
            Invalidate(w);
        }
        return index;
    }
    case ComboResetContent:
        s.items.clear();
        s.selected = -1;
        CloseDropList(w);
        Invalidate(w);
        return 0;
    case ComboSetDroppedHeight:
        s.droppedHeight = int32_t(std::min<WParam>(wParam, 4096));
        return 0;
    case MsgLButtonDown:
        if (!IsWindowInputEnabled(w)) return 0;
        if (s.dropList)
            CloseDropList(w);
        else
            OpenDropList(s);
        return 0;
    default:
        return DefaultWindowProcedure(w, message, wParam, lParam);
    }
}

LResult DropListProcedure(Window w, uint32_t message, WParam wParam, LParam lParam) {
    if (message == MsgCreate) {
        dropListOwners[w] = static_cast<Window>(reinterpret_cast<void*>(lParam));
        return 0;
    }
    auto owner = dropListOwners.find(w);
    ControlState* s = owner == dropListOwners.end() ? nullptr : Find(owner->second);
    if (!s) return DefaultWindowProcedure(w, message, wParam, lParam);
    Window combo = s->window;
    switch (message) {
    case MsgPaint:
        PaintOffscreen(w, [&](Surface d, const Rect& r) { DrawDropList(*s, d, r); });
        return 0;
    case MsgEraseBackground:
        return 1;
    case MsgLButtonDown: {
        Point p{PointX(lParam), PointY(lParam)};
        Rect client;
        GetClientRectangle(w, &client);
        if (!PointInRectangle(client, p)) {
            CloseDropList(combo);
            return 0;
        }
        bool scrolls = int(s->items.size()) > s->dropRows;
        if (scrolls && p.x >= client.right - 1 - ScrollStripWidth) {
            ScrollDropList(*s, p.y < Height(client) / 2 ? -1 : 1);
            return 0;
        }
        int index = s->topIndex + (p.y - 1) / ItemHeight(*s);
        CloseDropList(combo);
        if (index >= 0 && index < int(s->items.size())) UserSelectItem(combo, index);
        return 0;
    }
    case MsgCaptureChanged:
        CloseDropList(combo);
        return 0;
    case MsgDestroy:
        dropListOwners.erase(w);
        return 0;
    default:
        return DefaultWindowProcedure(w, message, wParam, lParam);
    }
}

// ---- Trackbars ----

struct TrackGeometry {
    int32_t thumbWidth = 0;
    int32_t thumbHeight = 0;
    int32_t top = 2;
    int32_t channelLeft = 0;   // x of the range's minimum
    int32_t channelRight = 0;  // x of the range's maximum
    int32_t channelY = 0;
    int32_t tickTop = 0;
};

TrackGeometry TrackLayout(const Rect& r) {
    TrackGeometry g;
    g.thumbWidth = std::clamp(Height(r) / 3, 7, 11);
    g.thumbHeight = std::clamp(Height(r) * 3 / 5, 8, 21);
    int32_t margin = g.thumbWidth / 2 + 3;
    g.channelLeft = r.left + margin;
    g.channelRight = std::max(g.channelLeft, r.right - margin - 1);
    g.channelY = g.top + g.thumbHeight / 2;
    g.tickTop = g.top + g.thumbHeight + 2;
    return g;
}

int32_t EffectiveMax(const ControlState& s) { return std::max(s.rangeMin, s.rangeMax); }

int32_t XOfValue(const ControlState& s, const TrackGeometry& g, int64_t value) {
    int64_t span = int64_t(EffectiveMax(s)) - s.rangeMin;
    if (span <= 0) return g.channelLeft;
    int64_t offset = (value - s.rangeMin) * (g.channelRight - g.channelLeft) / span;
    return g.channelLeft + int32_t(std::clamp<int64_t>(offset, 0, g.channelRight - g.channelLeft));
}

int32_t ValueAtX(const ControlState& s, const TrackGeometry& g, int32_t x) {
    int64_t span = int64_t(EffectiveMax(s)) - s.rangeMin;
    int64_t width = g.channelRight - g.channelLeft;
    if (span <= 0 || width <= 0) return s.rangeMin;
    int64_t offset = std::clamp<int64_t>(x - g.channelLeft, 0, width);
    return int32_t(s.rangeMin + (offset * span + width / 2) / width);
}

int32_t ClampPosition(const ControlState& s, int32_t position) {
    if (position < s.rangeMin) position = s.rangeMin;
    if (position > s.rangeMax) position = s.rangeMax;
    return position;
}

void DrawTrackbar(const ControlState& s, Surface d, const Rect& r, bool enabled) {
    FillColor(d, r, FaceColor());
    TrackGeometry g = TrackLayout(r);
    Rect channel{g.channelLeft - 2, g.channelY - 2, g.channelRight + 3, g.channelY + 2};
    FillColor(d, channel, enabled ? FieldColor() : FaceColor());
    SunkenEdge(d, channel);
    if (!(s.style & TrackbarNoTicks)) {
        auto tick = [&](int64_t value) {
            int32_t x = XOfValue(s, g, value);
            DrawLine(d, x, g.tickTop, x, g.tickTop + 4, TextColor());
        };
        tick(s.rangeMin);
        tick(EffectiveMax(s));
        int64_t span = int64_t(EffectiveMax(s)) - s.rangeMin;
        if ((s.style & TrackbarAutoTicks) && s.tickFrequency > 0 && span > 0 &&
            span / s.tickFrequency <= (g.channelRight - g.channelLeft) / 2) {
            for (int64_t v = int64_t(s.rangeMin) + s.tickFrequency; v < EffectiveMax(s); v += s.tickFrequency) tick(v);
        }
    }
    int32_t x = XOfValue(s, g, s.position);
    Rect thumb{x - g.thumbWidth / 2, g.top, x - g.thumbWidth / 2 + g.thumbWidth, g.top + g.thumbHeight};
    FillColor(d, thumb, FaceColor());
    if (enabled)
        RaisedEdge(d, thumb);
    else
        Edge(d, thumb, LightColor, ShadowColor);
}

LResult TrackbarMessage(ControlState& s, uint32_t message, WParam wParam, LParam lParam) {
    Window w = s.window;
    Rect client;
    GetClientRectangle(w, &client);
    auto setRange = [&](int32_t low, int32_t high) {
        s.rangeMin = low;
        s.rangeMax = high;
        s.position = ClampPosition(s, s.position);
        Invalidate(w);
        return 0;
    };
    switch (message) {
    case TrackbarGetPos:
        return s.position;
    case TrackbarGetRangeMin:
        return s.rangeMin;
    case TrackbarGetRangeMax:
        return s.rangeMax;
    case TrackbarSetPos:
        s.position = ClampPosition(s, int32_t(lParam));
        Invalidate(w);
        return 0;
    case TrackbarSetRange:
        return setRange(PointX(lParam), PointY(lParam));
    case TrackbarSetRangeMin:
        return setRange(int32_t(lParam), s.rangeMax);
    case TrackbarSetRangeMax:
        return setRange(s.rangeMin, int32_t(lParam));
    case TrackbarSetTicFreq:
        s.tickFrequency = int32_t(wParam);
        Invalidate(w);
        return 0;
    case MsgLButtonDown:
    case MsgMouseMove: {
        if (message == MsgMouseMove && !s.tracking) return 0;
        if (message == MsgLButtonDown) {
            if (!IsWindowInputEnabled(w)) return 0;
            s.tracking = true;
            CapturePointer(w);
        }
        int32_t position = ClampPosition(s, ValueAtX(s, TrackLayout(client), PointX(lParam)));
        if (position == s.position && message == MsgMouseMove) return 0;
        s.position = position;
        Invalidate(w);
        NotifyScroll(w, TrackbarThumbTrack, position);
        return 0;
    }
    case MsgLButtonUp: {
        if (!s.tracking) return 0;
        s.tracking = false;
        int32_t position = s.position;
        if (GetPointerCapture() == w) ReleasePointer();
        NotifyScroll(w, TrackbarThumbPosition, position);
        NotifyScroll(w, TrackbarEndTrack, 0);
        return 0;
    }
    default:
        return DefaultWindowProcedure(w, message, wParam, lParam);
    }
}

// ---- Tab controls ----

// Lays the tabs out in one row; when the captions do not fit with the dialog's font, a smaller font
// is taken, so that every tab stays legible on a narrow screen.
void LayOutTabs(ControlState& s, int32_t width) {
    TabLayout& layout = s.layout;
    if (layout.valid && layout.forWidth == width) return;
    const int32_t available = std::max(1, width - 4);
    auto totalWidth = [&](Font font, int32_t padding, std::vector<int32_t>* widths) {
        int32_t total = 0;
        widths->clear();
        for (const auto& text : s.tabs) {
            int32_t w = MeasureText(font, text).x + 2 * padding;
            widths->push_back(w);
            total += w;
        }
        return total;
    };
    std::vector<int32_t> widths;
    Font chosen = s.font;
    bool fits = totalWidth(s.font, 6, &widths) <= available || totalWidth(s.font, 3, &widths) <= available;
    if (s.ownTabFont) {
        DeleteFontObject(s.ownTabFont);
        s.ownTabFont = nullptr;
    }
    for (int32_t em = LineHeight(s.font) - 3; !fits && em >= 8; --em) {
        Font smaller = CreateDeviceFont(em);
        if (!smaller) break;
        fits = totalWidth(smaller, 3, &widths) <= available;
        if (fits || em == 8) {
            s.ownTabFont = smaller;
            chosen = smaller;
        } else {
            DeleteFontObject(smaller);
        }
    }
    int32_t total = 0;
    for (int32_t w : widths) total += w;
    if (total > available && total > 0)  // still too wide: squeeze every tab alike
        for (int32_t& w : widths) w = std::max(1, int32_t(int64_t(w) * available / total));
    layout.font = chosen;
    layout.stripHeight = LineHeight(chosen) + 6;
    layout.rects.clear();
    int32_t x = 2;
    for (int32_t w : widths) {
        layout.rects.push_back(Rect{x, 2, x + w, layout.stripHeight});
        x += w;
    }
    layout.forWidth = width;
    layout.valid = true;
}

Rect TabRect(const ControlState& s, int index) {
    Rect r = s.layout.rects[size_t(index)];
    if (index == s.current) r = Rect{r.left - 2, 0, r.right + 2, r.bottom + 1};
    return r;
}

void DrawTab(const ControlState& s, Surface d, int index, bool enabled) {
    Rect r = TabRect(s, index);
    FillColor(d, r, FaceColor());
    FillColor(d, Rect{r.left + 1, r.top, r.right - 2, r.top + 1}, LightColor);
    FillColor(d, Rect{r.left, r.top + 1, r.left + 1, r.bottom}, LightColor);
    FillColor(d, Rect{r.right - 2, r.top + 1, r.right - 1, r.bottom}, ShadowColor);
    FillColor(d, Rect{r.right - 1, r.top + 2, r.right, r.bottom}, DarkColor);
    Rect textRect{r.left + 2, r.top + 2, r.right - 2, r.bottom - 1};
    DrawCaption(d, s.layout.font, s.tabs[size_t(index)], textRect, TextCenter | TextVCenter | TextSingleLine,
                enabled ? TextColor() : GrayTextColor);
}

void DrawTabControl(ControlState& s, Surface d, const Rect& r, bool enabled) {
    LayOutTabs(s, Width(r));
    FillColor(d, r, FaceColor());
    Rect body{r.left, r.top + s.layout.stripHeight, r.right, r.bottom};
    Edge(d, body, LightColor, DarkColor);
    Edge(d, Inset(body, 1, 1), FaceColor(), ShadowColor);
    for (int i = 0; i < int(s.tabs.size()); ++i)
        if (i != s.current) DrawTab(s, d, i, enabled);
    if (s.current >= 0 && s.current < int(s.tabs.size())) DrawTab(s, d, s.current, enabled);
}

int HitTab(ControlState& s, Point p) {
    Rect client;
    GetClientRectangle(s.window, &client);
    LayOutTabs(s, Width(client));
    if (s.current >= 0 && s.current < int(s.tabs.size()) && PointInRectangle(TabRect(s, s.current), p))
        return s.current;
    for (int i = 0; i < int(s.tabs.size()); ++i)
        if (PointInRectangle(TabRect(s, i), p)) return i;
    return -1;
}

LResult TabMessage(ControlState& s, uint32_t message, WParam wParam, LParam lParam) {
    Window w = s.window;
    const int count = int(s.tabs.size());
    switch (message) {
    case TabInsertItem: {
        const auto* item = reinterpret_cast<const TabItem*>(lParam);
        int index = int(intptr_t(wParam));
        if (!item || index < 0) return -1;
        index = std::min(index, count);
        s.tabs.insert(s.tabs.begin() + index, TextFrom(LParam(item->text), 256));
        if (s.current >= index) ++s.current;
        if (s.current < 0) s.current = 0;
        s.layout.valid = false;
        Invalidate(w);
        return index;
    }
    case TabGetItemCount:
        return count;
    case TabGetCurSel:
        return s.current;
    case TabSetCurSel: {
        int index = int(intptr_t(wParam));
        if (index < 0 || index >= count) return -1;
        int previous = s.current;
        s.current = index;
        Invalidate(w);
        return previous;
    }
    case MsgLButtonDown: {
        if (!IsWindowInputEnabled(w)) return 0;
        int index = HitTab(s, Point{PointX(lParam), PointY(lParam)});
        if (index >= 0) UserSelectTab(w, index);
        return 0;
    }
    default:
        return DefaultWindowProcedure(w, message, wParam, lParam);
    }
}

// ---- The common procedure ----

ControlKind KindFor(Family family, uint32_t style) {
    switch (family) {
    case Family::Button: {
        uint32_t type = style & ButtonTypeMask;
        bool check = type == ButtonCheckBox || type == ButtonAutoCheckBox || type == 0x0005 || type == 0x0006;
        return check ? ControlKind::CheckBox : ControlKind::PushButton;
    }
    case Family::Static: return ControlKind::Label;
    case Family::Edit: return ControlKind::Edit;
    case Family::ComboBox: return ControlKind::ComboBox;
    case Family::Trackbar: return ControlKind::Trackbar;
    case Family::Tab: return ControlKind::Tab;
    }
    return ControlKind::Unknown;
}

void Paint(ControlState& s) {
    bool enabled = IsWindowInputEnabled(s.window);
    PaintOffscreen(s.window, [&](Surface d, const Rect& r) {
        switch (s.kind) {
        case ControlKind::PushButton: DrawPushButton(s, d, r, enabled); break;
        case ControlKind::CheckBox: DrawCheckBox(s, d, r, enabled); break;
        case ControlKind::Label: DrawLabel(s, d, r, enabled); break;
        case ControlKind::Edit: DrawEdit(s, d, r, enabled); break;
        case ControlKind::ComboBox: DrawComboBox(s, d, r, enabled); break;
        case ControlKind::Trackbar: DrawTrackbar(s, d, r, enabled); break;
        case ControlKind::Tab: DrawTabControl(s, d, r, enabled); break;
        case ControlKind::Unknown: FillColor(d, r, FaceColor()); break;
        }
    });
}

void CreateState(Family family, Window w) {
    // A window that ended without its destroy message (at the end of a process) may have left a record
    // under the same handle: it is simply replaced, its handles belong to the past.
    auto state = std::make_unique<ControlState>();
    state->window = w;
    state->serial = nextSerial++;
    state->style = GetWindowStyle(w);
    state->kind = KindFor(family, state->style);
    char16_t title[256] = {};
    int length = GetWindowTextOf(w, title, 256);
    if (length > 0) state->text.assign(title, size_t(std::min(length, 255)));
    states[w] = std::move(state);
}

void DestroyState(Window w) {
    auto it = states.find(w);
    if (it == states.end()) return;
    CloseDropList(w, false);
    std::unique_ptr<ControlState> state = std::move(it->second);
    states.erase(it);
    if (state->ownIcon) DestroyIconObject(state->ownIcon);
    if (state->ownTabFont) DeleteFontObject(state->ownTabFont);
}

LResult ControlProcedure(Family family, Window w, uint32_t message, WParam wParam, LParam lParam) {
    if (message == MsgCreate) {
        CreateState(family, w);
        return 0;
    }
    ControlState* s = Find(w);
    if (!s) return DefaultWindowProcedure(w, message, wParam, lParam);
    switch (message) {
    case MsgDestroy:
        DestroyState(w);
        return 0;
    case MsgPaint:
        Paint(*s);
        return 0;
    case MsgEraseBackground:
        return 1;
    case MsgSetText:
        s->text = TextFrom(lParam, EditTextLimit);
        s->layout.valid = false;
        Invalidate(w);
        return 1;
    case MsgGetText:
        return CopyText(s->text, wParam, lParam);
    case MsgGetTextLength:
        return LResult(s->text.size());
    case MsgSetFont:
        s->font = reinterpret_cast<Font>(wParam);
        s->layout.valid = false;
        Invalidate(w);
        return 0;
    case MsgGetFont:
        return LResult(s->font);
    case MsgEnable:
        Invalidate(w);
        return 0;
    case MsgCaptureChanged:
        if (s->pressed || s->tracking) {
            s->pressed = false;
            s->tracking = false;
            Invalidate(w);
        }
        return 0;
    default:
        break;
    }
    switch (s->kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox: return ButtonMessage(*s, message, wParam, lParam);
    case ControlKind::Label: return LabelMessage(*s, message, wParam, lParam);
    case ControlKind::Edit: return EditMessage(*s, message, wParam, lParam);
    case ControlKind::ComboBox: return ComboMessage(*s, message, wParam, lParam);
    case ControlKind::Trackbar: return TrackbarMessage(*s, message, wParam, lParam);
    case ControlKind::Tab: return TabMessage(*s, message, wParam, lParam);
    case ControlKind::Unknown: break;
    }
    return DefaultWindowProcedure(w, message, wParam, lParam);
}

LResult ButtonProcedure(Window w, uint32_t m, WParam wp, LParam lp) { return ControlProcedure(Family::Button, w, m, wp, lp); }
LResult StaticProcedure(Window w, uint32_t m, WParam wp, LParam lp) { return ControlProcedure(Family::Static, w, m, wp, lp); }
LResult EditProcedure(Window w, uint32_t m, WParam wp, LParam lp) { return ControlProcedure(Family::Edit, w, m, wp, lp); }
LResult ComboProcedure(Window w, uint32_t m, WParam wp, LParam lp) { return ControlProcedure(Family::ComboBox, w, m, wp, lp); }
LResult TrackbarProcedure(Window w, uint32_t m, WParam wp, LParam lp) { return ControlProcedure(Family::Trackbar, w, m, wp, lp); }
LResult TabProcedure(Window w, uint32_t m, WParam wp, LParam lp) { return ControlProcedure(Family::Tab, w, m, wp, lp); }

}  // namespace

const char* KindName(ControlKind kind) {
    switch (kind) {
    case ControlKind::PushButton: return "push button";
    case ControlKind::CheckBox: return "check box";
    case ControlKind::Label: return "label";
    case ControlKind::Edit: return "edit";
    case ControlKind::ComboBox: return "drop-down list";
    case ControlKind::Trackbar: return "trackbar";
    case ControlKind::Tab: return "tab control";
    case ControlKind::Unknown: break;
    }
    return "unknown control";
}

Font CreateDeviceFont(int32_t emHeight) {
    FontRecord record;
    record.height = -std::max(1, emHeight);
    record.weight = FontWeightNormal;
    record.quality = FontQualityAntialiased;
    record.pitchAndFamily = FontFamilySwiss;
    const char16_t face[] = u"Tahoma";
    std::copy(std::begin(face), std::end(face), record.faceName);
    return CreateFontFrom(&record);
}

Point MeasureTextWith(Font font, const std::u16string& text) { return MeasureText(font, text); }

void RegisterControlClasses() {
    struct Entry {
        const char16_t* name;
        WindowProcedure procedure;
    };
    const Entry entries[] = {
        {ClassButton, ButtonProcedure},     {ClassStatic, StaticProcedure},
        {ClassEdit, EditProcedure},         {ClassComboBox, ComboProcedure},
        {ClassTrackbar, TrackbarProcedure}, {ClassTabControl, TabProcedure},
        {DropListClass, DropListProcedure},
    };
    for (const Entry& entry : entries) {
        WindowClass windowClass;
        windowClass.procedure = entry.procedure;
        windowClass.name = entry.name;
        windowClass.background = GetSystemColorBrush(SysColorButtonFace);
        windowClass.cursor = LoadSystemCursor(CursorArrow);
        RegisterWindowClass(windowClass);  // refused when it exists already: that one serves
    }
}

std::vector<Window> LiveControls() {
    std::vector<const ControlState*> live;
    for (auto it = states.begin(); it != states.end();) {
        if (IsWindowObject(it->first)) {
            live.push_back(it->second.get());
            ++it;
        } else {
            it = states.erase(it);  // ended without its destroy message; its handles are gone with it
        }
    }
    std::sort(live.begin(), live.end(), [](const ControlState* a, const ControlState* b) { return a->serial < b->serial; });
    std::vector<Window> windows;
    for (const ControlState* s : live) windows.push_back(s->window);
    return windows;
}

ControlKind KindOf(Window control) {
    ControlState* s = Find(control);
    return s ? s->kind : ControlKind::Unknown;
}

void UserClick(Window button) {
    ControlState* s = Find(button);
    if (!s || (s->kind != ControlKind::PushButton && s->kind != ControlKind::CheckBox)) return;
    if (!IsWindowInputEnabled(button)) return;
    Click(button);
}

bool UserSelectTab(Window tab, int index) {
    ControlState* s = Find(tab);
    if (!s || s->kind != ControlKind::Tab || index < 0 || index >= int(s->tabs.size())) return false;
    if (!IsWindowInputEnabled(tab) || index == s->current) return true;
    s->current = index;
    Invalidate(tab);
    NotifyTabChange(tab);
    return true;
}

void UserTrack(Window trackbar, int32_t position) {
    ControlState* s = Find(trackbar);
    if (!s || s->kind != ControlKind::Trackbar || !IsWindowInputEnabled(trackbar)) return;
    s->position = ClampPosition(*s, position);
    position = s->position;
    Invalidate(trackbar);
    NotifyScroll(trackbar, TrackbarThumbPosition, position);
    NotifyScroll(trackbar, TrackbarEndTrack, 0);
}

void UserSelectItem(Window combo, int index) {
    ControlState* s = Find(combo);
    if (!s || s->kind != ControlKind::ComboBox || !IsWindowInputEnabled(combo)) return;
    if (index < 0 || index >= int(s->items.size())) return;
    s->selected = index;
    Invalidate(combo);
    NotifyCommand(combo, ComboSelChange);
}

void UserTypeText(Window edit, const std::u16string& text) {
    ControlState* s = Find(edit);
    if (!s || s->kind != ControlKind::Edit || !IsWindowInputEnabled(edit)) return;
    std::u16string typed;
    for (char16_t c : text)
        if (AcceptsCharacter(*s, c) && typed.size() < EditTextLimit) typed += c;
    s->text = typed;
    Invalidate(edit);
    NotifyCommand(edit, EditChange);
}

int FindExactItem(Window combo, const std::u16string& text) {
    ControlState* s = Find(combo);
    if (!s || s->kind != ControlKind::ComboBox) return -1;
    for (size_t i = 0; i < s->items.size(); ++i)
        if (CompareFolded(s->items[i], text) == 0) return int(i);
    return -1;
}

std::vector<std::u16string> ItemsOf(Window combo) {
    ControlState* s = Find(combo);
    return s && s->kind == ControlKind::ComboBox ? s->items : std::vector<std::u16string>{};
}

std::vector<std::u16string> TabTextsOf(Window tab) {
    ControlState* s = Find(tab);
    return s && s->kind == ControlKind::Tab ? s->tabs : std::vector<std::u16string>{};
}

char16_t FoldCase(char16_t c) {
    if (c >= u'A' && c <= u'Z') return char16_t(c + 32);
    if (c >= 0x00C0 && c <= 0x00DE && c != 0x00D7) return char16_t(c + 32);  // Latin-1 capitals
    if (c >= 0x0391 && c <= 0x03AB && c != 0x03A2) return char16_t(c + 32);  // Greek capitals
    if (c >= 0x0410 && c <= 0x042F) return char16_t(c + 32);                 // Cyrillic capitals
    if (c >= 0x0400 && c <= 0x040F) return char16_t(c + 80);                 // Cyrillic capitals with marks
    if (c >= 0x0100 && c <= 0x017F && c != 0x0130 && c != 0x0131 && c != 0x0138 && c != 0x0149 &&
        c != 0x017F) {
        // Latin Extended-A pairs capitals and small letters alternately.
        bool oddPairs = (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E);
        if (oddPairs ? (c % 2 == 1) : (c % 2 == 0)) return char16_t(c + 1);
    }
    return c;
}

}  // namespace platform::sim::controls
