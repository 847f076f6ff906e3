// Skins and the layout of the three windows.
#pragma once

#include "magnifier/Magnifier.h"

void LoadSkin(Magnifier& m);
void LayoutWindows(Magnifier& m);
void UpdateMagnifierZones(Magnifier& m);
void UpdateColorPickerToolRect(Magnifier& m);
void UpdateTapeToolRect(Magnifier& m);
// Applies a new WindowSize around the window's centre; docked tool windows are re-placed centred on
// their side when the size changed.
void ApplyNewWindowSize(Magnifier& m, int32_t oldSize);

// The skin's key colour: its pixel at (175, 175).
constexpr int32_t SkinFrameSize = 350;
constexpr int32_t SkinMinHeight = 450;
constexpr int32_t SkinColorPickerStripY = 350;
constexpr int32_t SkinTapeStripY = 400;
platform::ColorRef SkinKeyColor(platform::Surface skinSurface);
