// The real screen behind the whole-screen surface: reads come from the root window (only the
// rectangle asked for), figures are drawn on the root window over every window, by the line mode;
// where a compositing manager runs (it would hide the root window's pixels) they go to an overlay.
#pragma once

#include "platform/sim/HostDisplay.h"
#include "platform/x11/FigureOverlay.h"
#include "platform/x11/ImageBuffer.h"

namespace platform::x11 {

class RootScreen : public sim::HostDisplay {
public:
    RootScreen();
    ~RootScreen() override;
    raster::Canvas ReadScreen(const Rect& area) override;
    void DrawScreenFigure(const raster::FigureMask& mask, ColorRef outlineInk, ColorRef interiorInk,
                          int lineMode) override;
    FigureOverlay& Overlay() { return overlay_; }

private:
    ImageBuffer reads_;
    FigureOverlay overlay_;
    ::GC figures_ = nullptr;
};

// The X drawing function of a binary raster operation (1..16).
int FunctionOfLineMode(int lineMode);

}  // namespace platform::x11
