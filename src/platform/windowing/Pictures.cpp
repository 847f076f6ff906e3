// The windows' pictures: every top-level window keeps the pixels it and its children draw, for the
// part of it that lies on the screen, with the map of which window of its tree is the topmost on each
// of them (kept only for a window that has children). Drawing through a window goes into its picture;
// the simulated handheld's screen takes what was drawn where that window is the topmost one, and a
// host display shows the pictures itself.
#include <algorithm>
#include <cstring>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"

namespace platform::sim::detail {

namespace {

bool HasLiveChildren(const WindowObject* o) {
    return std::any_of(o->children.begin(), o->children.end(), [](Window c) { return LiveWindow(c) != nullptr; });
}

Rect Offset(const Rect& r, int32_t dx, int32_t dy) { return Rect{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// The part of a top-level window that lies on the screen, in window coordinates (empty when the
// window is not shown).
Rect PicturedPart(const WindowObject* top) {
    if (!EffectivelyVisible(top)) return Rect{};
    const Rect window = WindowScreenRect(top);
    Rect on;
    if (!IntersectRectangles(&on, window, ScreenBounds())) return Rect{};
    return Offset(on, -window.left, -window.top);
}

// The picture takes its new part. On the simulated handheld the pixels both parts share keep their
// place in the window; a host's picture is drawn again in full.
void Reshape(WindowObject* top, const Rect& part) {
    DeviceState& dev = Dev();
    const int32_t w = Width(part), h = Height(part);
    raster::Canvas fresh;
    raster::Image storage;
    HostDisplay* host = CurrentHostDisplay();
    if (!dev.keptScreen && host) {
        ptrdiff_t stride = 0;
        fresh.row0 = host->PictureStorage(top, w, h, &stride);
        fresh.stride = stride;
        if (fresh.row0)
            for (int32_t y = 0; y < h; ++y) std::memset(fresh.row0 + ptrdiff_t(y) * stride, 0, size_t(w) * 4);
    }
    if (!fresh.row0) {
        storage = raster::Image(w, h, 0);
        fresh = raster::CanvasOfImage(storage);  // the storage keeps its pixels when it is moved below
    }
    fresh.format = dev.pictureFormat;
    fresh.limit = Rect{0, 0, w, h};
    Rect shared;
    if (dev.keptScreen && top->picture.row0 && IntersectRectangles(&shared, part, top->pictured))
        for (int32_t y = shared.top; y < shared.bottom; ++y)
            std::memcpy(fresh.row0 + ptrdiff_t(y - part.top) * fresh.stride + ptrdiff_t(shared.left - part.left) * 4,
                        top->picture.row0 + ptrdiff_t(y - top->pictured.top) * top->picture.stride +
                            ptrdiff_t(shared.left - top->pictured.left) * 4,
                        size_t(Width(shared)) * 4);
    Rect damage = Offset(top->pictureDamage, top->pictured.left - part.left, top->pictured.top - part.top);
    if (!IntersectRectangles(&top->pictureDamage, damage, fresh.limit)) top->pictureDamage = Rect{};
    top->pictureStorage = std::move(storage);
    top->picture = fresh;
    top->pictured = part;
    top->treeOwners.clear();
}

// Remakes the tree map inside area (screen coordinates). On a host display the pixels that change
// hands are carried out at once; the simulated handheld carries them out on its screen's map.
void RebuildTree(WindowObject* top, const Rect& requested, bool remakeAll) {
    if (!HasLiveChildren(top)) {
        if (!top->treeOwners.empty()) {
            top->treeOwners = {};
            ++Dev().ownersGeneration;
        }
        return;
    }
    const Point at = PictureOrigin(top);
    const Rect grid{at.x, at.y, at.x + top->picture.limit.right, at.y + top->picture.limit.bottom};
    const size_t size = size_t(top->picture.limit.right) * size_t(top->picture.limit.bottom);
    Rect area = grid;
    if (top->treeOwners.size() != size) {
        top->treeOwners.assign(size, nullptr);
        remakeAll = true;
    }
    if (!remakeAll && !IntersectRectangles(&area, requested, grid)) return;
    // A scratch map taken from the device and given back, so that its storage is used again.
    std::vector<Window> fresh = std::move(Dev().treeScratch);
    fresh.assign(size_t(Width(area)) * size_t(Height(area)), nullptr);
    MarkOwner(fresh, area, top, area);
    if (Dev().keptScreen || remakeAll) {
        for (int32_t y = area.top; y < area.bottom; ++y)
            std::copy_n(fresh.begin() + ptrdiff_t(size_t(y - area.top) * size_t(Width(area))), Width(area),
                        top->treeOwners.begin() +
                            ptrdiff_t(size_t(y - grid.top) * size_t(Width(grid)) + size_t(area.left - grid.left)));
        ++Dev().ownersGeneration;
    } else {
        TakeOwners(fresh, area, top->treeOwners, grid, nullptr);
    }
    Dev().treeScratch = std::move(fresh);
}

}  // namespace

Point PictureOrigin(const WindowObject* top) {
    const Rect window = WindowScreenRect(top);
    return Point{window.left + top->pictured.left, window.top + top->pictured.top};
}

void ReshapePictures(const Rect& area, Window onlyTree) {
    DeviceState& dev = Dev();
    std::vector<Window> tops = dev.topLevels;
    for (Window top : tops) {
        if (!LiveWindow(top)) continue;
        const Rect part = PicturedPart(top);
        const bool reshaped = part != top->pictured || !top->picture.row0 != IsRectangleEmpty(part);
        if (IsRectangleEmpty(part)) {
            if (reshaped) ReleasePicture(top);
            continue;
        }
        if (reshaped) {
            Reshape(top, part);
            ++dev.ownersGeneration;
        }
        if (reshaped || !onlyTree || top == onlyTree) RebuildTree(top, area, reshaped);
        // A host shows the picture as it is: one that changed shape is drawn again in full.
        if (reshaped && !dev.keptScreen) RefreshWindowLook(top);
    }
}

void NotePictureDamage(WindowObject* top, const Rect& area) {
    Rect r;
    if (!top || !IntersectRectangles(&r, area, top->picture.limit)) return;
    Rect& d = top->pictureDamage;
    d = IsRectangleEmpty(d) ? r
                            : Rect{std::min(d.left, r.left), std::min(d.top, r.top), std::max(d.right, r.right),
                                   std::max(d.bottom, r.bottom)};
    DeviceState& dev = Dev();
    dev.composePending = dev.composePending || dev.keptScreen != nullptr;
}

void ComposePending() {
    DeviceState& dev = Dev();
    if (!dev.composePending) return;
    dev.composePending = false;
    if (dev.keptScreen) dev.keptScreen->Compose();
}

bool AccessWindowPicture(Window window, WindowPictureAccess* access) {
    WindowObject* o = LiveWindow(window);
    WindowObject* top = o ? TopLevelOf(o) : nullptr;
    if (!top || !top->picture.row0) return false;
    if (HostDisplay* host = CurrentHostDisplay(); host && !Dev().keptScreen) host->PictureWillChange(top);
    access->picture = top->picture;
    access->origin = PictureOrigin(top);
    access->owners = top->treeOwners.empty() ? nullptr : top->treeOwners.data();
    access->top = top;
    return true;
}

void NoteDrawn(Window window, const Rect& area) {
    WindowObject* o = LiveWindow(window);
    if (o) NotePictureDamage(TopLevelOf(o), area);
}

void ReleasePicture(WindowObject* top) {
    if (HostDisplay* host = CurrentHostDisplay(); host && top->picture.row0 && !top->pictureStorage.pixels.data())
        host->ReleasePictureStorage(top);
    top->picture = raster::Canvas{};
    top->pictureStorage = raster::Image{};
    top->pictured = Rect{};
    top->pictureDamage = Rect{};
    top->treeOwners = {};
    ++Dev().ownersGeneration;
}

}  // namespace platform::sim::detail

namespace platform::sim {

raster::Canvas WindowPicture(Window topLevel, Point* offset) {
    WindowObject* o = detail::LiveWindow(topLevel);
    if (!o || o->parent || !o->picture.row0) return raster::Canvas{};
    if (offset) *offset = Point{o->pictured.left, o->pictured.top};
    return o->picture;
}

Rect TakeWindowDamage(Window topLevel) {
    WindowObject* o = detail::LiveWindow(topLevel);
    if (!o) return Rect{};
    const Rect damage = o->pictureDamage;
    o->pictureDamage = Rect{};
    return damage;
}

}  // namespace platform::sim
