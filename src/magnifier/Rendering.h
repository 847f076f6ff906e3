// The magnified view: capturing the screen around the zoom point, enlarging it, correcting brightness
// and contrast, the cross-hair and the zoom-indicator dot; and composing the glass's picture.
#pragma once

#include <cstdint>

#include "magnifier/Magnifier.h"

void RenderView(Magnifier& m, bool applyCorrection, bool drawCrossHair, bool samplePickedColor);
// RenderView for the timed refresh: while the glass is still (no drag, no locator flash), nothing is
// drawn when the captured source and every other input are those of the last timed refresh and no
// other render came between. Returns whether the view was rendered (and so wants painting).
bool RenderChangedView(Magnifier& m, bool applyCorrection, bool drawCrossHair, bool samplePickedColor);
// What of the glass a timed refresh that rendered has painted again (window coordinates): the lens
// alone while the rest of the glass shows what a whole paint would draw, else the whole glass.
platform::Rect RefreshedGlassArea(Magnifier& m);
// The glass's paint: where only the lens is to be painted and the window keeps the rest as it was
// last painted, the view alone, between the skin's opaque runs; else ComposeMagnifier.
void PaintGlass(Magnifier& m, platform::Surface target, const platform::PaintInfo& paint);
void ComposeMagnifier(Magnifier& m, platform::Surface target, int32_t x, int32_t y, bool windowPaint);
// Brings the part of the view that lags behind the last render (ViewBehind) up to date: the view is
// then what the renders since the last whole one would have left in it.
void CatchUpView(Magnifier& m);
void UpdateLensGeometry(Magnifier& m);
// The skin scaled to the glass's size: made again for the current size and skin, or freed (the skin
// is about to change or go).
void UpdateScaledSkin(Magnifier& m);
void ForgetScaledSkin(Magnifier& m);

// The source rectangle for a window of side w x h at zoom `zoom` centred on `zoomPoint`, kept on the
// screen whose right and bottom edges are given.
platform::Rect SourceRectangle(int32_t w, int32_t h, float zoom, platform::Point zoomPoint, int32_t screenRight,
                               int32_t screenBottom);

// Brightness and contrast: pure functions of each colour byte.
int32_t BrightnessDelta(float bright);       // -150 .. +200
double ContrastFactor(float contrast);       // 0.4 .. e
uint8_t AdjustBrightness(uint8_t value, int32_t delta);
uint8_t AdjustContrast(uint8_t value, double factor);
// Applies both passes (each only when its value is not 0.5) to w x h pixels of 4 bytes each, rows
// `stride` bytes apart: the first three bytes of a pixel are its colour, the fourth is kept.
void CorrectPixels(uint8_t* bits, int32_t stride, int32_t w, int32_t h, float bright, float contrast);
