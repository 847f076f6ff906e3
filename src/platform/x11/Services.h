// What the program asks of the desktop beyond its windows: help opens in the desktop's browser,
// the tray icon, the clipboard's text is offered to other programs, sounds play through the desktop's event-sound library where one is installed (silence otherwise).
#pragma once

#include <cstddef>
#include <string>

#include "platform/x11/ClipboardSelection.h"
#include "platform/x11/TrayIcon.h"
#include "platform/x11/Xlib.h"

namespace platform::x11 {

class Services {
public:
    Services();
    ~Services();
    // Carries out what the program asked for since the last call.
    void Follow();
    // True when the event was the tray's or the clipboard's.
    bool Handle(const XEvent& event);

private:
    void OpenHelp(const std::u16string& devicePath);
    void PlaySound(const std::u16string& devicePath);

    TrayIcon tray_;
    ClipboardSelection clipboard_;
    bool started_ = false;
    size_t processesSeen_ = 0;
    size_t soundsSeen_ = 0;
    void* soundLibrary_ = nullptr;
    void* soundContext_ = nullptr;
};

}  // namespace platform::x11
