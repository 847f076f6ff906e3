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
// Ends a drag in progress on any of the three windows as its release would (frames erased, windows
// moved, capture released). Showing and hiding windows call it first, so that no drag outlives the
// window it belongs to and no release is lost to an animation that starts under it.
void FinishPointerInteraction(Magnifier& m);

// Correction mode: AdjustMode inverted while the Alt key is held.
bool InCorrectionMode(const Magnifier& m);
// The XOR focus frames of a magnifier move or resize (drawing them twice erases them).
void DrawMagnifierFrames(Magnifier& m);
