// Copies between surfaces: plain, stretched, colour-keyed; and reading one pixel.
#include "platform/Drawing.h"
#include "platform/win32/DrawingLimits.h"
#include "platform/win32/Handles.h"
#include "platform/win32/RasterBridge.h"

namespace platform {

bool CopyBits(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
              int32_t sourceX, int32_t sourceY, uint32_t rop) {
    if (!destination || !source) return false;
    const bool done =
        ::BitBlt(ToNative(destination), x, y, width, height, ToNative(source), sourceX, sourceY, rop) != FALSE;
    // The pixels of a section may be read straight after the copy (the view's source is compared so):
    // nothing of it may wait in the system's batch.
    ::GdiFlush();
    return done;
}

bool StretchBits(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
                 int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop) {
    if (!destination || !source) return false;
    // Smoothing into a section is the raster's bilinear stretch, from the source's own pixels or from
    // a capture of the source rectangle alone (the screen); a nearest-pixel stretch between sections
    // (the view enlarged from its captured source) is the raster's too.
    raster::Canvas into, from;
    const bool sized = width > 0 && height > 0 && sourceWidth > 0 && sourceHeight > 0 && rop == SRCCOPY;
    if (sized && win32::StretchesBilinear(ToNative(destination)) &&
        win32::DrawingCanvas(ToNative(destination), &into)) {
        if (win32::MemoryCanvas(ToNative(source), &from))
            return raster::StretchBlock(into, x, y, width, height, from, sourceX, sourceY, sourceWidth, sourceHeight,
                                        raster::StretchFilter::Bilinear, nullptr);
        if (win32::CaptureCanvas(ToNative(source), sourceX, sourceY, sourceWidth, sourceHeight, &from))
            return raster::StretchBlock(into, x, y, width, height, from, 0, 0, sourceWidth, sourceHeight,
                                        raster::StretchFilter::Bilinear, nullptr);
    }
    if (sized && win32::StretchesNearest(ToNative(destination)) && win32::MemoryCanvas(ToNative(source), &from) &&
        win32::DrawingCanvas(ToNative(destination), &into))
        return raster::StretchBlock(into, x, y, width, height, from, sourceX, sourceY, sourceWidth, sourceHeight,
                                    raster::StretchFilter::Nearest, nullptr);
    // Stretching takes the nearest source pixel or, in the smooth mode, blends neighbours; the system's
    // initial mode instead ANDs the pixels it drops into the ones it keeps, which no caller wants.
    HDC to = ToNative(destination);
    const int mode = ::GetStretchBltMode(to);
    const bool merging = mode == BLACKONWHITE || mode == WHITEONBLACK;
    if (merging) ::SetStretchBltMode(to, COLORONCOLOR);
    const BOOL done = ::StretchBlt(to, x, y, width, height, ToNative(source), sourceX, sourceY, sourceWidth,
                                   sourceHeight, rop);
    if (merging) ::SetStretchBltMode(to, mode);
    return done != FALSE;
}

// Scaling takes the nearest source pixel, so that the key colour stays exact and no colour appears
// that the source does not have. Some systems stretch inside the colour-keyed copy with a mode that
// merges pixels (the AND of the default mode), which speckles a skin and fringes it with the key
// colour; so a scaled copy is first stretched, nearest pixel, into a scratch picture of the
// destination's size, and the key is left out in an unscaled copy from there.
bool TransparentCopy(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
                     int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, ColorRef key) {
    if (!destination || !source) return false;
    // The system refuses empty or mirrored copies; so does the platform.
    if (width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0) return false;
    // Between sections (the glass's skin, already scaled, onto its picture): the raster's keyed copy,
    // in place, with nothing made per call.
    raster::Canvas toCanvas, fromCanvas;
    if (win32::MemoryCanvas(ToNative(destination), &toCanvas) && win32::MemoryCanvas(ToNative(source), &fromCanvas))
        return raster::StretchBlock(toCanvas, x, y, width, height, fromCanvas, sourceX, sourceY, sourceWidth,
                                    sourceHeight, raster::StretchFilter::Nearest, &key);
    HDC to = ToNative(destination);
    HDC from = ToNative(source);
    const UINT transparent = key & 0x00FFFFFF;
    if (width == sourceWidth && height == sourceHeight) {
        return ::TransparentBlt(to, x, y, width, height, from, sourceX, sourceY, width, height, transparent) != FALSE;
    }
    if (!win32::AcceptableBitmapSize(width, height)) return false;
    HDC scratch = ::CreateCompatibleDC(to);
    HBITMAP picture = scratch ? win32::MakeSection32(nullptr, width, height, nullptr) : nullptr;
    bool done = false;
    if (picture) {
        HGDIOBJ previous = ::SelectObject(scratch, picture);
        ::SetStretchBltMode(scratch, COLORONCOLOR);
        done = ::StretchBlt(scratch, 0, 0, width, height, from, sourceX, sourceY, sourceWidth, sourceHeight,
                            SRCCOPY) != FALSE &&
               ::TransparentBlt(to, x, y, width, height, scratch, 0, 0, width, height, transparent) != FALSE;
        ::SelectObject(scratch, previous);
        win32::ForgetSection(picture);
        ::DeleteObject(picture);
    }
    if (scratch) ::DeleteDC(scratch);
    return done;
}

// The stretches that are the raster's own on this backend (StretchBits) take a table: the smooth one,
// and the nearest-pixel one between sections.
bool StretchBitsThroughTable(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height,
                             Surface source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                             int32_t sourceHeight, const uint8_t* colorMap) {
    if (!destination || !source || !colorMap || width <= 0 || height <= 0 || sourceWidth <= 0 || sourceHeight <= 0)
        return false;
    raster::Canvas into, from;
    if (win32::StretchesNearest(ToNative(destination)) && win32::MemoryCanvas(ToNative(source), &from) &&
        win32::DrawingCanvas(ToNative(destination), &into))
        return raster::StretchBlock(into, x, y, width, height, from, sourceX, sourceY, sourceWidth, sourceHeight,
                                    raster::StretchFilter::Nearest, nullptr, colorMap);
    if (!win32::StretchesBilinear(ToNative(destination)) || !win32::DrawingCanvas(ToNative(destination), &into))
        return false;
    if (win32::MemoryCanvas(ToNative(source), &from))
        return raster::StretchBlock(into, x, y, width, height, from, sourceX, sourceY, sourceWidth, sourceHeight,
                                    raster::StretchFilter::Bilinear, nullptr, colorMap);
    if (win32::CaptureCanvas(ToNative(source), sourceX, sourceY, sourceWidth, sourceHeight, &from))
        return raster::StretchBlock(into, x, y, width, height, from, 0, 0, sourceWidth, sourceHeight,
                                    raster::StretchFilter::Bilinear, nullptr, colorMap);
    return false;
}

bool FindOpaqueRuns(Surface surface, int32_t x, int32_t y, int32_t width, int32_t height, ColorRef key,
                    RowRuns* runs) {
    raster::Canvas canvas;
    if (!surface || !runs || width <= 0 || height <= 0 || !win32::MemoryCanvas(ToNative(surface), &canvas))
        return false;
    raster::FindOpaqueRuns(canvas, x, y, width, height, key, runs);
    return true;
}

// Between sections the raster composes in place; onto any other surface (a window) the picture is
// composed in a kept section and put there with one copy.
bool CopyUnderOverlay(Surface destination, const Rect& area, Surface picture, const Rect& pictureArea,
                      Point pictureAt, Surface overlay, const RowRuns& opaque) {
    const int32_t w = Width(area), h = Height(area);
    if (!destination || (!picture && !overlay) || w <= 0 || h <= 0 || !opaque.Fits(w, h)) return false;
    raster::Canvas under, over, into;
    if ((picture && !win32::MemoryCanvas(ToNative(picture), &under)) ||
        (overlay && !win32::MemoryCanvas(ToNative(overlay), &over)))
        return false;
    HDC to = ToNative(destination);
    if (win32::DrawingCanvas(to, &into))
        return raster::CopyUnderOverlay(into, area, under, pictureArea, pictureAt, over, opaque);
    HDC kept = nullptr;
    if (!win32::CompositionCanvas(to, w, h, &kept, &into)) return false;
    const Point keptAt{pictureAt.x - area.left, pictureAt.y - area.top};
    const Rect keptArea{0, 0, w, h};
    // Pixels neither source reaches keep what the destination shows.
    if (!raster::OverlayCoversArea(keptArea, under, pictureArea, keptAt, over, opaque)) {
        if (!::BitBlt(kept, 0, 0, w, h, to, area.left, area.top, SRCCOPY)) return false;
        ::GdiFlush();
    }
    if (!raster::CopyUnderOverlay(into, keptArea, under, pictureArea, keptAt, over, opaque)) return false;
    return ::BitBlt(to, area.left, area.top, w, h, kept, 0, 0, SRCCOPY) != FALSE;
}

// A window's pixels are the screen's here: the glass's lens is never laid under a skin it keeps.
bool StretchUnderOverlay(Surface, const Rect&, Surface, int32_t, int32_t, int32_t, int32_t, const Rect&,
                         const uint8_t*, const RowRuns&) {
    return false;
}

ColorRef GetPixelColor(Surface surface, int32_t x, int32_t y) {
    if (!surface) return CLR_INVALID;
    return ::GetPixel(ToNative(surface), x, y);
}

}  // namespace platform
