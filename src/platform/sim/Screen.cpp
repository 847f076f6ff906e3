// The screen of the simulated handheld: its pixels, the desktop picture behind every window, and the
// map of which window owns each pixel. Only what a window covers or uncovers changes: uncovered pixels
// show the desktop picture again, newly covered ones wait for their window's paint. Anything drawn
// straight on the screen (an XOR figure) stays until something paints over it.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/sim/DeviceState.h"

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
void ComposeDesktop(DeviceState& dev) {
    int32_t w = dev.screen.width, h = dev.screen.height;
    switch (dev.desktopKind) {
    case DesktopKind::Default:
        dev.desktop = DefaultDesktop(w, h);
        if (dev.desktop.width != w || dev.desktop.height != h) dev.desktop = Image(w, h, 0);
        break;
    case DesktopKind::Fill:
        dev.desktop = Image(w, h, dev.desktopFill);
        break;
    case DesktopKind::Picture: {
        // A picture keeps its size; where it does not reach, the desktop is black.
        dev.desktop = Image(w, h, 0);
        int32_t cw = std::min(w, dev.desktopPicture.width), ch = std::min(h, dev.desktopPicture.height);
        for (int32_t y = 0; y < ch; ++y)
            std::copy_n(&dev.desktopPicture.At(0, y), size_t(cw), &dev.desktop.At(0, y));
        break;
    }
    }
    for (const DesktopPaint& paint : dev.desktopPaints) FillImage(dev.desktop, paint.rect, paint.color);
}

// Marks in `owners` (covering `area`) the pixels of a window and of its visible children, the children
// clipped to the window's client area.
void MarkOwner(std::vector<Window>& owners, const Rect& area, WindowObject* o, const Rect& limit) {
    if (!(o->style & StyleVisible)) return;
    Rect r;
    if (!IntersectRectangles(&r, WindowScreenRect(o), limit)) return;
    const int32_t stride = Width(area);
    for (int32_t y = r.top; y < r.bottom; ++y)
        std::fill_n(owners.begin() + ptrdiff_t(size_t(y - area.top) * size_t(stride) + size_t(r.left - area.left)),
                    Width(r), o);
    Rect clientLimit;
    if (!IntersectRectangles(&clientLimit, ClientScreenRect(o), r)) return;
    for (auto it = o->children.rbegin(); it != o->children.rend(); ++it)
        if (LiveWindow(*it)) MarkOwner(owners, area, *it, clientLimit);
}

Rect Union(const Rect& a, const Rect& b) {
    if (IsRectangleEmpty(a)) return b;
    if (IsRectangleEmpty(b)) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

}  // namespace

Rect ScreenBounds() {
    const Image& screen = Dev().screen;
    return Rect{0, 0, screen.width, screen.height};
}

void BuildScreen(const DeviceConfig& config) {
    DeviceState& dev = Dev();
    dev.screen = Image(config.screenWidth, config.screenHeight, 0);
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
    ComposeDesktop(dev);
    dev.screen = dev.desktop;
    dev.owners.assign(dev.screen.pixels.size(), nullptr);
    ++dev.ownersGeneration;
    dev.desktopWindow = WindowObject{};
    dev.desktopWindow.className = u"#32769";
    dev.desktopWindow.style = StyleVisible;
    dev.desktopWindow.rect = ScreenBounds();
    dev.desktopWindow.process = &dev.host;
}

Window OwnerAt(int32_t x, int32_t y) {
    const DeviceState& dev = Dev();
    if (!dev.screen.Contains(x, y)) return nullptr;
    return dev.owners[size_t(y) * size_t(dev.screen.width) + size_t(x)];
}

void RecomposeScreen(const Rect& requested) {
    DeviceState& dev = Dev();
    Rect area;
    if (!IntersectRectangles(&area, requested, ScreenBounds())) return;
    std::vector<Window> fresh(size_t(Width(area)) * size_t(Height(area)), nullptr);
    std::vector<Window> tops = dev.topLevels;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it)
        if (LiveWindow(*it)) MarkOwner(fresh, area, *it, area);

    std::map<WindowObject*, Rect> damage;
    std::vector<WindowObject*> frames;
    WindowObject* cached = nullptr;
    Rect cachedClient;
    Rect* cachedDamage = nullptr;
    const size_t screenWidth = size_t(dev.screen.width);
    bool changed = false;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        for (int32_t x = area.left; x < area.right; ++x) {
            Window now = fresh[size_t(y - area.top) * size_t(Width(area)) + size_t(x - area.left)];
            Window& was = dev.owners[size_t(y) * screenWidth + size_t(x)];
            if (now == was) continue;
            if (!changed) {
                changed = true;
                ++dev.ownersGeneration;
            }
            was = now;
            if (!now) {
                dev.screen.At(x, y) = dev.desktop.At(x, y);
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
    for (auto& [window, rect] : damage) {
        Rect client = ClientScreenRect(window);
        AddUpdate(window, Rect{rect.left - client.left, rect.top - client.top, rect.right - client.left,
                               rect.bottom - client.top},
                  true);
    }
    for (WindowObject* window : frames) DrawFrame(window);
}

void RefreshWindowLook(Window window) {
    if (!LiveWindow(window)) return;
    ForEachBottomToTop(window, [](Window w) {
        if (!EffectivelyVisible(w)) return;
        AddUpdate(w, ClientRect(w), true);
        DrawFrame(w);
    });
}

Image& ScreenImage() { return Dev().screen; }

const Image& DesktopImage() { return Dev().desktop; }

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

const Window* ScreenOwners() { return Dev().owners.data(); }

bool OwnsEveryPixel(Window window, const Rect& rect) {
    DeviceState& dev = Dev();
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    if (o->ownedGeneration == dev.ownersGeneration && o->ownedRect == rect) return o->ownsAll;
    bool all = true;
    const size_t width = size_t(dev.screen.width);
    for (int32_t y = rect.top; all && y < rect.bottom; ++y) {
        const Window* row = dev.owners.data() + size_t(y) * width;
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
    dev.screen = Image(dev.config.screenWidth, dev.config.screenHeight, 0);
    ComposeDesktop(dev);
    dev.screen = dev.desktop;
    dev.owners.assign(dev.screen.pixels.size(), nullptr);
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
    if (IsRectangleEmpty(rect)) return;
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
