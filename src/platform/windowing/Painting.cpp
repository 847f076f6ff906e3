// Update regions and painting: what is invalid in a window, and the paint surface that takes it.
#include <algorithm>

#include "platform/Geometry.h"
#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

void AddUpdate(WindowObject* window, const Rect& clientRect, bool erase, bool bySystem) {
    if (!window) return;
    Rect r;
    if (!IntersectRectangles(&r, clientRect, ClientRect(window))) return;
    Rect& u = window->update;
    if (IsRectangleEmpty(u)) {
        u = r;
    } else {
        u = Rect{std::min(u.left, r.left), std::min(u.top, r.top), std::max(u.right, r.right),
                 std::max(u.bottom, r.bottom)};
    }
    window->erase = window->erase || erase;
    window->systemUpdate = window->systemUpdate || bySystem;
    ++window->invalidations;
}

bool HasUpdate(const WindowObject* window) { return window && !IsRectangleEmpty(window->update); }

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

bool InvalidateWindowRect(Window window, const Rect* rect, bool erase) {
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    AddUpdate(o, rect ? *rect : ClientRect(o), erase, false);
    return true;
}

bool UpdateWindowNow(Window window) {
    WindowObject* o = LiveWindow(window);
    if (!o) return false;
    if (EffectivelyVisible(o) && HasUpdate(o)) SendToWindow(o, MsgPaint, 0, 0);
    return true;
}

Surface BeginPainting(Window window, PaintInfo* info) {
    WindowObject* o = LiveWindow(window);
    if (!o) return nullptr;
    Rect region = o->update;
    bool erase = o->erase;
    // A window's pixels are kept in its picture: only what the device invalidated may have lost them.
    const bool kept = !o->systemUpdate;
    o->update = Rect{};
    o->erase = false;
    o->systemUpdate = false;
    o->painting = true;
    o->paintRect = region;
    ++o->paintsBegun;
    Surface surface = CreateWindowSurface(o, true);
    bool erased = false;
    if (erase && surface) erased = SendToWindow(o, MsgEraseBackground, WParam(surface), 0) != 0;
    if (info) {
        info->surface = surface;
        info->erase = erase && !erased;
        info->paintRect = region;
        info->kept = kept;
    }
    return surface;
}

void EndPainting(Window window, const PaintInfo* info) {
    if (info && info->surface) DestroyWindowSurface(info->surface);
    if (WindowObject* o = LiveWindow(window)) {
        o->painting = false;
        o->paintRect = Rect{};
    }
}

}  // namespace platform
