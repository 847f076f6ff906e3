// Showing and hiding the glass and the tool windows, the grow/shrink animation, the locator ring, the
// first colour sample after a show, and the program's sounds.
#pragma once

#include "magnifier/Magnifier.h"

inline constexpr const char16_t* MainWindowSound = u"MainWindow.wav";
inline constexpr const char16_t* OtherWindowsSound = u"OtherWindows.wav";

void ShowMagnifier(Magnifier& m);
void HideMagnifier(Magnifier& m);
void HideAll(Magnifier& m);
void ShowColorPickerWindow(Magnifier& m, bool withSound);
void ShowTapeWindow(Magnifier& m, bool withSound);
void HideColorPickerWindow(Magnifier& m, bool withSound, bool keepSetting);
void HideTapeWindow(Magnifier& m, bool withSound, bool keepSetting);
void StepAnimation(Magnifier& m, bool finish);
bool PlayToolSound(Magnifier& m, const char16_t* name);

// Before windows show, hide, change size or go under a dialog: the locator flash ends with its ring
// removed (a window moving over the ring or away from it takes part of the ring with it, and the XOR
// removal would then leave marks behind), then a drag in progress ends as its release would.
void SettleScreenMarks(Magnifier& m);
// The locator flash ends now, its ring removed if it is on the screen.
void EndLocatorFlash(Magnifier& m);

// True while the glass grows in or shrinks away (the stylus is ignored then).
bool AnimationRunning(const Magnifier& m);
// True while StepAnimation has work: a show or hide countdown, a locator request or flash, or the
// first colour sample still to take.
bool AnimationPending(const Magnifier& m);

// Whether the locator ring is on the screen for a given countdown value.
bool LocatorRingDrawn(uint32_t locatorCount);
