// vistrel: the program on a Linux desktop. The window system of the handheld runs in the process; its
// screen is the X screen: windows become X windows, the whole-screen surface reads and draws on the
// root window, X events are the input and the clock is real time.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/windowing/Device.h"
#include "platform/windowing/HostDisplay.h"
#include "platform/x11/Connection.h"
#include "platform/x11/EventLoop.h"
#include "platform/x11/Paths.h"
#include "platform/x11/RootScreen.h"
#include "platform/x11/Services.h"
#include "platform/x11/SessionEnd.h"
#include "platform/x11/WindowMirror.h"
#include "shell/Shell.h"

namespace {

using namespace platform;

// A request the server refuses (a window that went away meanwhile) is not a reason to end.
int IgnoreError(::Display*, XErrorEvent*) { return 0; }

// One copy per display: the first holds a selection named for the screen; a second copy sees its
// owner and leaves.
bool ClaimDisplay() {
    x11::Connection& x = x11::X();
    const std::string name = "_VISTREL_S" + std::to_string(x.screen);
    const ::Atom selection = x11::AtomOf(name.c_str());
    if (XGetSelectionOwner(x.display, selection) != None) return false;
    const ::Window owner = XCreateSimpleWindow(x.display, x.root, -1, -1, 1, 1, 0, 0, 0);
    XSetSelectionOwner(x.display, selection, owner, CurrentTime);
    return XGetSelectionOwner(x.display, selection) == owner;
}

uint32_t MillisecondsNow() {
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

int Run() {
    x11::Connection& x = x11::X();
    sim::DeviceConfig config;
    config.screenWidth = x.width;
    config.screenHeight = x.height;
    config.pixelsPerInch = x.pixelsPerInch;
    config.home = x11::DataFolder();
    config.translation = x11::TranslationFolder();
    config.registryFile = x11::SettingsFile();
    config.clockStart = MillisecondsNow();

    // The host display first: it shows the windows, the device keeps no screen of its own.
    x11::RootScreen screen;
    sim::SetHostDisplay(&screen);
    sim::ResetWindowSystem(config);
    x11::WindowMirror mirror(screen);
    x11::Services services;
    x11::EventLoop loop(mirror, services, screen);
    sim::SetInputSource(&loop);
    const int code = sim::RunProgram(&VistrelMain);
    sim::SetInputSource(nullptr);
    sim::SetHostDisplay(nullptr);
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::puts("usage: vistrel\nA screen magnifying glass. Settings: $XDG_CONFIG_HOME/vistrel/settings.reg");
            return 0;
        }
        std::fprintf(stderr, "vistrel: unknown argument %s\n", argv[i]);
        return 2;
    }
    std::signal(SIGCHLD, SIG_IGN);  // help viewers started for the program are not waited for
    std::string error;
    if (!x11::Connect(nullptr, &error)) {
        std::fprintf(stderr, "vistrel: %s\n", error.c_str());
        return 1;
    }
    XSetErrorHandler(IgnoreError);
    x11::WatchSessionEnd();
    if (!ClaimDisplay()) {
        x11::Disconnect();
        return 0;  // Vistrel already runs on this display
    }
    XSelectInput(x11::X().display, x11::X().root, StructureNotifyMask | SubstructureNotifyMask);
    const int code = Run();
    x11::Disconnect();
    return code;
}
