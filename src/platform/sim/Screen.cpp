// The screen of the simulated handheld: its pixels, the desktop picture behind every window, and the
// map of which window owns each pixel. The windows draw in their own pictures; the screen takes what
// they drew where they are the topmost window. Only what a window covers or uncovers changes:
// uncovered pixels show the desktop picture again, newly covered ones wait for their window's paint.
// Anything drawn straight on the screen (an XOR figure) stays until something paints over it. On a
// host display none of this exists: the host shows the windows' pictures itself.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/sim/DeviceState.h"
#include "platform/sim/HostDisplay.h"

namespace platform::sim::detail {

namespace {

constexpr size_t MaxDesktopPaints = 4096;
constexpr uint32_t ScreenChangeCode = 0x3002;

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

// The desktop picture at the screen's size, from its kind, with every fill painted on it since.
// The image at w x h, every pixel `fill`, in the storage it already has when that is large enough.
void Refill(Image& image, int32_t w, int32_t h, ColorRef fill) {
    image.width = w;
    image.height = h;
    image.pixels.assign(size_t(w) * size_t(h), fill);
}

void ComposeDesktop(DeviceState& dev, int32_t w, int32_t h) {
    switch (dev.desktopKind) {
    case DesktopKind::Default:
        dev.desktop = DefaultDesktop(w, h);
        if (dev.desktop.width != w || dev.desktop.height != h) dev.desktop = Image(w, h, 0);
        break;
    case DesktopKind::Fill:
        Refill(dev.desktop, w, h, dev.desktopFill);
        break;
    case DesktopKind::Picture: {
        // A picture keeps its size; where it does not reach, the desktop is black.
        Refill(dev.desktop, w, h, 0);
        int32_t cw = std::min(w, dev.desktopPicture.width), ch = std::min(h, dev.desktopPicture.height);
        for (int32_t y = 0; y < ch; ++y)
            std::copy_n(&dev.desktopPicture.At(0, y), size_t(cw), &dev.desktop.At(0, y));
        break;
    }
    }
    for (const DesktopPaint& paint : dev.desktopPaints) FillImage(dev.desktop, paint.rect, paint.color);
}

Rect Union(const Rect& a, const Rect& b) {
    if (IsRectangleEmpty(a)) return b;
    if (IsRectangleEmpty(b)) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

void ShowDesktopPixel(int32_t x, int32_t y) {
    DeviceState& dev = Dev();
    dev.screen.At(x, y) = dev.desktop.At(x, y);
}

// The screen pictures, at the screen's size, afresh: the desktop, no window on it yet.
void MakeScreenPictures(DeviceState& dev) {
    ComposeDesktop(dev, dev.config.screenWidth, dev.config.screenHeight);
    dev.screen = dev.desktop;
    dev.owners.assign(dev.screen.pixels.size(), nullptr);
}

}  // namespace

Rect ScreenBounds() {
    const DeviceConfig& config = Dev().config;
    return Rect{0, 0, config.screenWidth, config.screenHeight};
}

void MarkOwner(std::vector<Window>& owners, const Rect& grid, WindowObject* o, const Rect& limit) {
    if (!(o->style & StyleVisible)) return;
    Rect r;
    if (!IntersectRectangles(&r, WindowScreenRect(o), limit)) return;
    const int32_t stride = Width(grid);
    for (int32_t y = r.top; y < r.bottom; ++y)
        std::fill_n(owners.begin() + ptrdiff_t(size_t(y - grid.top) * size_t(stride) + size_t(r.left - grid.left)),
                    Width(r), o);
    Rect clientLimit;
    if (!IntersectRectangles(&clientLimit, ClientScreenRect(o), r)) return;
    for (auto it = o->children.rbegin(); it != o->children.rend(); ++it)
        if (LiveWindow(*it)) MarkOwner(owners, grid, *it, clientLimit);
}

bool TakeOwners(const std::vector<Window>& fresh, const Rect& area, std::vector<Window>& owners, const Rect& grid,
                void (*uncovered)(int32_t x, int32_t y)) {
    std::map<WindowObject*, Rect> damage;
    std::vector<WindowObject*> frames;
    WindowObject* cached = nullptr;
    Rect cachedClient;
    Rect* cachedDamage = nullptr;
    const size_t gridWidth = size_t(Width(grid));
    bool changed = false;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        for (int32_t x = area.left; x < area.right; ++x) {
            Window now = fresh[size_t(y - area.top) * size_t(Width(area)) + size_t(x - area.left)];
            Window& was = owners[size_t(y - grid.top) * gridWidth + size_t(x - grid.left)];
            if (now == was) continue;
            changed = true;
            was = now;
            if (!now) {
                if (uncovered) uncovered(x, y);
                continue;
            }
            if (now != cached) {
                cached = now;
                cachedClient = ClientScreenRect(now);
                cachedDamage = &damage[now];
            }
            if (PointInRectangle(cachedClient, Point{x, y})) {
                *cachedDamage = Union(*cachedDamage, Rect{x, y, x + 1, y + 1});
            } else if (std::find(frames.begin(), frames.end(), now) == frames.end()) {
                frames.push_back(now);
            }
        }
    }
    if (changed) ++Dev().ownersGeneration;
    for (auto& [window, rect] : damage) {
        Rect client = ClientScreenRect(window);
        AddUpdate(window, Rect{rect.left - client.left, rect.top - client.top, rect.right - client.left,
                               rect.bottom - client.top},
                  true);
    }
    for (WindowObject* window : frames) DrawFrame(window);
    return changed;
}

void BuildScreen(const DeviceConfig& config) {
    DeviceState& dev = Dev();
    dev.desktopPaints.clear();
    if (config.desktop && config.desktop->width > 0 && config.desktop->height > 0 &&
        config.desktop->pixels.size() == size_t(config.desktop->width) * size_t(config.desktop->height)) {
        if (IsUniform(*config.desktop)) {
            dev.desktopKind = DesktopKind::Fill;
            dev.desktopFill = config.desktop->pixels.front();
        } else {
            dev.desktopKind = DesktopKind::Picture;
            dev.desktopPicture = *config.desktop;
        }
    } else {
        dev.desktopKind = DesktopKind::Default;
    }
    // On a host display the host shows the windows: the device keeps no screen of its own.
    dev.screenKept = CurrentHostDisplay() == nullptr;
    dev.pictureFormat = dev.screenKept ? raster::PixelFormat::Color32 : CurrentHostDisplay()->PictureFormat();
    if (dev.screenKept) {
        MakeScreenPictures(dev);
    } else {
        dev.desktop = Image{};
        dev.screen = Image{};
        dev.owners = {};
    }
    ++dev.ownersGeneration;
    dev.desktopWindow = WindowObject{};
    dev.desktopWindow.className = u"#32769";
    dev.desktopWindow.style = StyleVisible;
    dev.desktopWindow.rect = ScreenBounds();
    dev.desktopWindow.process = &dev.host;
}

Window OwnerAt(int32_t x, int32_t y) {
    const DeviceState& dev = Dev();
    if (!dev.screenKept || !dev.screen.Contains(x, y)) return nullptr;
    return dev.owners[size_t(y) * size_t(dev.screen.width) + size_t(x)];
}

void RecomposeScreen(const Rect& requested) {
    DeviceState& dev = Dev();
    // What the windows drew so far reaches the screen under the owners it was drawn for.
    ComposePending();
    ReshapePictures(requested);
    Rect area;
    if (!dev.screenKept || !IntersectRectangles(&area, requested, ScreenBounds())) return;
    // The scratch map is taken from the device (and given back at the end), so a recomposition made
    // while this one runs gets its own.
    std::vector<Window> fresh = std::move(dev.recomposed);
    fresh.assign(size_t(Width(area)) * size_t(Height(area)), nullptr);
    std::vector<Window> tops = dev.topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (LiveWindow(*it)) MarkOwner(fresh, area, *it, area);
    TakeOwners(fresh, area, dev.owners, ScreenBounds(), ShowDesktopPixel);
    dev.recomposed = std::move(fresh);
}

void RefreshWindowLook(Window window) {
    if (!LiveWindow(window)) return;
    ForEachBottomToTop(window, [](Window w) {
        if (!EffectivelyVisible(w)) return;
        AddUpdate(w, ClientRect(w), true);
        DrawFrame(w);
    });
}

Image& ScreenImage() {
    ComposePending();
    return Dev().screen;
}

int32_t ScreenPixelsPerInch() { return Dev().config.pixelsPerInch; }

bool GetWindowClip(Window window, bool paintClip, WindowClip* clip) {
    if (!clip) return false;
    if (!window || IsDesktopWindow(window)) {
        clip->origin = Point{0, 0};
        clip->bounds = ScreenBounds();
        clip->ownersOnly = false;
        return true;
    }
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    Rect client = ClientScreenRect(o);
    clip->origin = Point{client.left, client.top};
    Rect bounds{};
    if (EffectivelyVisible(o)) IntersectRectangles(&bounds, client, ScreenBounds());
    if (paintClip) {
        Rect paint{};
        if (o->painting)
            paint = Rect{o->paintRect.left + client.left, o->paintRect.top + client.top,
                         o->paintRect.right + client.left, o->paintRect.bottom + client.top};
        if (!IntersectRectangles(&bounds, bounds, paint)) bounds = Rect{};
    }
    clip->bounds = bounds;
    clip->ownersOnly = true;
    return true;
}

bool OwnsEveryPixel(Window window, const Rect& rect) {
    DeviceState& dev = Dev();
    WindowObject* o = LiveWindow(window);
    WindowObject* top = o ? TopLevelOf(o) : nullptr;
    if (!top) return false;
    if (top->treeOwners.empty()) return o == top;
    if (o->ownedGeneration == dev.ownersGeneration && o->ownedRect == rect) return o->ownsAll;
    bool all = true;
    const size_t width = size_t(top->picture.limit.right);
    for (int32_t y = rect.top; all && y < rect.bottom; ++y) {
        const Window* row = top->treeOwners.data() + size_t(y) * width;
        all = std::all_of(row + rect.left, row + rect.right, [window](Window w) { return w == window; });
    }
    o->ownedGeneration = dev.ownersGeneration;
    o->ownedRect = rect;
    o->ownsAll = all;
    return all;
}

}  // namespace platform::sim::detail

