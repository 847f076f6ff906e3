// Stylus interaction on the magnifier window: moving, resizing, zooming, aiming and correcting.
#pragma once

#include <cstdint>

#include "magnifier/Magnifier.h"

void MagnifierPointerMove(Magnifier& m, int32_t x, int32_t y);
void MagnifierRelease(Magnifier& m);
bool MagnifierDoubleTap(Magnifier& m, int32_t x, int32_t y);
void MagnifierWheel(Magnifier& m, int32_t delta);
bool MagnifierMenuHit(const Magnifier& m, int32_t x, int32_t y);
bool TicksElapsed(uint32_t start, uint32_t limit);

// Correction mode: AdjustMode inverted while the Alt key is held.
bool InCorrectionMode(const Magnifier& m);
// The XOR focus frames of a magnifier move or resize (drawing them twice erases them).
void DrawMagnifierFrames(Magnifier& m);
