// Start-up, the message loop and shutdown.
#pragma once

#include "platform/Platform.h"

// The program's entry point: returns the process exit code.
int VistrelMain(platform::Module instance);

void LoadResourceLibrary();
bool RegisterShellClass(platform::Module instance, const char16_t* className);
bool InitInstance(platform::Module instance);
void Shutdown();