namespace platform::sim {

using namespace detail;

void Rotate(int32_t width, int32_t height) {
    DeviceState& dev = Dev();
    dev.config.screenWidth = std::clamp(width, 1, 8192);
    dev.config.screenHeight = std::clamp(height, 1, 8192);
    ComposePending();
    if (dev.screenKept) MakeScreenPictures(dev);
    ++dev.ownersGeneration;
    dev.desktopWindow.rect = ScreenBounds();
    RecomposeScreen(ScreenBounds());
    ForEachWindowBottomToTop([](Window w) {
        if (EffectivelyVisible(w)) {
            AddUpdate(w, ClientRect(w), true);
            DrawFrame(w);
        }
    });
    // Every top-level window hears of the new screen geometry at once.
    std::vector<Window> tops = dev.topLevels;
    for (Window w : tops)
        if (LiveWindow(w)) SendToWindow(w, MsgSettingChange, ScreenChangeCode, 0);
}

void PaintDesktop(const Rect& rect, ColorRef color) {
    DeviceState& dev = Dev();
    if (IsRectangleEmpty(rect) || !dev.screenKept) return;
    if (dev.desktopPaints.size() >= MaxDesktopPaints) dev.desktopPaints.erase(dev.desktopPaints.begin());
    dev.desktopPaints.push_back(DesktopPaint{rect, color});
    FillImage(dev.desktop, rect, color);
    Rect r;
    if (!IntersectRectangles(&r, rect, ScreenBounds())) return;
    for (int32_t y = r.top; y < r.bottom; ++y)
        for (int32_t x = r.left; x < r.right; ++x)
            if (!OwnerAt(x, y)) dev.screen.At(x, y) = color;
}

}  // namespace platform::sim
