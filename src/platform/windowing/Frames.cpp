// The non-client frame that the device draws around a window with a border or a caption: a 1-pixel
// border and, with a caption, an 18-pixel dark blue title bar with the title in white and the caption
// buttons ("ok", "?") at its right.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"
#include "platform/windowing/RasterInternal.h"

namespace platform::sim::detail {

namespace {

constexpr int32_t BorderWidth = 1;
constexpr int32_t TitleBarHeight = 18;
constexpr ColorRef BorderColor = Rgb(0, 0, 0);
constexpr ColorRef TitleBarColor = Rgb(0, 0, 128);
constexpr ColorRef TitleTextColor = Rgb(255, 255, 255);
constexpr int32_t OkBoxWidth = 22;
constexpr int32_t HelpBoxWidth = 14;
constexpr int32_t ButtonMargin = 2;

bool HasCaption(uint32_t style) { return (style & StyleCaption) == StyleCaption; }

// Caption button boxes in window coordinates (empty when the window has no such button).
struct CaptionButtons {
    Rect ok;
    Rect help;
};

CaptionButtons ButtonsOf(const WindowObject* o) {
    CaptionButtons b;
    if (!HasCaption(o->style)) return b;
    int32_t width = Width(o->rect);
    int32_t right = width - BorderWidth - ButtonMargin;
    int32_t top = BorderWidth + ButtonMargin;
    int32_t bottom = BorderWidth + TitleBarHeight - ButtonMargin;
    if (o->exStyle & ExStyleCaptionOkButton) {
        b.ok = Rect{right - OkBoxWidth, top, right, bottom};
        right = b.ok.left - ButtonMargin;
    }
    if (o->exStyle & ExStyleContextHelp) b.help = Rect{right - HelpBoxWidth, top, right, bottom};
    return b;
}

void DrawBox(Surface surface, const Rect& box, Brush ink, const char16_t* label) {
    if (IsRectangleEmpty(box)) return;
    Rect edges[4] = {{box.left, box.top, box.right, box.top + 1},
                     {box.left, box.bottom - 1, box.right, box.bottom},
                     {box.left, box.top, box.left + 1, box.bottom},
                     {box.right - 1, box.top, box.right, box.bottom}};
    for (const Rect& edge : edges) FillRectangle(surface, &edge, ink);
    Rect text = box;
    DrawTextIn(surface, label, -1, &text, TextCenter | TextVCenter | TextSingleLine);
}

// The columns [first, first + count) of a window's title bar (bar coordinates: the window's without its
// border), drawn with the device's own raster. Only the part that can show is made.
Image TitleBarImage(const WindowObject* o, int32_t first, int32_t count) {
    Image bar(count, TitleBarHeight, TitleBarColor);
    if (count <= 0) return bar;
    Surface surface = CreateMemorySurface(nullptr);
    if (!surface) return bar;
    Bitmap bitmap = CreateCompatibleBitmapFor(surface, count, TitleBarHeight);
    Brush fill = CreateSolidBrushOf(TitleBarColor);
    Brush ink = CreateSolidBrushOf(TitleTextColor);
    if (bitmap && fill && ink) {
        Bitmap previous = SelectBitmapInto(surface, bitmap);
        Rect all{0, 0, count, TitleBarHeight};
        FillRectangle(surface, &all, fill);
        SetBackgroundMode(surface, BackgroundTransparent);
        SetTextColorOf(surface, TitleTextColor);
        // Window coordinates to the bitmap's.
        auto place = [first](Rect r) {
            return IsRectangleEmpty(r) ? Rect{} : Rect{r.left - BorderWidth - first, r.top - BorderWidth,
                                                        r.right - BorderWidth - first, r.bottom - BorderWidth};
        };
        CaptionButtons buttons = ButtonsOf(o);
        Rect ok = place(buttons.ok), help = place(buttons.help);
        int32_t textRight = Width(o->rect) - 2 * BorderWidth - 2 - first;
        if (!IsRectangleEmpty(help)) textRight = help.left - 2;
        else if (!IsRectangleEmpty(ok)) textRight = ok.left - 2;
        Rect title{4 - first, 0, std::max(4 - first, textRight), TitleBarHeight};
        DrawTextIn(surface, o->title.c_str(), int(o->title.size()), &title, TextVCenter | TextSingleLine);
        DrawBox(surface, ok, ink, u"ok");
        DrawBox(surface, help, ink, u"?");
        // The bitmap's rows, read straight from its canvas (the bitmap covers the whole bar).
        const raster::Canvas canvas = raster::SourceCanvasOf(raster::FindSurface(surface), all);
        const Rect read{canvas.origin.x, canvas.origin.y, canvas.origin.x + count, canvas.origin.y + TitleBarHeight};
        Rect inside;
        if (canvas.Usable() && IntersectRectangles(&inside, read, canvas.limit) && inside == read)
            for (int32_t y = 0; y < TitleBarHeight; ++y)
                platform::raster::ReadRow(canvas, read.left, read.top + y, count, &bar.At(0, y));
        SelectBitmapInto(surface, previous);
    }
    if (bitmap) DeleteBitmapObject(bitmap);
    if (fill) DeleteBrushObject(fill);
    if (ink) DeleteBrushObject(ink);
    DeleteMemorySurface(surface);
    return bar;
}

}  // namespace

bool HasFrame(uint32_t style) { return (style & StyleCaption) != 0; }

FrameInsets FrameInsetsOf(uint32_t style) {
    if (HasCaption(style)) return FrameInsets{BorderWidth, BorderWidth + TitleBarHeight, BorderWidth, BorderWidth};
    if (HasFrame(style)) return FrameInsets{BorderWidth, BorderWidth, BorderWidth, BorderWidth};
    return FrameInsets{};
}

void DrawFrame(WindowObject* o) {
    if (!o || !HasFrame(o->style) || !EffectivelyVisible(o)) return;
    WindowPictureAccess access;
    if (!AccessWindowPicture(o, &access)) return;
    const raster::Canvas& picture = access.picture;
    const Point at = access.origin;
    Rect window = WindowScreenRect(o);
    Rect client = ClientScreenRect(o);
    Rect visible;
    if (!IntersectRectangles(&visible, window,
                             Rect{at.x, at.y, at.x + picture.limit.right, at.y + picture.limit.bottom}))
        return;
    // The bar's columns that lie in the picture.
    int32_t barLeft = window.left + BorderWidth, barRight = window.right - BorderWidth;
    int32_t first = std::max(visible.left, barLeft) - barLeft;
    int32_t count = std::min(visible.right, barRight) - barLeft - first;
    Image bar;
    if (HasCaption(o->style)) bar = TitleBarImage(o, first, count);
    NotePictureDamage(access.top, Rect{visible.left - at.x, visible.top - at.y, visible.right - at.x,
                                       visible.bottom - at.y});
    // The frame's pixels of row y in the columns [from, to), written in runs where the window is the
    // topmost of its tree.
    std::vector<ColorRef> colors;
    auto paint = [&](int32_t y, int32_t from, int32_t to) {
        if (from >= to) return;
        const int32_t py = y - at.y, by = y - window.top - BorderWidth;
        colors.resize(size_t(to - from));
        for (int32_t x = from; x < to; ++x) {
            const int32_t bx = x - barLeft - first;
            colors[size_t(x - from)] = bar.Contains(bx, by) ? bar.At(bx, by) : BorderColor;
        }
        // Without children the window owns its whole picture.
        const Window* owners = access.owners ? access.owners + size_t(py) * size_t(picture.limit.right) : nullptr;
        for (int32_t x = from; x < to;) {
            while (x < to && owners && owners[x - at.x] != o) ++x;
            int32_t end = x;
            while (end < to && (owners ? owners[end - at.x] == o : access.top == o)) ++end;
            if (end > x) raster::WriteRow(picture, x - at.x, py, end - x, colors.data() + (x - from), nullptr);
            x = end == x ? to : end;
        }
    };
    for (int32_t y = visible.top; y < visible.bottom; ++y) {
        bool clientRow = y >= client.top && y < client.bottom && !IsRectangleEmpty(client);
        if (!clientRow) {
            paint(y, visible.left, visible.right);
            continue;
        }
        paint(y, visible.left, std::min(client.left, visible.right));
        paint(y, std::max(client.right, visible.left), visible.right);
    }
}

int CaptionButtonAt(const WindowObject* o, Point screen) {
    if (!o) return 0;
    Rect window = WindowScreenRect(o);
    Point p{screen.x - window.left, screen.y - window.top};
    CaptionButtons buttons = ButtonsOf(o);
    if (PointInRectangle(buttons.ok, p)) return 1;
    if (PointInRectangle(buttons.help, p)) return 2;
    return 0;
}

}  // namespace platform::sim::detail
