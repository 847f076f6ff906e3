#include "platform/x11/PointerShapes.h"

#include <algorithm>
#include <vector>

#include "platform/Constants.h"
#include "platform/windowing/Internal.h"
#include "platform/x11/Connection.h"

namespace platform::x11 {

namespace {

unsigned ShapeOfSystemCursor(int id) {
    switch (id) {
    case CursorSizeWE: return XC_sb_h_double_arrow;
    case CursorSizeNS: return XC_sb_v_double_arrow;
    case CursorSizeAll: return XC_fleur;
    default: return XC_left_ptr;
    }
}

}  // namespace

PointerShapes::~PointerShapes() {
    if (!X().display) return;
    for (auto& [cursor, shape] : made_)
        if (shape != None) XFreeCursor(X().display, shape);
}

::Cursor PointerShapes::Of(platform::Cursor cursor) {
    if (!cursor) return None;
    auto found = made_.find(cursor);
    if (found != made_.end()) return found->second;
    return made_[cursor] = Make(cursor);
}

::Cursor PointerShapes::Make(platform::Cursor cursor) {
    Connection& x = X();
    if (cursor->system) return XCreateFontCursor(x.display, ShapeOfSystemCursor(cursor->id));
    const raster::Image& picture = cursor->image;
    const int w = picture.width, h = picture.height;
    if (w <= 0 || h <= 0) return None;
    const size_t stride = size_t((w + 7) / 8);
    std::vector<unsigned char> dark(stride * size_t(h), 0), shown(stride * size_t(h), 0);
    for (int y = 0; y < h; ++y)
        for (int xx = 0; xx < w; ++xx) {
            const size_t index = size_t(y) * size_t(w) + size_t(xx);
            if (index < cursor->mask.size() && cursor->mask[index]) continue;
            const ColorRef c = picture.At(xx, y);
            const unsigned char bit = (unsigned char)(1u << (xx % 8));
            shown[size_t(y) * stride + size_t(xx / 8)] |= bit;
            if (RedOf(c) + GreenOf(c) + BlueOf(c) < 384) dark[size_t(y) * stride + size_t(xx / 8)] |= bit;
        }
    const Pixmap source = XCreateBitmapFromData(x.display, x.root, reinterpret_cast<const char*>(dark.data()),
                                                unsigned(w), unsigned(h));
    const Pixmap mask = XCreateBitmapFromData(x.display, x.root, reinterpret_cast<const char*>(shown.data()),
                                              unsigned(w), unsigned(h));
    XColor black{}, white{};
    white.red = white.green = white.blue = 0xFFFF;
    const ::Cursor made = XCreatePixmapCursor(x.display, source, mask, &black, &white,
                                              unsigned(std::clamp(cursor->hotSpot.x, 0, w - 1)),
                                              unsigned(std::clamp(cursor->hotSpot.y, 0, h - 1)));
    XFreePixmap(x.display, source);
    XFreePixmap(x.display, mask);
    return made;
}

}  // namespace platform::x11
