// Where the Windows backend draws with the software raster (platform/raster) instead of the system:
// between memory surfaces whose bitmaps are device-independent sections, whose pixels it can reach.
#pragma once

#include "platform/raster/Canvas.h"
#include "platform/win32/Handles.h"

namespace platform::win32 {

// The pixels of the 24- or 32-bit section selected into a memory surface, as a raster canvas;
// false for any other surface. Finishes the system's pending drawing first.
bool MemoryCanvas(HDC dc, raster::Canvas* canvas);
// The same for a surface drawn on: limited to its clip box (LimitDrawing).
bool DrawingCanvas(HDC dc, raster::Canvas* canvas);

// The width x height rectangle at (x, y) of any surface (the screen included), copied into a section
// that the backend keeps and grows as needed, as a canvas with that rectangle at (0, 0).
bool CaptureCanvas(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height, raster::Canvas* canvas);

// A section of at least width x height that the backend keeps (apart from the capture's) for pictures
// composed off-screen before one copy, selected into *surface, as a canvas limited to width x height.
bool CompositionCanvas(HDC like, int32_t width, int32_t height, HDC* surface, raster::Canvas* canvas);

// Whether the caller asked for bilinear stretching on the surface; whether its stretches take the
// nearest pixel (the colour-on-colour mode, or a mode that would merge pixels, which StretchBits
// replaces by it).
bool StretchesBilinear(HDC dc);
bool StretchesNearest(HDC dc);

// A 32-bit top-down section of the given size (null when it cannot be made); *bits receives its pixels.
HBITMAP MakeSection32(HDC reference, int32_t width, int32_t height, void** bits);
// Called before a bitmap is deleted (its handle may come back for another bitmap).
void ForgetSection(HBITMAP bitmap);

}  // namespace platform::win32
