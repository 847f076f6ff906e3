// What tests and vistrel-sim can read of the device: windows, cursor, capture, focus, the screen.
#include "platform/sim/DeviceState.h"

namespace platform::sim {

using namespace detail;

namespace {

WindowInfo InfoOf(const WindowObject* o) {
    WindowInfo info;
    info.handle = const_cast<WindowObject*>(o);
    info.className = o->className;
    info.title = o->title;
    info.rect = WindowScreenRect(o);
    info.visible = (o->style & StyleVisible) != 0;
    info.style = o->style;
    info.exStyle = o->exStyle;
    return info;
}

}  // namespace

std::vector<WindowInfo> TopLevelWindows() {
    std::vector<WindowInfo> out;
    for (Window w : Dev().topLevels) out.push_back(InfoOf(w));
    return out;
}

std::optional<WindowInfo> FindWindowByClass(const std::u16string& className) {
    for (Window w : Dev().topLevels)
        if (SameClassName(w->className, className)) return InfoOf(w);
    return std::nullopt;
}

std::optional<int> CurrentCursorId() { return Dev().cursorId; }

Window CaptureWindow() { return LiveWindow(Dev().capture); }

Window FocusedWindow() { return LiveWindow(Dev().focus); }

uint64_t PaintsBegun(Window window) {
    const WindowObject* o = LiveWindow(window);
    return o ? o->paintsBegun : 0;
}

const Image& Screen() { return ScreenImage(); }

ColorRef ScreenPixel(int32_t x, int32_t y) {
    const Image& screen = ScreenImage();
    return screen.Contains(x, y) ? screen.At(x, y) : 0xFFFFFFFF;
}

Image FreshRepaint() {
    DeviceState& dev = Dev();
    ComposePending();
    dev.screen.pixels = dev.desktop.pixels;
    ForEachWindowBottomToTop([](Window w) {
        if (!EffectivelyVisible(w)) return;
        DrawFrame(w);
        AddUpdate(w, ClientRect(w), true);
        SendToWindow(w, MsgPaint, 0, 0);
    });
    return ScreenImage();
}

}  // namespace platform::sim
