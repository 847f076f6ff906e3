// The connection to the X server: the display, its root window and visual, and what it offers.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Types.h"
#include "platform/x11/Xlib.h"

namespace platform::x11 {

struct Connection {
    ::Display* display = nullptr;
    int screen = 0;
    ::Window root = 0;
    ::Visual* visual = nullptr;
    int depth = 0;
    int width = 0;
    int height = 0;
    int pixelsPerInch = 96;
    // 32-bit pixels holding 0x00RRGGBB: the layout the drawing layer reads and writes as it is.
    bool directPixels = false;
    bool shm = false;  // the shared-memory extension, usable from this process
    ::Time inputTime = CurrentTime;  // the server time of the last key or button event
};

Connection& X();
// Opens the display (null: $DISPLAY). False with a reason when there is none or its visual is not one
// the program can draw on.
bool Connect(const char* name, std::string* error);
void Disconnect();
::Atom AtomOf(const char* name);

// 0x00BBGGRR to the screen's 0x00RRGGBB pixel.
constexpr unsigned long PixelOf(ColorRef c) {
    return (unsigned long)(RedOf(c)) << 16 | (unsigned long)(GreenOf(c)) << 8 | BlueOf(c);
}

}  // namespace platform::x11
