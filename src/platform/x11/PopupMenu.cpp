#include "platform/x11/PopupMenu.h"

#include <algorithm>

#include "platform/Constants.h"
#include "platform/Geometry.h"
#include "platform/raster/Canvas.h"
#include "platform/x11/Connection.h"
#include "platform/x11/ImageBuffer.h"

namespace platform::x11 {

namespace {

constexpr int32_t ItemHeight = 20;
constexpr int32_t SeparatorHeight = 7;
constexpr int32_t TextInset = 22;  // room for the check mark
constexpr int32_t MinWidth = 100;
constexpr int32_t TextHeight = -12;
constexpr ColorRef MenuColor = 0xF0F0F0;
constexpr ColorRef TextColor = 0x000000;
constexpr ColorRef HighlightColor = 0x9F5F2F;  // blue
constexpr ColorRef HighlightTextColor = 0xFFFFFF;
constexpr ColorRef EdgeColor = 0x808080;

struct Layout {
    std::vector<Rect> rows;  // per item, menu coordinates
    int32_t width = 0;
    int32_t height = 0;
};

raster::TextStyle StyleOf(ColorRef color) {
    raster::TextStyle style;
    style.height = TextHeight;
    style.weight = FontWeightNormal;
    style.antialiased = true;
    style.color = color;
    style.opaque = false;
    return style;
}

Layout LayOut(const std::vector<sim::MenuItemInfo>& items) {
    Layout layout;
    int32_t widest = MinWidth;
    for (const sim::MenuItemInfo& item : items) {
        if (item.separator) continue;
        Rect measure{0, 0, 0, 0};
        raster::LayOutText(nullptr, StyleOf(TextColor), item.text, &measure, TextSingleLine | TextCalcRect);
        widest = std::max(widest, Width(measure) + TextInset * 2);
    }
    int32_t y = 2;
    for (const sim::MenuItemInfo& item : items) {
        const int32_t h = item.separator ? SeparatorHeight : ItemHeight;
        layout.rows.push_back(Rect{2, y, widest + 2, y + h});
        y += h;
    }
    layout.width = widest + 4;
    layout.height = y + 2;
    return layout;
}

raster::Image Draw(const std::vector<sim::MenuItemInfo>& items, const Layout& layout, int highlighted) {
    raster::Image image(layout.width, layout.height, MenuColor);
    raster::Canvas canvas = raster::CanvasOfImage(image);
    const Rect all{0, 0, layout.width, layout.height};
    raster::FillBlock(canvas, Rect{0, 0, all.right, 1}, EdgeColor);
    raster::FillBlock(canvas, Rect{0, all.bottom - 1, all.right, all.bottom}, EdgeColor);
    raster::FillBlock(canvas, Rect{0, 0, 1, all.bottom}, EdgeColor);
    raster::FillBlock(canvas, Rect{all.right - 1, 0, all.right, all.bottom}, EdgeColor);
    for (size_t i = 0; i < items.size(); ++i) {
        const Rect row = layout.rows[i];
        if (items[i].separator) {
            const int32_t mid = (row.top + row.bottom) / 2;
            raster::FillBlock(canvas, Rect{row.left + 4, mid, row.right - 4, mid + 1}, EdgeColor);
            continue;
        }
        const bool lit = int(i) == highlighted;
        if (lit) raster::FillBlock(canvas, row, HighlightColor);
        const raster::TextStyle style = StyleOf(lit ? HighlightTextColor : TextColor);
        if (items[i].checked) {
            Rect mark{row.left + 6, row.top, row.left + TextInset, row.bottom};
            raster::LayOutText(&canvas, style, u"\u2713", &mark, TextSingleLine | TextVCenter);
        }
        Rect text{row.left + TextInset, row.top, row.right, row.bottom};
        raster::LayOutText(&canvas, style, items[i].text, &text, TextSingleLine | TextVCenter);
    }
    return image;
}

int ItemAt(const std::vector<sim::MenuItemInfo>& items, const Layout& layout, Point p) {
    for (size_t i = 0; i < items.size(); ++i)
        if (!items[i].separator && PointInRectangle(layout.rows[i], p)) return int(i);
    return -1;
}

class MenuWindow {
public:
    MenuWindow(const Layout& layout, Point at) {
        Connection& x = X();
        origin_ = Point{std::clamp(at.x, 0, std::max(0, x.width - layout.width)),
                        std::clamp(at.y, 0, std::max(0, x.height - layout.height))};
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixmap = None;
        attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
        xid_ = XCreateWindow(x.display, x.root, origin_.x, origin_.y, unsigned(layout.width), unsigned(layout.height), 0,
                             CopyFromParent, InputOutput, CopyFromParent,
                             CWOverrideRedirect | CWBackPixmap | CWEventMask, &attributes);
        XGCValues values{};
        values.graphics_exposures = False;
        gc_ = XCreateGC(x.display, xid_, GCGraphicsExposures, &values);
        XMapRaised(x.display, xid_);
        constexpr long events = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
        // The server may refuse while another grab ends; a few tries settle it.
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (XGrabPointer(x.display, xid_, False, events, GrabModeAsync, GrabModeAsync, None, None, CurrentTime) ==
                GrabSuccess)
                break;
            XSync(x.display, False);
        }
        XGrabKeyboard(x.display, xid_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    }
    ~MenuWindow() {
        Connection& x = X();
        XUngrabPointer(x.display, CurrentTime);
        XUngrabKeyboard(x.display, CurrentTime);
        XFreeGC(x.display, gc_);
        XDestroyWindow(x.display, xid_);
        XFlush(x.display);
    }
    void Show(const raster::Image& image) {
        XImage* target = buffer_.Shape(image.width, image.height);
        if (!target) return;
        raster::Canvas to;
        to.row0 = reinterpret_cast<uint8_t*>(target->data);
        to.stride = target->bytes_per_line;
        to.format = raster::PixelFormat::Bgrx32;
        to.limit = Rect{0, 0, image.width, image.height};
        raster::CopyBlock(to, 0, 0, image.width, image.height, raster::CanvasOfImage(const_cast<raster::Image&>(image)),
                          0, 0);
        buffer_.Put(xid_, gc_, 0, 0, 0, 0, image.width, image.height);
        XFlush(X().display);
    }
    ::Window Xid() const { return xid_; }
    Point Origin() const { return origin_; }

private:
    ::Window xid_ = 0;
    ::GC gc_ = nullptr;
    Point origin_;
    ImageBuffer buffer_;
};

}  // namespace

int TrackPopupMenu(const std::vector<sim::MenuItemInfo>& items, Point at,
                   const std::function<void(XEvent&)>& elsewhere) {
    if (items.empty()) return 0;
    const Layout layout = LayOut(items);
    MenuWindow window(layout, at);
    int highlighted = -1;
    bool pressedInside = false;
    bool moved = false;  // the release of the press that opened the menu chooses nothing unless dragged
    Connection& x = X();
    for (;;) {
        XEvent event;
        XNextEvent(x.display, &event);
        if (event.xany.window != window.Xid()) {
            if (elsewhere) elsewhere(event);
            continue;
        }
        const Point origin = window.Origin();
        switch (event.type) {
        case Expose:
            if (event.xexpose.count == 0) window.Show(Draw(items, layout, highlighted));
            break;
        case MotionNotify: {
            const Point p{event.xmotion.x_root - origin.x, event.xmotion.y_root - origin.y};
            moved = true;
            const int now = ItemAt(items, layout, p);
            if (now != highlighted) {
                highlighted = now;
                window.Show(Draw(items, layout, highlighted));
            }
            break;
        }
        case ButtonPress: {
            const Point p{event.xbutton.x_root - origin.x, event.xbutton.y_root - origin.y};
            pressedInside = PointInRectangle(Rect{0, 0, layout.width, layout.height}, p);
            if (!pressedInside) return 0;
            break;
        }
        case ButtonRelease: {
            const Point p{event.xbutton.x_root - origin.x, event.xbutton.y_root - origin.y};
            if (!pressedInside && !moved) break;
            const int item = ItemAt(items, layout, p);
            if (item >= 0) return int(items[size_t(item)].id);
            if (pressedInside) return 0;
            break;
        }
        case KeyPressEvent: {
            const KeySym symbol = XLookupKeysym(&event.xkey, 0);
            if (symbol == XK_Escape) return 0;
            if (symbol == XK_Return && highlighted >= 0) return int(items[size_t(highlighted)].id);
            if (symbol == XK_Down || symbol == XK_Up) {
                const int step = symbol == XK_Down ? 1 : -1;
                int next = highlighted;
                for (size_t n = 0; n < items.size(); ++n) {
                    next = (next + step + int(items.size())) % int(items.size());
                    if (!items[size_t(next)].separator) break;
                }
                highlighted = next;
                window.Show(Draw(items, layout, highlighted));
            }
            break;
        }
        default:
            break;
        }
    }
}

}  // namespace platform::x11
