// A real display behind the device's window system. The window system (windows, z-order, messages,
// timers, dialogs, controls, menus, registry file, drawing) is the same for the simulated handheld and
// for a desktop backend; a desktop backend sets a host display so that the whole-screen surface reads
// the real screen and draws its figures on it, and reads back which screen pixels the program's
// windows changed so that it can show them. Used by the desktop backends only, never by the system's
// code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "platform/raster/Canvas.h"

namespace platform::sim {

class HostDisplay {
public:
    virtual ~HostDisplay() = default;
    // A canvas holding the real screen's pixels of `area` (already clipped to the screen), whose
    // surface coordinates are screen coordinates; an unusable canvas when the screen cannot be read.
    // It stays valid until the next call.
    virtual raster::Canvas ReadScreen(const Rect& area) = 0;
    // Draws every marked pixel of the figure once on the real screen, combined by the line mode.
    virtual void DrawScreenFigure(const raster::FigureMask& mask, ColorRef outlineInk, ColorRef interiorInk,
                                  int lineMode) = 0;
};

// Null: the device's own screen (the simulated handheld).
void SetHostDisplay(HostDisplay* host);
HostDisplay* CurrentHostDisplay();

// The screen pixels that drawing through windows changed since the last call, as a bounding
// rectangle (empty when nothing changed).
Rect TakeScreenDamage();
// The host's monitors in screen coordinates (empty: the whole screen is one); top-level dialogs are
// centred on the monitor of their owner and made to fit it.
void SetMonitors(std::vector<Rect> monitors);
// Real time passed: the clock moves on at once, and a timer that fell due on the way fires once (a
// desktop's timers do not queue up the periods they missed).
void PassRealTime(uint64_t ms);
// Milliseconds until the running program's next timer falls due; nullopt when it has none.
std::optional<uint64_t> TimeToNextTimer();
// The second press of a double tap: a double-click for a window whose class asks for them, else a
// press.
void StylusDoubleClick(Point screen);
// How many times a program put a text on the clipboard (a host offers the text anew after each,
// even when it is the same text).
uint64_t ClipboardPuts();
// The cursor the program set (null: none).
Cursor CurrentCursor();
// Host path of a device path; empty when it maps nowhere.
std::string HostPathOf(const std::u16string& devicePath);

}  // namespace platform::sim
