// A real display behind the device's window system. The window system (windows, z-order, messages,
// timers, dialogs, controls, menus, registry file, drawing) is the same for the simulated handheld and
// for a desktop backend; a desktop backend sets a host display (before the device is reset) so that the
// whole-screen surface reads the real screen and draws its figures on it, and shows each top-level
// window's picture itself: the device then keeps no screen, desktop or owner map of its own. Used by the desktop backends only, never by the system's
// code.
#pragma once

#include <cstddef>
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
    // How the host lays out its pixels: the windows' pictures and the bitmaps made compatible with the
    // screen take it, so that a picture goes to the host without being converted.
    virtual raster::PixelFormat PictureFormat() const { return raster::PixelFormat::Color32; }
    // Storage the host can show without copying, for a top-level window's picture of width x height
    // pixels of 4 bytes in PictureFormat, rows *stride bytes apart; null when the host keeps none (the
    // picture then lives in the device's memory). Valid until the next call for that window or
    // ReleasePictureStorage; its pixels are drawn again after each call.
    virtual uint8_t* PictureStorage(Window topLevel, int32_t width, int32_t height, ptrdiff_t* stride) {
        (void)topLevel, (void)width, (void)height, (void)stride;
        return nullptr;
    }
    virtual void ReleasePictureStorage(Window topLevel) { (void)topLevel; }
    // The window system is about to draw in a top-level window's picture: the host waits, if it must,
    // until what it showed from that picture has left it.
    virtual void PictureWillChange(Window topLevel) { (void)topLevel; }
};

// Null: no host display (the simulated handheld keeps a screen of its own).
void SetHostDisplay(HostDisplay* host);
HostDisplay* CurrentHostDisplay();

// The picture a shown top-level window and its children draw in (in the host's pixel format), holding
// the part of the window that lies on the screen; *offset (when given) is where its pixel (0, 0) lies
// in the window. An unusable canvas when the window has none (hidden, off the screen, or not a
// top-level window).
raster::Canvas WindowPicture(Window topLevel, Point* offset);
// The part of a top-level window's picture drawn since the last call, as a bounding rectangle in
// picture coordinates (empty when nothing was drawn).
Rect TakeWindowDamage(Window topLevel);
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
// How many times the tray's icons and the registered hot keys have changed: a host follows them anew
// only after a change.
uint64_t TrayChanges();
uint64_t HotKeyChanges();
// Where each top-level window lies and whether it is shown, in z-order, topmost first, into *out (its
// storage reused): what a host follows every turn, without the windows' texts.
struct TopLevelPlace {
    Window handle = nullptr;
    Rect rect;
    bool visible = false;
};
void TopLevelPlaces(std::vector<TopLevelPlace>* out);
// The cursor the program set (null: none).
Cursor CurrentCursor();
// Host path of a device path; empty when it maps nowhere.
std::string HostPathOf(const std::u16string& devicePath);

}  // namespace platform::sim
