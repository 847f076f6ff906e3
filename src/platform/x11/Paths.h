// Where the desktop program keeps its files: the data folder that stands for the handheld program's
// own folder (Skins/, Sounds/, Help/, Localize.dll) and the settings file.
#pragma once

#include <string>

namespace platform::x11 {

// <prefix>/share/vistrel beside the installed program; the build's staged data folder when the program
// runs from the build.
std::string DataFolder();
// The folder of the translation for the user's language (LANGUAGE's list, else LC_ALL, LC_MESSAGES or
// LANG), holding its Localize.dll and help: <data folder>/translations/German for German; empty for
// English (the program's own language) and for languages without a translation.
std::string TranslationFolder();
// $XDG_CONFIG_HOME/vistrel/settings.reg (~/.config/vistrel/settings.reg); the folder is made when
// missing. Empty when there is no home folder to keep it in.
std::string SettingsFile();

}  // namespace platform::x11
