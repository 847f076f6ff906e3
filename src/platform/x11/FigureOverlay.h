// Figures on the screen (the move frame, the tape line, the locator ring) where a compositing manager
// runs. Such a manager shows the windows from pictures of their own, so drawing on the root window
// would be hidden under them. Instead the figures' pixels are kept here, each with the screen's colour
// under it when it was first drawn and the colour the figure made of it; an override-redirect window
// of our own, above every window, shaped to exactly those pixels, shows them. Drawing an XOR figure
// a second time gives each pixel its screen colour back, so it leaves the figure layer, and the window
// is unmapped when no pixel is left: nothing of the screen itself is ever drawn on.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/Types.h"
#include "platform/x11/ImageBuffer.h"

namespace platform::x11 {

class FigureOverlay {
public:
    FigureOverlay() = default;
    FigureOverlay(const FigureOverlay&) = delete;
    FigureOverlay& operator=(const FigureOverlay&) = delete;
    ~FigureOverlay();

    // True while figure pixels are shown or wait to be: figures are drawn here until the last is gone.
    bool Holds() const { return mapped_ || !pixels_.empty(); }
    // Combines every marked pixel of the figure with what the overlay shows there (the screen's colour
    // where it shows nothing yet), by the line mode.
    void Draw(const raster::FigureMask& mask, ColorRef outlineInk, ColorRef interiorInk, int lineMode);
    // Brings the overlay window in line with the figure pixels (once before the program waits).
    void Sync();
    // Another window went up or moved in the stacking order: the overlay goes above it again.
    void KeepOnTop() { raise_ = true; }
    ::Window Xid() const { return window_; }

private:
    static uint64_t KeyOf(int32_t x, int32_t y) { return uint64_t(uint32_t(y)) << 32 | uint32_t(x); }
    void ReadScreenColours(const std::vector<uint64_t>& keys);
    void Show();
    void Hide();

    struct ScreenColour {
        ColorRef colour = 0;
        uint32_t used = 0;  // the last sync the figures touched the pixel before
    };
    void ForgetOldScreenColours();

    std::map<uint64_t, ColorRef> pixels_;        // what the figures made of each pixel, by row, then column
    std::map<uint64_t, ScreenColour> screenOf_;  // the screen colours under them, read while figures are shown
    uint32_t syncs_ = 0;
    ImageBuffer reads_;
    ::Window window_ = 0;
    ::Pixmap picture_ = 0;
    Rect box_;
    bool changed_ = false;
    bool mapped_ = false;
    bool raise_ = false;
};

// True when a compositing manager runs on the program's screen.
bool CompositingManagerRuns();

}  // namespace platform::x11
