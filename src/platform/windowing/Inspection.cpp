// What a host, tests and vistrel-sim can read of the device: windows, cursor, capture, focus.
#include "platform/windowing/DeviceState.h"
#include "platform/windowing/HostDisplay.h"

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

void TopLevelPlaces(std::vector<TopLevelPlace>* out) {
    out->clear();
    for (Window w : Dev().topLevels)
        out->push_back(TopLevelPlace{w, WindowScreenRect(w), (w->style & StyleVisible) != 0});
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

}  // namespace platform::sim
