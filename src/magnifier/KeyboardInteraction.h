// The keyboard on the glass and its tool windows: the arrow keys nudge the zoom point, "+" and "-"
// step the zoom.
#pragma once

#include <cstdint>

#include "magnifier/Magnifier.h"

// A key pressed on any of the three windows. The arrow keys move the zoom point by one screen pixel
// (ten with Shift held), kept on the screen, and the view and the picked colour follow at once; "+" and
// "-" (main keyboard and keypad) change the zoom as one wheel notch does. They act only while the glass
// is shown, no drag is in progress and no animation runs; other keys do nothing.
void MagnifierKeyDown(Magnifier& m, uint32_t virtualKey);
