// Window timers on the device's virtual millisecond clock. A timer message is made only when the
// process's queue is empty and nothing waits to be painted; a timer has at most one message pending
// (it is made when taken), and the earliest due timer comes first, timers due together in the order
// they were set (a periodic timer counts as set again each time it fires).
#include <algorithm>

#include "platform/windowing/DeviceState.h"

namespace platform::sim::detail {

namespace {

Timer* FindTimer(Window window, uintptr_t id) {
    for (Timer& t : Dev().timers)
        if (t.window == window && t.id == id) return &t;
    return nullptr;
}

bool BelongsTo(const Timer& timer, const Process& process) {
    WindowObject* o = LiveWindow(timer.window);
    return o && o->process == &process;
}

}  // namespace

std::optional<Message> TakeDueTimer(const Process& process) {
    DeviceState& dev = Dev();
    Timer* earliest = nullptr;
    for (Timer& t : dev.timers) {
        if (t.due > dev.elapsed || !BelongsTo(t, process)) continue;
        if (!earliest || t.due < earliest->due || (t.due == earliest->due && t.order < earliest->order))
            earliest = &t;
    }
    if (!earliest) return std::nullopt;
    // Periodic until killed, as though set again now: among timers due together it comes after those
    // set meanwhile.
    earliest->due = dev.elapsed + earliest->interval;
    earliest->order = dev.nextTimerOrder++;
    dev.takenTimerWindow = earliest->window;
    dev.takenTimerId = earliest->id;
    dev.takenTimerSerial = earliest->serial;
    ++dev.timerMessages;
    Message m;
    m.window = earliest->window;
    m.message = MsgTimer;
    m.wParam = earliest->id;
    m.lParam = LParam(earliest->procedure);
    m.time = GetTickCountMs();
    m.point = dev.cursorPosition;
    return m;
}

std::optional<uint64_t> EarliestTimerDue(const Process& process) {
    std::optional<uint64_t> earliest;
    for (const Timer& t : Dev().timers)
        if (BelongsTo(t, process) && (!earliest || t.due < *earliest)) earliest = t.due;
    return earliest;
}

std::optional<uint64_t> NextTimerDue(const Process& process) {
    const DeviceState& dev = Dev();
    std::optional<uint64_t> next;
    for (const Timer& t : dev.timers)
        if (t.due > dev.elapsed && BelongsTo(t, process) && (!next || t.due < *next)) next = t.due;
    return next;
}

void RemoveTimersOf(Window window) {
    std::erase_if(Dev().timers, [window](const Timer& t) { return t.window == window; });
}

// A timer message still counts when its timer exists as it was when the message was made (not
// killed, not set again) and, for a message carrying a procedure, still has that procedure.
bool TimerMessageStillValid(const Message& message) {
    const DeviceState& dev = Dev();
    const Timer* timer = FindTimer(message.window, message.wParam);
    if (message.window == dev.takenTimerWindow && message.wParam == dev.takenTimerId) {
        if (!timer || timer->serial != dev.takenTimerSerial) return false;
    }
    if (message.lParam) return timer && LParam(timer->procedure) == message.lParam;
    return true;
}

}  // namespace platform::sim::detail

namespace platform {

using namespace sim::detail;

uintptr_t SetWindowTimer(Window window, uintptr_t id, uint32_t intervalMs, TimerProcedure procedure) {
    if (!LiveWindow(window)) return 0;
    DeviceState& dev = Dev();
    uint32_t interval = std::max<uint32_t>(intervalMs, 1);
    Timer* timer = FindTimer(window, id);
    if (!timer) {
        dev.timers.push_back(Timer{});
        timer = &dev.timers.back();
        timer->window = window;
        timer->id = id;
    }
    // Setting it again restarts it.
    timer->interval = interval;
    timer->procedure = procedure;
    timer->due = dev.elapsed + interval;
    timer->order = dev.nextTimerOrder++;
    timer->serial = dev.nextTimerSerial++;
    return id != 0 ? id : 1;
}

bool KillWindowTimer(Window window, uintptr_t id) {
    DeviceState& dev = Dev();
    auto it = std::find_if(dev.timers.begin(), dev.timers.end(),
                           [&](const Timer& t) { return t.window == window && t.id == id; });
    if (it == dev.timers.end()) return false;
    dev.timers.erase(it);
    return true;
}

uint32_t GetTickCountMs() { return sim::Clock(); }

uint64_t sim::TimerMessages() { return Dev().timerMessages; }

}  // namespace platform
