// The screen of the simulated handheld: its pixels, the desktop picture behind every window, and the
// map of which window owns each pixel. The windows draw in their own pictures; the screen takes what
// they drew where they are the topmost window. Only what a window covers or uncovers changes:
// uncovered pixels show the desktop picture again, newly covered ones wait for their window's paint.
// Anything drawn straight on the screen (an XOR figure) stays until something paints over it. On a
// host display none of this exists: the host shows the windows' pictures itself.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"
#include "platform/sim/Simulation.h"

namespace platform::sim {

using namespace detail;

namespace {

constexpr size_t MaxDesktopPaints = 4096;

struct DesktopPaint {
    Rect rect;
    ColorRef color = 0;
};

enum class DesktopKind { Default, Fill, Picture };

bool IsUniform(const Image& image) {
    if (image.pixels.empty()) return false;
    ColorRef first = image.pixels.front();
    return std::all_of(image.pixels.begin(), image.pixels.end(), [first](ColorRef c) { return c == first; });
}

void FillImage(Image& image, const Rect& rect, ColorRef color) {
    Rect r;
    if (!IntersectRectangles(&r, rect, Rect{0, 0, image.width, image.height})) return;
    for (int32_t y = r.top; y < r.bottom; ++y)
        std::fill_n(&image.At(r.left, y), size_t(Width(r)), color);
}

// The image at w x h, every pixel `fill`, in the storage it already has when that is large enough.
void Refill(Image& image, int32_t w, int32_t h, ColorRef fill) {
    image.width = w;
    image.height = h;
    image.pixels.assign(size_t(w) * size_t(h), fill);
}

Rect Offset(const Rect& r, int32_t dx, int32_t dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// The one screen; its buffers outlive the devices, so that a device of the same size is made again
// without asking the allocator for its largest blocks.
class HandheldScreen final : public KeptScreen {
public:
    void Make(const DeviceConfig& config) override {
        // A screen that nothing has touched since it was made, over the same desktop and at the same
        // size, is already what it would be made again: a device reset after a run that showed no
        // window costs nothing here.
        if (untouched && desktopKept && screen.width == config.screenWidth && screen.height == config.screenHeight)
            return;
        ComposeDesktop(config.screenWidth, config.screenHeight);
        screen = desktop;
        owners.assign(screen.pixels.size(), nullptr);
        untouched = true;
        desktopKept = true;
    }

    void Recompose(const Rect& area) override {
        untouched = false;
        // The scratch map is taken from the screen (and given back at the end), so a recomposition made
        // while this one runs gets its own.
        std::vector<Window> fresh = std::move(recomposed);
        fresh.assign(size_t(Width(area)) * size_t(Height(area)), nullptr);
        // Bottom to top, each window over the ones below it; the windows below the topmost one that
        // covers the whole area would all be marked over.
        std::vector<Window> tops = Dev().topLevels;
        auto bottom = tops.rbegin();
        for (auto it = tops.begin(); it != tops.end(); ++it) {
            Rect covered;
            if (LiveWindow(*it) && ((*it)->style & StyleVisible) &&
                IntersectRectangles(&covered, WindowScreenRect(*it), area) && covered == area) {
                bottom = std::make_reverse_iterator(it + 1);
                break;
            }
        }
        for (auto it = bottom; it != tops.rend(); ++it)
            if (LiveWindow(*it)) MarkOwner(fresh, area, *it, area);
        TakeOwners(fresh, area, owners, ScreenBounds(), ShowDesktopPixel);
        recomposed = std::move(fresh);
    }

    void Compose() override;

    Image& Pixels() override {
        untouched = false;  // whoever takes the pixels may draw on them
        return screen;
    }

    // Whether the device now in use shows its windows on this screen.
    bool InUse() { return Dev().keptScreen == this; }

    Window OwnerAt(int32_t x, int32_t y) const {
        if (!screen.Contains(x, y)) return nullptr;
        return owners[size_t(y) * size_t(screen.width) + size_t(x)];
    }

    void PaintDesktop(const Rect& rect, ColorRef color) {
        untouched = false;
        if (desktopPaints.size() >= MaxDesktopPaints) desktopPaints.erase(desktopPaints.begin());
        desktopPaints.push_back(DesktopPaint{rect, color});
        FillImage(desktop, rect, color);
        Rect r;
        if (!IntersectRectangles(&r, rect, ScreenBounds())) return;
        for (int32_t y = r.top; y < r.bottom; ++y)
            for (int32_t x = r.left; x < r.right; ++x)
                if (!OwnerAt(x, y)) screen.At(x, y) = color;
    }

    // The desktop a new device starts with; the fills painted on the previous one are gone.
    void TakeDesktop(const std::optional<Image>& picture) {
        desktopPaints.clear();
        const DesktopKind kind = desktopKind;
        const ColorRef fill = desktopFill;
        if (picture && picture->width > 0 && picture->height > 0 &&
            picture->pixels.size() == size_t(picture->width) * size_t(picture->height)) {
            if (IsUniform(*picture)) {
                desktopKind = DesktopKind::Fill;
                desktopFill = picture->pixels.front();
            } else {
                desktopKind = DesktopKind::Picture;
                desktopPicture = *picture;
            }
        } else {
            desktopKind = DesktopKind::Default;
        }
        // A picture is composed again every time; a fill or the default desktop only when it changed.
        desktopKept = desktopKept && desktopKind == kind && desktopKind != DesktopKind::Picture &&
                      (desktopKind != DesktopKind::Fill || desktopFill == fill);
    }

    Image screen;
    Image desktop;  // the picture behind every window, at the screen's size

private:
    static void ShowDesktopPixel(int32_t x, int32_t y);

    // The desktop picture at the screen's size, from its kind, with every fill painted on it since.
    void ComposeDesktop(int32_t w, int32_t h) {
        switch (desktopKind) {
        case DesktopKind::Default:
            desktop = DefaultDesktop(w, h);
            if (desktop.width != w || desktop.height != h) desktop = Image(w, h, 0);
            break;
        case DesktopKind::Fill:
            Refill(desktop, w, h, desktopFill);
            break;
        case DesktopKind::Picture: {
            // A picture keeps its size; where it does not reach, the desktop is black.
            Refill(desktop, w, h, 0);
            int32_t cw = std::min(w, desktopPicture.width), ch = std::min(h, desktopPicture.height);
            for (int32_t y = 0; y < ch; ++y)
                std::copy_n(&desktopPicture.At(0, y), size_t(cw), &desktop.At(0, y));
            break;
        }
        }
        for (const DesktopPaint& paint : desktopPaints) FillImage(desktop, paint.rect, paint.color);
    }

    DesktopKind desktopKind = DesktopKind::Default;
    ColorRef desktopFill = 0;
    Image desktopPicture;                     // a picture given by the configuration, kept at its size
    std::vector<DesktopPaint> desktopPaints;  // fills painted on the desktop, kept over a rotation
    std::vector<Window> owners;               // per screen pixel: the topmost window there (null = desktop)
    std::vector<Window> recomposed;           // Recompose's scratch owner map, kept for its storage
    std::vector<ColorRef> composedRow;        // Compose's row buffer
    bool untouched = false;    // screen and owners are as Make left them
    bool desktopKept = false;  // the desktop is still made from the kind, fill and paints Make used
};

HandheldScreen& TheScreen() {
    static HandheldScreen screen;
    return screen;
}

void HandheldScreen::ShowDesktopPixel(int32_t x, int32_t y) {
    HandheldScreen& s = TheScreen();
    s.screen.At(x, y) = s.desktop.At(x, y);
}

void HandheldScreen::Compose() {
    untouched = false;
    const size_t screenWidth = size_t(screen.width);
    for (Window top : Dev().topLevels) {
        if (!LiveWindow(top) || IsRectangleEmpty(top->pictureDamage)) continue;
        const Point at = PictureOrigin(top);
        Rect area;
        const bool shows = IntersectRectangles(&area, Offset(top->pictureDamage, at.x, at.y), ScreenBounds()) &&
                           IntersectRectangles(&area, area, Offset(top->picture.limit, at.x, at.y));
        top->pictureDamage = Rect{};
        if (!shows) continue;
        // Row by row: the picture's row read once, then the pixels the window owns on the screen, in
        // whole runs when the window has no children of its own.
        std::vector<ColorRef>& row = composedRow;
        row.resize(size_t(Width(area)));
        raster::Canvas canvas = raster::CanvasOfImage(screen);
        canvas.owners = owners.data();
        canvas.ownerStride = ptrdiff_t(screenWidth);
        canvas.owner = top;
        for (int32_t y = area.top; y < area.bottom; ++y) {
            const int32_t py = y - at.y;
            raster::ReadRow(top->picture, area.left - at.x, py, Width(area), row.data());
            ColorRef* out = &screen.At(area.left, y);
            if (top->treeOwners.empty()) {
                raster::ForEachOwnedRun(canvas, area.left, y, Width(area), [&](int32_t first, int32_t end) {
                    std::copy(row.data() + first, row.data() + end, out + first);
                });
                continue;
            }
            // Where the screen's owner is the window of the tree that is topmost in the picture.
            const Window* onScreen = owners.data() + size_t(y) * screenWidth + size_t(area.left);
            const Window* inTree = top->treeOwners.data() + size_t(py) * size_t(top->picture.limit.right) +
                                   size_t(area.left - at.x);
            for (size_t x = 0; x < row.size(); ++x)
                if (onScreen[x] == inTree[x]) out[x] = row[x];
        }
    }
}

}  // namespace

void ResetDevice(const HandheldConfig& config) {
    TheScreen().TakeDesktop(config.desktop);
    ResetDeviceKeeping(config, CurrentHostDisplay() ? nullptr : &TheScreen());
}

void PaintDesktop(const Rect& rect, ColorRef color) {
    if (IsRectangleEmpty(rect) || !TheScreen().InUse()) return;
    TheScreen().PaintDesktop(rect, color);
}

const Image& Screen() { return ScreenImage(); }

ColorRef ScreenPixel(int32_t x, int32_t y) {
    const Image& screen = ScreenImage();
    return screen.Contains(x, y) ? screen.At(x, y) : 0xFFFFFFFF;
}

Image FreshRepaint() {
    ComposePending();
    HandheldScreen& s = TheScreen();
    if (s.InUse()) s.Pixels().pixels = s.desktop.pixels;
    ForEachWindowBottomToTop([](Window w) {
        if (!EffectivelyVisible(w)) return;
        DrawFrame(w);
        AddUpdate(w, ClientRect(w), true);
        SendToWindow(w, MsgPaint, 0, 0);
    });
    return ScreenImage();
}

}  // namespace platform::sim
