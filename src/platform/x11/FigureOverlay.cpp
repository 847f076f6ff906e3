#include "platform/x11/FigureOverlay.h"

#include <algorithm>
#include <string>
#include <vector>

#include <X11/extensions/shape.h>

#include "platform/Geometry.h"
#include "platform/x11/Connection.h"

namespace platform::x11 {

namespace {

// Rows read from the screen at once: a slanted line's new pixels are read band by band, each band
// only as wide as its pixels, not as the whole box of the line.
constexpr int32_t BandRows = 32;

int32_t XOf(uint64_t key) { return int32_t(uint32_t(key)); }
int32_t YOf(uint64_t key) { return int32_t(uint32_t(key >> 32)); }

// A cell of the figure's mask that is drawn (Xlib's None hides the mask's own name for the others).
bool Marked(uint8_t cell) { return cell == raster::FigureMask::Outline || cell == raster::FigureMask::Interior; }

ColorRef ColourOfPixel(uint32_t pixel) { return Rgb(uint8_t(pixel >> 16), uint8_t(pixel >> 8), uint8_t(pixel)); }

void SetAtom(::Window xid, const char* property, const char* value) {
    const ::Atom atom = AtomOf(value);
    XChangeProperty(X().display, xid, AtomOf(property), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&atom), 1);
}

}  // namespace

bool CompositingManagerRuns() {
    Connection& x = X();
    const std::string name = "_NET_WM_CM_S" + std::to_string(x.screen);
    return XGetSelectionOwner(x.display, AtomOf(name.c_str())) != None;
}

FigureOverlay::~FigureOverlay() {
    Connection& x = X();
    if (!x.display) return;
    if (picture_) XFreePixmap(x.display, picture_);
    if (window_) XDestroyWindow(x.display, window_);
}

void FigureOverlay::Draw(const raster::FigureMask& mask, ColorRef outlineInk, ColorRef interiorInk, int lineMode) {
    Rect box;
    if (!IntersectRectangles(&box, mask.box, Rect{0, 0, X().width, X().height})) return;
    const size_t width = size_t(Width(mask.box));
    auto cellAt = [&](int32_t x, int32_t y) {
        return mask.cells[size_t(y - mask.box.top) * width + size_t(x - mask.box.left)];
    };
    std::vector<uint64_t> unknown;  // pixels whose screen colour is not known yet, by row
    for (int32_t y = box.top; y < box.bottom; ++y)
        for (int32_t x = box.left; x < box.right; ++x)
            if (Marked(cellAt(x, y)) && !screenOf_.count(KeyOf(x, y)))
                unknown.push_back(KeyOf(x, y));
    ReadScreenColours(unknown);
    for (int32_t y = box.top; y < box.bottom; ++y)
        for (int32_t x = box.left; x < box.right; ++x) {
            const uint8_t cell = cellAt(x, y);
            if (!Marked(cell)) continue;
            const uint64_t key = KeyOf(x, y);
            ScreenColour& under = screenOf_[key];
            under.used = syncs_;
            const ColorRef screen = under.colour;
            auto found = pixels_.find(key);
            const ColorRef now = found == pixels_.end() ? screen : found->second;
            const ColorRef ink = (cell == raster::FigureMask::Outline ? outlineInk : interiorInk) & 0xFFFFFF;
            const ColorRef next = raster::ApplyLineMode(lineMode, ink, now) & 0xFFFFFF;
            if (next != screen) pixels_[key] = next;
            else if (found != pixels_.end()) pixels_.erase(found);
        }
    changed_ = true;
}

// The screen's colours are read once per figure pixel while figures are shown: a pixel the overlay
// covers would read back as the figure, and one it just gave up may not be painted again yet.
void FigureOverlay::ReadScreenColours(const std::vector<uint64_t>& keys) {
    for (size_t first = 0; first < keys.size();) {
        const int32_t top = YOf(keys[first]);
        size_t end = first;
        int32_t left = XOf(keys[first]), right = left + 1, bottom = top + 1;
        for (; end < keys.size() && YOf(keys[end]) < top + BandRows; ++end) {
            left = std::min(left, XOf(keys[end]));
            right = std::max(right, XOf(keys[end]) + 1);
            bottom = YOf(keys[end]) + 1;
        }
        XImage* image = reads_.Read(X().root, left, top, right - left, bottom - top);
        for (size_t i = first; i < end; ++i) {
            const int32_t x = XOf(keys[i]) - left, y = YOf(keys[i]) - top;
            screenOf_[keys[i]].colour =
                image ? ColourOfPixel(reinterpret_cast<const uint32_t*>(image->data + y * image->bytes_per_line)[x])
                      : 0;
        }
        first = end;
    }
}

