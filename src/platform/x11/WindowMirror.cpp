#include "platform/x11/WindowMirror.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/Geometry.h"
#include "platform/raster/Canvas.h"
#include "platform/windowing/Device.h"
#include "platform/windowing/HostDisplay.h"
#include "platform/x11/Connection.h"

namespace platform::x11 {

namespace {

constexpr long WindowEvents = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                              KeyReleaseMask | ExposureMask | FocusChangeMask;

std::string Utf8Of(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out.push_back(char(c));
        } else if (c < 0x800) {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        } else if (c < 0xD800 || c > 0xDFFF) {
            out.push_back(char(0xE0 | (c >> 12)));
            out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }  // surrogate halves are left out of the title
    }
    return out;
}

void SetAtoms(::Window xid, const char* property, std::initializer_list<const char*> names) {
    std::vector<::Atom> atoms;
    for (const char* name : names) atoms.push_back(AtomOf(name));
    XChangeProperty(X().display, xid, AtomOf(property), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms.data()), int(atoms.size()));
}

}  // namespace

WindowMirror::WindowMirror(RootScreen& screen) : screen_(screen) {
    XGCValues values{};
    values.graphics_exposures = False;
    gc_ = XCreateGC(X().display, X().root, GCGraphicsExposures, &values);
}

WindowMirror::~WindowMirror() {
    Connection& x = X();
    if (!x.display) return;
    for (auto& [window, mirror] : mirrors_) XDestroyWindow(x.display, mirror.xid);
    if (gc_) XFreeGC(x.display, gc_);
}

void WindowMirror::Create(Mirror& mirror, platform::Window window, const Rect& rect) {
    Connection& x = X();
    std::u16string title;
    for (const sim::WindowInfo& top : sim::TopLevelWindows())
        if (top.handle == window) title = top.title;
    XSetWindowAttributes attributes{};
    // The program places its windows itself and draws their caption-less look: the window manager
    // neither moves nor decorates them.
    attributes.override_redirect = True;
    attributes.background_pixmap = None;
    attributes.event_mask = WindowEvents;
    mirror.xid = XCreateWindow(x.display, x.root, rect.left, rect.top, unsigned(std::max(1, Width(rect))),
                               unsigned(std::max(1, Height(rect))), 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWOverrideRedirect | CWBackPixmap | CWEventMask, &attributes);
    mirror.rect = rect;
    if (cursor_ != None) XDefineCursor(x.display, mirror.xid, cursor_);
    const std::string name = Utf8Of(title);
    XStoreName(x.display, mirror.xid, name.c_str());
    XChangeProperty(x.display, mirror.xid, AtomOf("_NET_WM_NAME"), AtomOf("UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(name.data()), int(name.size()));
    XClassHint hint{const_cast<char*>("vistrel"), const_cast<char*>("Vistrel")};
    XSetClassHint(x.display, mirror.xid, &hint);
    SetAtoms(mirror.xid, "_NET_WM_STATE", {"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR"});
    SetAtoms(mirror.xid, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_UTILITY"});
}

void WindowMirror::Sync() {
    Connection& x = X();
    sim::TopLevelPlaces(&tops_);
    for (auto it = mirrors_.begin(); it != mirrors_.end();) {
        const bool alive = std::any_of(tops_.begin(), tops_.end(),
                                       [&](const sim::TopLevelPlace& t) { return t.handle == it->first; });
        if (alive) {
            ++it;
            continue;
        }
        XDestroyWindow(x.display, it->second.xid);
        it = mirrors_.erase(it);
    }
    wantedStack_.clear();
    for (const sim::TopLevelPlace& top : tops_) {
        Mirror& mirror = mirrors_[top.handle];
        if (!mirror.xid) Create(mirror, top.handle, top.rect);
        if (top.rect != mirror.rect) {
            XMoveResizeWindow(x.display, mirror.xid, top.rect.left, top.rect.top,
                              unsigned(std::max(1, Width(top.rect))), unsigned(std::max(1, Height(top.rect))));
            mirror.rect = top.rect;
        }
        if (top.visible != mirror.mapped) {
            if (top.visible) XMapRaised(x.display, mirror.xid);
            else XUnmapWindow(x.display, mirror.xid);
            mirror.mapped = top.visible;
        }
        if (top.visible) wantedStack_.push_back(mirror.xid);
    }
    if (wantedStack_ != stack_ && !wantedStack_.empty()) {
        XRaiseWindow(x.display, wantedStack_.front());
        XRestackWindows(x.display, wantedStack_.data(), int(wantedStack_.size()));
    }
    stack_ = wantedStack_;

    for (const auto& [window, mirror] : mirrors_) {
        const Rect damage = sim::TakeWindowDamage(window);
        if (mirror.mapped && !IsRectangleEmpty(damage)) Put(window, mirror, damage);
    }
}

void WindowMirror::Repaint(::Window xid, const Rect& part) {
    for (const auto& [window, mirror] : mirrors_) {
        if (mirror.xid != xid || !mirror.mapped) continue;
        Point offset;
        if (!sim::WindowPicture(window, &offset).Usable()) continue;
        Put(window, mirror, Rect{part.left - offset.x, part.top - offset.y, part.right - offset.x,
                                 part.bottom - offset.y});
    }
}

// The part of the window's picture goes to its X window in one put: straight from the picture where
// the screen keeps it in an image of the server's, else copied once into one.
void WindowMirror::Put(platform::Window window, const Mirror& mirror, const Rect& picturePart) {
    Point offset;
    const raster::Canvas from = sim::WindowPicture(window, &offset);
    Rect part;
    if (!from.Usable() || !IntersectRectangles(&part, picturePart, from.limit)) return;
    if (screen_.PutPicture(window, mirror.xid, gc_, part, part.left + offset.x, part.top + offset.y)) return;
    XImage* image = puts_.Shape(Width(part), Height(part));
    if (!image) return;
    if (from.format == raster::PixelFormat::Bgrx32) {
        // The server's layout already: the rows as they are.
        for (int32_t y = 0; y < Height(part); ++y)
            std::memcpy(image->data + ptrdiff_t(y) * image->bytes_per_line,
                        from.row0 + ptrdiff_t(part.top + y) * from.stride + ptrdiff_t(part.left) * 4,
                        size_t(Width(part)) * 4);
    } else {
        raster::Canvas to;
        to.row0 = reinterpret_cast<uint8_t*>(image->data);
        to.stride = image->bytes_per_line;
        to.format = raster::PixelFormat::Bgrx32;
        to.limit = Rect{0, 0, Width(part), Height(part)};
        raster::CopyBlock(to, 0, 0, Width(part), Height(part), from, part.left, part.top);
    }
    puts_.Put(mirror.xid, gc_, 0, 0, part.left + offset.x, part.top + offset.y, Width(part), Height(part));
}

void WindowMirror::SetCursor(::Cursor cursor) {
    cursor_ = cursor;
    for (const auto& [window, mirror] : mirrors_) {
        if (cursor == None) XUndefineCursor(X().display, mirror.xid);
        else XDefineCursor(X().display, mirror.xid, cursor);
    }
}

platform::Window WindowMirror::WindowOf(::Window xid) const {
    for (const auto& [window, mirror] : mirrors_)
        if (mirror.xid == xid) return window;
    return nullptr;
}

::Window WindowMirror::XidOf(platform::Window window) const {
    auto it = mirrors_.find(window);
    return it == mirrors_.end() ? 0 : it->second.xid;
}

}  // namespace platform::x11
