// Keeping the glass, the zoom point and the tool windows in place when the screen turns or changes
// its resolution.
#pragma once

#include "magnifier/Magnifier.h"

void ReconfigureScreen(Magnifier& m);
