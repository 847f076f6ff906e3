// Random gestures for the soak, as scenario lines of vistrel-sim. Each gesture is made from the state
// the program is in when it is asked for (where the glass and its zones are, which tool windows show,
// whether the settings sheet is open), so that it lands where it matters: on the glass's zones and the
// tool windows, on the screen's edges and beyond them, with the waits that the program's timers care
// about, and now and then with something that interrupts it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SoakRandom.h"

struct Gesture {
    std::vector<std::string> lines;
    int64_t waitMs = 0;  // device time its lines let pass
};
using GestureList = std::vector<Gesture>;

// Device time that one gesture lets pass at most.
inline constexpr int64_t MaxGestureWaitMs = 90000;

// The next gesture for the program as it is now on the simulated handheld.
Gesture MakeGesture(SoakRandom& random);

// The device time that a scenario line lets pass ("wait MS"; 0 for every other line).
int64_t WaitOfLine(const std::string& line);
// The gestures as scenario text: one line each, a comment line before each gesture.
std::string GesturesText(const GestureList& gestures);
