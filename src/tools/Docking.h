// Docking of the tool windows to the magnifier window.
#pragma once

#include "magnifier/Magnifier.h"

enum DockAsker : int32_t { AskerNone = 0, AskerColorPicker = 1, AskerTape = 2 };

bool SpansOverlap(int32_t a1, int32_t a2, int32_t b1, int32_t b2);
bool IsDockSideFree(const Magnifier& m, int32_t side, int32_t asker);
int32_t ComputeColorPickerDock(Magnifier& m);
int32_t ComputeTapeDock(Magnifier& m);
// Snaps a tool window's tentative rectangle onto an edge of the magnifier window.
void SnapToolRect(const Magnifier& m, platform::Rect& rect, int32_t width, int32_t asker);
// Rule 1: docked tool windows follow a move of the magnifier window at their offsets.
void FollowMove(Magnifier& m);
// Rule 2: docked tool windows follow a resize that keeps the bottom-right corner.
void FollowResize(Magnifier& m);
// Records the offsets of both tool windows from the magnifier window.
void CaptureToolOffsets(Magnifier& m);
// Rule 4: after a screen change, a docked tool window whose side of the magnifier window lies at the
// screen's edge moves to the opposite side. Returns the dock side it has afterwards.
int32_t FlipDockedToolRect(const Magnifier& m, int32_t side, platform::Rect& rect, int32_t width);
