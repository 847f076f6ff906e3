// The tape measure window: the distance between two screen points in pixels and centimetres.
#pragma once

#include "magnifier/Magnifier.h"

void PaintTape(Magnifier& m, platform::Surface target);
void TapePointer(Magnifier& m, int32_t x, int32_t y);
void TapeMark(Magnifier& m, int32_t x, int32_t y);
void TapeRelease(Magnifier& m);
void UpdateTapeText(Magnifier& m);
// The measurement text for a fixed point, a moving point and the screen's pixels per inch.
void FormatTapeText(platform::Point start, platform::Point end, const Resolution& ppi, char16_t (&text)[128]);
