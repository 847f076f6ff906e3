// The end of the desktop session as the program hears it: a signal that asks it to end (SIGTERM from
// the session or the service manager, SIGHUP from a closed terminal, SIGINT) or the display going away.
// Either way the program's windows get the desktop's end-of-session message, so that the program keeps
// its settings as it would on a Close, and the program ends.
#pragma once

namespace platform::x11 {

// Installs the signal handlers and the display-loss handler. Call once, after connecting.
void WatchSessionEnd();
// A signal asked the program to end.
bool SessionEnding();
// Becomes readable when a signal arrives, so that a loop waiting in poll() wakes.
int SessionEndFd();
// Sends the end of the session to each of the program's top-level windows.
void TellSessionEnds();

}  // namespace platform::x11
