// The settings' defaults and their registry form.
#pragma once

#include "magnifier/Magnifier.h"

inline constexpr const char16_t* SettingsKey = u"Software\\Orvane group\\Vistrel";
inline constexpr const char16_t* DefaultSkinName = u"VezoZevode.bmp";

void LoadDefaults(Magnifier& m);
bool LoadFromRegistry(Magnifier& m);
bool SaveToRegistry(const Magnifier& m);

// Window size bounds for a screen: 15 % of the smaller side (at least 40) and 65 % (at most 525).
WindowSizeBounds ComputeWindowSizeBounds(const platform::Rect& screen);
