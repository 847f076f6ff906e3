// The desktop's monitors as the program's one screen.
//
// The program knows one screen whose top-left corner is (0, 0). The desktop spans every monitor: its
// coordinates put the primary monitor's top-left corner at (0, 0), so a monitor left of or above the
// primary one has negative coordinates. The backend presents the bounding rectangle of all monitors
// (the virtual screen) as the program's screen and shifts every screen coordinate that passes between
// the program and the desktop by the virtual screen's top-left corner. Client coordinates need no shift.
//
// Plain arithmetic on the program's types, without the desktop's headers, so that it is tested anywhere.
#pragma once

#include "platform/Types.h"

namespace platform::win32 {

// The virtual screen in desktop coordinates: its top-left corner and its size.
struct VirtualScreen {
    int32_t left = 0, top = 0, width = 0, height = 0;
};

inline Rect ProgramScreenRect(const VirtualScreen& v) { return Rect{0, 0, v.width, v.height}; }

inline Point ToProgram(const VirtualScreen& v, Point desktop) { return Point{desktop.x - v.left, desktop.y - v.top}; }

inline Point ToDesktop(const VirtualScreen& v, Point program) { return Point{program.x + v.left, program.y + v.top}; }

inline Rect ToProgram(const VirtualScreen& v, const Rect& desktop) {
    return Rect{desktop.left - v.left, desktop.top - v.top, desktop.right - v.left, desktop.bottom - v.top};
}

}  // namespace platform::win32
