#include "platform/x11/TrayIcon.h"

#include <algorithm>
#include <vector>

#include "platform/windowing/Device.h"
#include "platform/windowing/HostDisplay.h"
#include "platform/windowing/Internal.h"
#include "platform/x11/Connection.h"
#include "platform/x11/ImageBuffer.h"

namespace platform::x11 {

namespace {

constexpr long RequestDock = 0;
constexpr unsigned long XEmbedMapped = 1;
constexpr int IconSide = 24;
constexpr ::Time DoubleTapMs = 500;
constexpr uint32_t TapMessage = 0x0201, DoubleTapMessage = 0x0203, RightMessage = 0x0204;

std::string Utf8Of(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out.push_back(c < 0x80 ? char(c) : '?');
    return out;
}

}  // namespace

TrayIcon::TrayIcon() {
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(X().screen);
    selection_ = AtomOf(name.c_str());
}

TrayIcon::~TrayIcon() { Destroy(); }

::Window TrayIcon::Manager() const { return XGetSelectionOwner(X().display, selection_); }

bool TrayIcon::Follow() {
    const uint64_t changes = sim::TrayChanges();
    if (changes == changesSeen_) return !window_ || manager_ != 0;
    changesSeen_ = changes;
    const std::vector<sim::TrayInfo> icons = sim::TrayIcons();
    if (icons.empty()) {
        Destroy();
        return true;
    }
    if (!window_) {
        // The tray is looked for once; a tray that comes up later announces itself (Handle).
        Create();
        Dock();
    }
    if (icons.front().icon != icon_ || icons.front().tip != tip_) {
        icon_ = icons.front().icon;
        tip_ = icons.front().tip;
        const std::string tip = Utf8Of(tip_);
        XStoreName(X().display, window_, tip.c_str());
        Draw();
    }
    return manager_ != 0;
}

void TrayIcon::Create() {
    Connection& x = X();
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = ParentRelative;  // the tray's own background behind the icon
    attributes.event_mask = ButtonPressMask | ExposureMask | StructureNotifyMask;
    window_ = XCreateWindow(x.display, x.root, 0, 0, IconSide, IconSide, 0, CopyFromParent, InputOutput, CopyFromParent,
                            CWBackPixmap | CWEventMask, &attributes);
    const unsigned long info[2] = {0, XEmbedMapped};
    XChangeProperty(x.display, window_, AtomOf("_XEMBED_INFO"), AtomOf("_XEMBED_INFO"), 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
    XSizeHints* size = XAllocSizeHints();  // the size the tray gives its icons, asked for
    if (size) {
        size->flags = PMinSize | PBaseSize;
        size->min_width = size->base_width = IconSide;
        size->min_height = size->base_height = IconSide;
        XSetWMNormalHints(x.display, window_, size);
        XFree(size);
    }
    XClassHint hint{const_cast<char*>("vistrel-tray"), const_cast<char*>("Vistrel")};
    XSetClassHint(x.display, window_, &hint);
    // The manager announces itself on the root window when a tray starts later.
    XWindowAttributes root{};
    XGetWindowAttributes(x.display, x.root, &root);
    XSelectInput(x.display, x.root, root.your_event_mask | StructureNotifyMask);
}

void TrayIcon::Destroy() {
    if (!window_ || !X().display) return;
    XDestroyWindow(X().display, window_);
    window_ = 0;
    manager_ = 0;
    icon_ = nullptr;
    tip_.clear();
}

void TrayIcon::Dock() {
    Connection& x = X();
    const ::Window manager = Manager();
    if (!manager) return;
    manager_ = manager;
    XSelectInput(x.display, manager_, StructureNotifyMask);  // to see the tray go
    XEvent message{};
    message.xclient.type = ClientMessage;
    message.xclient.window = manager_;
    message.xclient.message_type = AtomOf("_NET_SYSTEM_TRAY_OPCODE");
    message.xclient.format = 32;
    message.xclient.data.l[0] = CurrentTime;
    message.xclient.data.l[1] = RequestDock;
    message.xclient.data.l[2] = long(window_);
    XSendEvent(x.display, manager_, False, NoEventMask, &message);
    XFlush(x.display);
}

void TrayIcon::Draw() {
    Connection& x = X();
    if (!window_ || !icon_) return;
    ::Window root = 0;
    int px = 0, py = 0;
    unsigned w = 0, h = 0, border = 0, depth = 0;
    if (!XGetGeometry(x.display, window_, &root, &px, &py, &w, &h, &border, &depth) || w == 0 || h == 0) return;
    const raster::Image& picture = icon_->image;
    if (picture.width <= 0 || picture.height <= 0) return;
    const int side = int(std::min(w, h));
    ImageBuffer buffer;
    XImage* image = buffer.Shape(side, side);
    if (!image) return;
    // The icon scaled to the tray's size, nearest pixel; its transparent pixels leave the tray's
    // background.
    std::vector<unsigned char> mask(size_t((side + 7) / 8) * size_t(side), 0);
    for (int y = 0; y < side; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(image->data + ptrdiff_t(y) * image->bytes_per_line);
        const int sy = y * picture.height / side;
        for (int xx = 0; xx < side; ++xx) {
            const int sx = xx * picture.width / side;
            row[xx] = uint32_t(PixelOf(picture.At(sx, sy)));
            const size_t index = size_t(sy) * size_t(picture.width) + size_t(sx);
            const bool clear = index < icon_->mask.size() && icon_->mask[index];
            if (!clear) mask[size_t(y) * size_t((side + 7) / 8) + size_t(xx / 8)] |= (unsigned char)(1u << (xx % 8));
        }
    }
    const Pixmap clip = XCreateBitmapFromData(x.display, window_, reinterpret_cast<const char*>(mask.data()),
                                              unsigned(side), unsigned(side));
    XGCValues values{};
    values.graphics_exposures = False;
    ::GC gc = XCreateGC(x.display, window_, GCGraphicsExposures, &values);
    const int left = (int(w) - side) / 2, top = (int(h) - side) / 2;
    XSetClipMask(x.display, gc, clip);
    XSetClipOrigin(x.display, gc, left, top);
    XClearWindow(x.display, window_);
    buffer.Put(window_, gc, 0, 0, left, top, side, side);
    XFreeGC(x.display, gc);
    XFreePixmap(x.display, clip);
    XFlush(x.display);
}

bool TrayIcon::Handle(const XEvent& event) {
    Connection& x = X();
    if (event.type == ClientMessage && event.xclient.window == x.root &&
        event.xclient.message_type == AtomOf("MANAGER") && ::Atom(event.xclient.data.l[1]) == selection_) {
        if (window_) Dock();  // a tray came up
        return true;
    }
    if (event.type == DestroyNotify && manager_ && event.xdestroywindow.window == manager_) {
        manager_ = 0;  // the tray went; the icon waits for the next one
        return true;
    }
    if (!window_ || event.xany.window != window_) return false;
    if (event.type == ReparentNotify && event.xreparent.parent == x.root) {
        // The tray went and gave the icon back to the root window: out of sight until the next tray.
        XUnmapWindow(x.display, window_);
        manager_ = 0;
        return true;
    }
    if (event.type == Expose && event.xexpose.count == 0) Draw();
    if (event.type == ConfigureNotify) Draw();
    if (event.type == ButtonPress) {
        const XButtonEvent& b = event.xbutton;
        if (b.button == Button1) {
            const bool twice = !lastWasDouble_ && lastTap_ && b.time - lastTap_ <= DoubleTapMs;
            lastTap_ = b.time;
            lastWasDouble_ = twice;
            sim::TrayEvent(twice ? DoubleTapMessage : TapMessage);
        } else if (b.button == Button3) {
            sim::TrayEvent(RightMessage);
        }
    }
    return true;
}

}  // namespace platform::x11
