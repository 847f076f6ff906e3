// The colour picker window: the colour under the cross-hair in RGB and HSB.
#pragma once

#include "magnifier/Magnifier.h"

struct Hsb {
    double hue = 0.0;         // 0 to below 360
    double saturation = 0.0;  // 0 to 1
    double brightness = 0.0;  // 0 to 1
};

void PaintColorPicker(Magnifier& m, platform::Surface target);
void ColorPickerPointer(Magnifier& m, int32_t x, int32_t y);
void ColorPickerRelease(Magnifier& m);
// The text for the picked colour; the window paints itself again when it changes.
void UpdateColorPickerText(Magnifier& m);
Hsb RgbToHsb(platform::ColorRef color);
// Puts the picked colour, as the picker shows it, on the clipboard as "#RRGGBB" (upper-case hex). Does
// nothing during a drag or an animation.
void CopyPickedColor(Magnifier& m);
