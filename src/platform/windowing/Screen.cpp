// The screen as the window system sees it: its bounds, which window is the topmost on each of its
// pixels, how a window's drawing is clipped to it, and a change of its size. A host display shows the
// windows' pictures; the simulated handheld keeps a screen of its own (KeptScreen).
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"

namespace platform::sim::detail {

namespace {

constexpr uint32_t ScreenChangeCode = 0x3002;

Rect Union(const Rect& a, const Rect& b) {
    if (IsRectangleEmpty(a)) return b;
    if (IsRectangleEmpty(b)) return a;
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
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
    const size_t areaWidth = size_t(Width(area));
    const size_t gridWidth = size_t(Width(grid));
    bool changed = false;
    for (int32_t y = area.top; y < area.bottom; ++y) {
        const Window* now = fresh.data() + size_t(y - area.top) * areaWidth;
        Window* was = owners.data() + size_t(y - grid.top) * gridWidth + size_t(area.left - grid.left);
        size_t i = 0;
        while (i < areaWidth) {
            if (now[i] == was[i]) {
                ++i;
                continue;
            }
            // A run of pixels that all go over to one window (or to nobody).
            Window owner = now[i];
            size_t end = i + 1;
            while (end < areaWidth && now[end] == owner && was[end] != owner) ++end;
            std::fill(was + i, was + end, owner);
            changed = true;
            const int32_t first = area.left + int32_t(i), last = area.left + int32_t(end);
            i = end;
            if (!owner) {
                if (uncovered)
                    for (int32_t x = first; x < last; ++x) uncovered(x, y);
                continue;
            }
            if (owner != cached) {
                cached = owner;
                cachedClient = ClientScreenRect(owner);
                cachedDamage = &damage[owner];
            }
            // The part in the client area is to be painted; a pixel outside it is the window's frame.
            const bool clientRow = y >= cachedClient.top && y < cachedClient.bottom;
            const int32_t left = std::max(first, cachedClient.left), right = std::min(last, cachedClient.right);
            if (clientRow && left < right) *cachedDamage = Union(*cachedDamage, Rect{left, y, right, y + 1});
            const bool onFrame = !clientRow || left > first || right < last;
            if (onFrame && std::find(frames.begin(), frames.end(), owner) == frames.end()) frames.push_back(owner);
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

void BuildScreen(const DeviceConfig& config, KeptScreen* screen) {
    DeviceState& dev = Dev();
    // On a host display the host shows the windows: the device keeps no screen of its own.
    HostDisplay* host = CurrentHostDisplay();
    dev.keptScreen = host ? nullptr : screen;
    dev.pictureFormat = host ? host->PictureFormat() : raster::PixelFormat::Color32;
    if (dev.keptScreen) dev.keptScreen->Make(config);
    ++dev.ownersGeneration;
    dev.desktopWindow = WindowObject{};
    dev.desktopWindow.className = u"#32769";
    dev.desktopWindow.style = StyleVisible;
    dev.desktopWindow.rect = ScreenBounds();
    dev.desktopWindow.process = &dev.host;
}

void RecomposeScreen(const Rect& requested, Window changed) {
    DeviceState& dev = Dev();
    // What the windows drew so far reaches the screen under the owners it was drawn for.
    ComposePending();
    // Every top-level window is its own tree: a change inside one leaves the maps of the others.
    ReshapePictures(requested, changed ? TopLevelOf(changed) : nullptr);
    Rect area;
    if (dev.keptScreen && IntersectRectangles(&area, requested, ScreenBounds())) dev.keptScreen->Recompose(area);
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
    DeviceState& dev = Dev();
    static Image none;
    return dev.keptScreen ? dev.keptScreen->Pixels() : none;
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
    if (dev.keptScreen) dev.keptScreen->Make(dev.config);
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

}  // namespace platform::sim