void FigureOverlay::Sync() {
    if (changed_) {
        if (pixels_.empty()) Hide();
        else Show();
        changed_ = false;
    }
    ++syncs_;
    ForgetOldScreenColours();
    if (raise_ && mapped_) XRaiseWindow(X().display, window_);
    raise_ = false;
}

// The figure pixels as runs along their rows: together the window's shape, by colour its picture.
void FigureOverlay::Show() {
    Connection& x = X();
    Rect box{XOf(pixels_.begin()->first), YOf(pixels_.begin()->first), 0, YOf(pixels_.rbegin()->first) + 1};
    for (const auto& [key, colour] : pixels_) {
        box.left = std::min(box.left, XOf(key));
        box.right = std::max(box.right, XOf(key) + 1);
    }
    std::vector<XRectangle> shape;
    std::map<ColorRef, std::vector<XRectangle>> inks;
    for (auto it = pixels_.begin(); it != pixels_.end();) {
        const int32_t x0 = XOf(it->first), y = YOf(it->first);
        const short row = short(y - box.top);
        int32_t x = x0;
        for (; it != pixels_.end() && YOf(it->first) == y && XOf(it->first) == x; ++it, ++x) {
            std::vector<XRectangle>& runs = inks[it->second];
            const short column = short(x - box.left);
            if (!runs.empty() && runs.back().y == row && runs.back().x + runs.back().width == column) ++runs.back().width;
            else runs.push_back(XRectangle{column, row, 1, 1});
        }
        shape.push_back(XRectangle{short(x0 - box.left), short(y - box.top), (unsigned short)(x - x0), 1});
    }

    if (!window_) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixmap = None;
        window_ = XCreateWindow(x.display, x.root, box.left, box.top, unsigned(Width(box)), unsigned(Height(box)), 0,
                                CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect | CWBackPixmap,
                                &attributes);
        XClassHint hint{const_cast<char*>("vistrel-figures"), const_cast<char*>("Vistrel")};
        XSetClassHint(x.display, window_, &hint);
        XStoreName(x.display, window_, "Vistrel figures");
        // Compositing managers give drag pictures neither shadows nor fades.
        SetAtom(window_, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DND");
        // The pointer goes through to what lies under the figures.
        XShapeCombineRectangles(x.display, window_, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    }
    if (!picture_ || Width(box) != Width(box_) || Height(box) != Height(box_)) {
        if (picture_) XFreePixmap(x.display, picture_);
        picture_ = XCreatePixmap(x.display, window_, unsigned(Width(box)), unsigned(Height(box)), unsigned(x.depth));
    }
    ::GC gc = XCreateGC(x.display, picture_, 0, nullptr);
    for (const auto& [colour, runs] : inks) {
        XSetForeground(x.display, gc, PixelOf(colour));
        XFillRectangles(x.display, picture_, gc, const_cast<XRectangle*>(runs.data()), int(runs.size()));
    }
    XFreeGC(x.display, gc);
    XShapeCombineRectangles(x.display, window_, ShapeBounding, 0, 0, shape.data(), int(shape.size()), ShapeSet,
                            YXBanded);
    if (box != box_) XMoveResizeWindow(x.display, window_, box.left, box.top, unsigned(Width(box)), unsigned(Height(box)));
    box_ = box;
    XSetWindowBackgroundPixmap(x.display, window_, picture_);
    XClearWindow(x.display, window_);
    if (!mapped_) {
        XMapRaised(x.display, window_);
        mapped_ = true;
        raise_ = false;
    }
    XFlush(x.display);
}

// A long measurement sweeps its line over much of the screen: colours of pixels the figures left a
// while ago are read again when needed, so the colours kept stay about as many as the figures' pixels.
void FigureOverlay::ForgetOldScreenColours() {
    constexpr size_t Kept = 1 << 16;
    constexpr uint32_t RecentSyncs = 8;  // a compositing manager may not have painted them again yet
    if (screenOf_.size() <= Kept + 2 * pixels_.size()) return;
    for (auto it = screenOf_.begin(); it != screenOf_.end();) {
        if (it->second.used + RecentSyncs < syncs_ && !pixels_.count(it->first)) it = screenOf_.erase(it);
        else ++it;
    }
}

// No figure is left: the window goes, and with it every screen colour read for the figures.
void FigureOverlay::Hide() {
    Connection& x = X();
    if (mapped_) XUnmapWindow(x.display, window_);
    mapped_ = false;
    if (picture_) XFreePixmap(x.display, picture_);
    picture_ = 0;
    box_ = Rect{};
    screenOf_.clear();
    XFlush(x.display);
}

}  // namespace platform::x11
