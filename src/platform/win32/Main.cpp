// The Windows entry point: prepares the process for a desktop and runs the program.
#include "platform/win32/Handles.h"
#include "shell/Shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // The glass copies screen pixels one for one: the desktop must not scale its windows or its
    // screen copies behind its back.
    ::SetProcessDPIAware();
    // A missing disk or an unreadable file is reported to the program, never asked about in a box.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    return VistrelMain(platform::win32::FromNative(instance));
}
