// The program's tray icon on a desktop: a small window docked into the desktop's system tray by the
// freedesktop tray protocol (XEmbed). A tap on it, a double tap and a right-button press reach the
// program as the handheld's tray callbacks. Where no tray exists the icon waits for one to appear.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Types.h"
#include "platform/x11/Xlib.h"

namespace platform::x11 {

class TrayIcon {
public:
    TrayIcon();
    ~TrayIcon();
    // Brings the icon in line with the program's tray (added, changed, deleted). Returns false when
    // the program has an icon but the desktop has no tray to show it.
    bool Follow();
    // True when the event was the icon's or the tray's.
    bool Handle(const XEvent& event);

private:
    void Create();
    void Destroy();
    void Dock();
    void Draw();
    ::Window Manager() const;

    ::Atom selection_ = 0;
    ::Window window_ = 0;
    ::Window manager_ = 0;
    platform::Icon icon_ = nullptr;
    std::u16string tip_;
    std::optional<uint64_t> changesSeen_;  // the program's tray as last followed
    ::Time lastTap_ = 0;
    bool lastWasDouble_ = false;
};

}  // namespace platform::x11
