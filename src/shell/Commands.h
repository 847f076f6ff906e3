// Commands, the pop-up menu, command messages and help.
#pragma once

#include "platform/Platform.h"

enum Command : int32_t {
    CommandShowHide = 0,
    CommandShowHideColorPicker = 1,
    CommandShowHideTape = 2,
    CommandToggleCorrection = 3,
    CommandSettings = 4,
    CommandClose = 6,
};

void RunCommand(int32_t command);
void ShowPopupMenu();
void DecodeCommandMessage(platform::WParam wParam);
void OpenHelp();
