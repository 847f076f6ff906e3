// The real screen behind the whole-screen surface: reads come from the root window (only the
// rectangle asked for), figures are drawn on the root window over every window, by the line mode;
// where a compositing manager runs (it would hide the root window's pixels) they go to an overlay.
#pragma once

#include <map>
#include <memory>

#include "platform/windowing/HostDisplay.h"
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
    // The layout of the 32-bit images the program puts (blue, green, red, unused).
    raster::PixelFormat PictureFormat() const override { return raster::PixelFormat::Bgrx32; }
    // The windows' pictures live in images the server reads straight from (shared memory where it
    // offers it).
    uint8_t* PictureStorage(platform::Window topLevel, int32_t width, int32_t height, ptrdiff_t* stride) override;
    void ReleasePictureStorage(platform::Window topLevel) override;
    void PictureWillChange(platform::Window topLevel) override;
    // Puts part of a window's picture (picture coordinates) at (x, y) of the drawable; false when the
    // window's picture is not kept here.
    bool PutPicture(platform::Window topLevel, ::Drawable drawable, ::GC gc, const Rect& part, int x, int y);

    FigureOverlay& Overlay() { return overlay_; }

private:
    ImageBuffer reads_;
    FigureOverlay overlay_;
    std::map<platform::Window, std::unique_ptr<ImageBuffer>> pictures_;
    ::GC figures_ = nullptr;
};

// The X drawing function of a binary raster operation (1..16).
int FunctionOfLineMode(int lineMode);

}  // namespace platform::x11
