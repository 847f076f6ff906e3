// The simulated handheld's clock: device time passes only when the scenario waits.
#include <algorithm>

#include "platform/windowing/DeviceState.h"
#include "platform/sim/Simulation.h"

namespace platform::sim {

using namespace detail;

// Inside a running program the time passes in the program's loop, which runs every timer that falls
// due on the way; waits asked for within one command add up. Outside a program the clock just moves.
void Wait(uint32_t ms) {
    DeviceState& dev = Dev();
    if (dev.running.empty()) {
        dev.elapsed += ms;
        return;
    }
    uint64_t from = dev.waitPending ? std::max(dev.waitTarget, dev.elapsed) : dev.elapsed;
    dev.waitTarget = from + ms;
    dev.waitPending = true;
}

}  // namespace platform::sim
