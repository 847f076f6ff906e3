// Platform drawing services: surfaces, bitmaps, brushes, pens, fonts, copies, figures and text.
// Colours are 0x00BBGGRR. Failures give null handles or false; drawing with a null handle does
// nothing.
#pragma once

#include <cstdint>

#include "platform/Constants.h"
#include "platform/Geometry.h"
#include "platform/Types.h"

namespace platform {

// ---- Drawing surfaces ----

Surface GetWindowSurface(Window window);  // a null window gives the whole-screen surface
bool ReleaseWindowSurface(Window window, Surface surface);
Surface CreateMemorySurface(Surface compatibleWith);  // compatibleWith may be null (the screen)
bool DeleteMemorySurface(Surface surface);

// Selecting returns the previous selection, which callers select back before deleting the surface.
Bitmap SelectBitmapInto(Surface surface, Bitmap bitmap);
Brush SelectBrushInto(Surface surface, Brush brush);
Pen SelectPenInto(Surface surface, Pen pen);
Font SelectFontInto(Surface surface, Font font);

// Drawing into a memory surface changes only its pixels inside area (surface coordinates) until the
// limit is lifted (a null area). Reading from the surface is not limited.
bool LimitDrawing(Surface surface, const Rect* area);

// ---- Bitmaps ----

Bitmap CreateCompatibleBitmapFor(Surface surface, int32_t width, int32_t height);

struct BitmapInfoHeader {
    uint32_t size = 40;
    int32_t width = 0;
    int32_t height = 0;  // positive: bottom-up
    uint16_t planes = 1;
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;
    int32_t xPelsPerMeter = 0;
    int32_t yPelsPerMeter = 0;
    uint32_t colorsUsed = 0;
    uint32_t colorsImportant = 0;
};
// A section of 24 bits (blue, green, red per pixel) or 32 bits (blue, green, red, unused) with rows
// padded to 4 bytes, bottom-up for a positive height, top-down for a negative one; *bits receives
// its pixel bytes. Only uncompressed 24- and 32-bit headers are supported.
Bitmap CreateDibSection(Surface surface, const BitmapInfoHeader* header, uint8_t** bits);
Bitmap LoadBitmapFile(const char16_t* path);  // a ".bmp" file; null on any failure
bool GetBitmapSize(Bitmap bitmap, int32_t* width, int32_t* height);
bool DeleteBitmapObject(Bitmap bitmap);

// ---- Brushes, pens, fonts ----

Brush CreateSolidBrushOf(ColorRef color);
Brush GetSystemColorBrush(int index);  // shared, never deleted
ColorRef GetSystemColor(int index);
Pen CreatePenOf(int style, int32_t width, ColorRef color);

struct FontRecord {
    int32_t height = 0;  // negative: character height
    int32_t width = 0;
    int32_t escapement = 0;
    int32_t orientation = 0;
    int32_t weight = 0;
    uint8_t italic = 0;
    uint8_t underline = 0;
    uint8_t strikeOut = 0;
    uint8_t charSet = 0;
    uint8_t outPrecision = 0;
    uint8_t clipPrecision = 0;
    uint8_t quality = 0;
    uint8_t pitchAndFamily = 0;
    char16_t faceName[32] = {};
};
Font CreateFontFrom(const FontRecord* record);
int GetDeviceCapability(Surface surface, int index);  // DeviceLogPixelsY ...
bool DeleteBrushObject(Brush brush);
bool DeletePenObject(Pen pen);
bool DeleteFontObject(Font font);

// ---- Copies ----

bool CopyBits(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
              int32_t sourceX, int32_t sourceY, uint32_t rop);
int SetStretchMode(Surface surface, int mode);  // returns the previous mode
bool StretchBits(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
                 int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, uint32_t rop);
// Copies with scaling, leaving out every source pixel of the key colour.
bool TransparentCopy(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height, Surface source,
                     int32_t sourceX, int32_t sourceY, int32_t sourceWidth, int32_t sourceHeight, ColorRef key);
ColorRef GetPixelColor(Surface surface, int32_t x, int32_t y);  // 0xFFFFFFFF outside
// StretchBits as a plain copy, with every colour byte of the written pixels passed through colorMap
// (256 entries) as each row is written. False, drawing nothing, where the backend cannot reach the
// pixels so; the caller then stretches and corrects in two steps.
bool StretchBitsThroughTable(Surface destination, int32_t x, int32_t y, int32_t width, int32_t height,
                             Surface source, int32_t sourceX, int32_t sourceY, int32_t sourceWidth,
                             int32_t sourceHeight, const uint8_t* colorMap);
// The runs of the width x height area at (x, y) of the surface whose pixels are not the key colour:
// where a colour-keyed copy of that area would draw.
bool FindOpaqueRuns(Surface surface, int32_t x, int32_t y, int32_t width, int32_t height, ColorRef key,
                    RowRuns* runs);
// A picture under a colour-keyed overlay in one operation: the area of the destination gets the
// overlay's pixels (its (0, 0) at the area's top-left) on the runs of `opaque` (made for the area by
// FindOpaqueRuns) and the picture's elsewhere, pictureArea's top-left landing on pictureAt; pixels
// neither reaches are kept. The same as CopyBits of the picture then TransparentCopy of the overlay,
// without their intermediate picture. A null overlay leaves the destination's pixels on the runs (the
// overlay is there already): only the picture is copied, between them; a null picture leaves them
// between the runs: only the overlay's opaque pixels are copied, as by TransparentCopy alone. False,
// drawing nothing, when the surfaces or runs do not allow it (or both are null).
bool CopyUnderOverlay(Surface destination, const Rect& area, Surface picture, const Rect& pictureArea,
                      Point pictureAt, Surface overlay, const RowRuns& opaque);
// The enlargement of the source's rectangle onto `picture` (destination coordinates), laid under an
// overlay that the destination holds already: the same pixels as StretchBits (or, with a colorMap,
// StretchBitsThroughTable) into a 32-bit bitmap of the picture's size followed by CopyUnderOverlay of it
// with a null overlay, without that bitmap. The destination's stretch mode chooses the filter. False,
// drawing nothing, where the backend cannot do that (or the source's rectangle is not wholly inside
// the source); the caller then takes the two steps.
bool StretchUnderOverlay(Surface destination, const Rect& area, Surface source, int32_t sourceX, int32_t sourceY,
                         int32_t sourceWidth, int32_t sourceHeight, const Rect& picture, const uint8_t* colorMap,
                         const RowRuns& opaque);

// ---- Figures ----

bool FillRectangle(Surface surface, const Rect* rect, Brush brush);
bool DrawEllipse(Surface surface, int32_t left, int32_t top, int32_t right, int32_t bottom);
bool DrawFocusRectangle(Surface surface, const Rect* rect);
int SetLineMode(Surface surface, int mode);  // Rop2XorPen, Rop2CopyPen; returns the previous mode
bool MoveTo(Surface surface, int32_t x, int32_t y, Point* previous);
bool LineTo(Surface surface, int32_t x, int32_t y);  // the end point is not drawn

// ---- Text ----

int SetBackgroundMode(Surface surface, int mode);
ColorRef SetTextColorOf(Surface surface, ColorRef color);
// length -1: up to the terminating zero. Returns the text height.
int DrawTextIn(Surface surface, const char16_t* text, int length, Rect* rect, uint32_t format);

}  // namespace platform
