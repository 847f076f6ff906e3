#include "platform/x11/RootScreen.h"

#include <vector>

namespace platform::x11 {

int FunctionOfLineMode(int lineMode) {
    // Binary raster operations 1..16 in order: black, not-merge, mask-not-pen, not-copy, mask-pen-not,
    // not, xor, not-mask, mask, not-xor, nop, merge-not-pen, copy, merge-pen-not, merge, white.
    static constexpr int Functions[16] = {GXclear,  GXnor,  GXandInverted, GXcopyInverted, GXandReverse, GXinvert,
                                          GXxor,    GXnand, GXand,         GXequiv,        GXnoop,       GXorInverted,
                                          GXcopy,   GXorReverse, GXor,     GXset};
    return lineMode >= 1 && lineMode <= 16 ? Functions[lineMode - 1] : GXcopy;
}

RootScreen::RootScreen() {
    Connection& x = X();
    XGCValues values{};
    values.subwindow_mode = IncludeInferiors;  // over every window, as figures on the handheld's screen
    values.graphics_exposures = False;
    figures_ = XCreateGC(x.display, x.root, GCSubwindowMode | GCGraphicsExposures, &values);
}

RootScreen::~RootScreen() {
    if (figures_ && X().display) XFreeGC(X().display, figures_);
}

raster::Canvas RootScreen::ReadScreen(const Rect& area) {
    raster::Canvas canvas;
    XImage* image = reads_.Read(X().root, area.left, area.top, Width(area), Height(area));
    if (!image) return canvas;
    canvas.row0 = reinterpret_cast<uint8_t*>(image->data);
    canvas.stride = image->bytes_per_line;
    canvas.format = raster::PixelFormat::Bgrx32;
    canvas.origin = Point{-area.left, -area.top};
    canvas.limit = Rect{0, 0, Width(area), Height(area)};
    return canvas;
}

uint8_t* RootScreen::PictureStorage(platform::Window topLevel, int32_t width, int32_t height, ptrdiff_t* stride) {
    std::unique_ptr<ImageBuffer>& buffer = pictures_[topLevel];
    if (!buffer) buffer = std::make_unique<ImageBuffer>();
    XImage* image = buffer->Shape(width, height);
    if (!image) {
        pictures_.erase(topLevel);
        return nullptr;
    }
    *stride = image->bytes_per_line;
    return reinterpret_cast<uint8_t*>(image->data);
}

void RootScreen::ReleasePictureStorage(platform::Window topLevel) { pictures_.erase(topLevel); }

void RootScreen::PictureWillChange(platform::Window topLevel) {
    auto it = pictures_.find(topLevel);
    if (it != pictures_.end()) it->second->AwaitServer();
}

bool RootScreen::PutPicture(platform::Window topLevel, ::Drawable drawable, ::GC gc, const Rect& part, int x, int y) {
    auto it = pictures_.find(topLevel);
    if (it == pictures_.end()) return false;
    it->second->Put(drawable, gc, part.left, part.top, x, y, Width(part), Height(part));
    return true;
}

void RootScreen::DrawScreenFigure(const raster::FigureMask& mask, ColorRef outlineInk, ColorRef interiorInk,
                                  int lineMode) {
    if (overlay_.Holds() || CompositingManagerRuns()) {
        overlay_.Draw(mask, outlineInk, interiorInk, lineMode);
        return;
    }
    Connection& x = X();
    if (!figures_) return;
    XSetFunction(x.display, figures_, FunctionOfLineMode(lineMode));
    const int32_t width = Width(mask.box);
    for (uint8_t ink : {raster::FigureMask::Outline, raster::FigureMask::Interior}) {
        // Each row's runs of this ink, as rectangles one pixel high.
        std::vector<XRectangle> runs;
        for (int32_t row = 0; row < Height(mask.box); ++row) {
            const uint8_t* cells = mask.cells.data() + size_t(row) * size_t(width);
            for (int32_t col = 0; col < width;) {
                if (cells[col] != ink) {
                    ++col;
                    continue;
                }
                int32_t end = col;
                while (end < width && cells[end] == ink) ++end;
                runs.push_back(XRectangle{short(mask.box.left + col), short(mask.box.top + row),
                                          (unsigned short)(end - col), 1});
                col = end;
            }
        }
        if (runs.empty()) continue;
        XSetForeground(x.display, figures_, PixelOf(ink == raster::FigureMask::Outline ? outlineInk : interiorInk));
        XFillRectangles(x.display, x.root, figures_, runs.data(), int(runs.size()));
    }
    XFlush(x.display);
}

}  // namespace platform::x11
