// Start-up, the message loop and shutdown.
#pragma once

#include "platform/Platform.h"

// The program's entry point: returns the process exit code.
int VistrelMain(platform::Module instance);

void LoadResourceLibrary();
bool RegisterShellClass(platform::Module instance, const char16_t* className);
bool InitInstance(platform::Module instance);
void Shutdown();

// Loads a text of the string table from the resource module; a text the resource library lacks is
// taken from the executable. Returns its length, 0 (and an empty buffer) when neither has it.
int LoadShellString(int id, char16_t* buffer, int capacity);
