// The tabbed settings sheet, which edits a copy of the settings and applies it on OK.
#pragma once

#include "magnifier/Magnifier.h"

intptr_t SettingsSheetProcedure(platform::Window dialog, uint32_t message, platform::WParam wParam,
                                platform::LParam lParam);
void LoadSkinPreview(const char16_t* name);
void ApplyEditedSettings(Magnifier& m, const Settings& edited);
