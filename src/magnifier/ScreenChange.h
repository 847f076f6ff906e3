// Keeping the glass, the zoom point and the tool windows in place when the screen turns or changes
// its resolution.
#pragma once

#include "magnifier/Magnifier.h"

void ReconfigureScreen(Magnifier& m);
// Before the glass comes up: when the screen changed while it was hidden, the glass and its tool windows
// make the move now.
void CatchUpWithScreen(Magnifier& m);
