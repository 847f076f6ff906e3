#include "platform/x11/SessionEnd.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "platform/Constants.h"
#include "platform/Window.h"
#include "platform/windowing/Device.h"
#include "platform/x11/Xlib.h"

namespace platform::x11 {

namespace {

volatile std::sig_atomic_t ending = 0;
int wake[2] = {-1, -1};  // a pipe: the handler writes, the loop's poll() reads

void OnEndSignal(int) {
    ending = 1;
    const char byte = 1;
    if (wake[1] >= 0) (void)!write(wake[1], &byte, 1);
}

// The display went away (the X server ended with the session): what the program would keep on a Close
// is kept before the program ends, as Xlib's own handler ends it.
int OnDisplayLost(::Display*) {
    std::fputs("vistrel: the display went away\n", stderr);
    TellSessionEnds();
    std::exit(1);
}

}  // namespace

void WatchSessionEnd() {
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) wake[0] = wake[1] = -1;
    struct sigaction action {};
    action.sa_handler = OnEndSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
    XSetIOErrorHandler(OnDisplayLost);
}

bool SessionEnding() { return ending != 0; }

int SessionEndFd() { return wake[0]; }

void TellSessionEnds() {
    static bool told = false;  // once, whichever way the end came
    if (told) return;
    told = true;
    for (const sim::WindowInfo& top : sim::TopLevelWindows()) SendToWindow(top.handle, MsgEndSession, 1, 0);
}

}  // namespace platform::x11
