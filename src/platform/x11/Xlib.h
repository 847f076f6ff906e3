// Xlib and the X extensions the desktop backend uses, included after every platform header. Xlib's
// event-type names are macros that would hide functions of the same name (the device's KeyPress), so
// they are kept here as constants and the macros are dropped.
#pragma once

// Headers that use names Xlib takes as macros (None), read before it.
#include "platform/raster/Canvas.h"
#include "platform/windowing/Device.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>

namespace platform::x11 {
constexpr int KeyPressEvent = KeyPress;
constexpr int KeyReleaseEvent = KeyRelease;
}  // namespace platform::x11

#undef KeyPress
#undef KeyRelease
