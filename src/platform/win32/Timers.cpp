// Timers and time. A timer with a procedure calls the program's procedure through one desktop timer
// procedure, which finds it by window and timer id.
#include <map>
#include <utility>

#include "platform/Window.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WindowInternal.h"

namespace platform {

namespace {

using TimerKey = std::pair<HWND, UINT_PTR>;

std::map<TimerKey, TimerProcedure>& TimerProcedures() {
    static std::map<TimerKey, TimerProcedure> procedures;
    return procedures;
}

void CALLBACK CallTimerProcedure(HWND window, UINT message, UINT_PTR id, DWORD time) {
    auto found = TimerProcedures().find(TimerKey{window, id});
    if (found == TimerProcedures().end()) return;
    // The procedure may kill or set timers: nothing of the table is used after the call.
    TimerProcedure procedure = found->second;
    procedure(FromNative(window), message, id, uint32_t(time));
}

}  // namespace

namespace win32 {

void ForgetWindowTimers(HWND window) {
    auto& procedures = TimerProcedures();
    for (auto it = procedures.lower_bound(TimerKey{window, 0}); it != procedures.end() && it->first.first == window;)
        it = procedures.erase(it);
}

}  // namespace win32

uintptr_t SetWindowTimer(Window window, uintptr_t id, uint32_t intervalMs, TimerProcedure procedure) {
    HWND native = ToNative(window);
    if (native && !::IsWindow(native)) return 0;
    const UINT_PTR result = ::SetTimer(native, id, intervalMs, procedure ? CallTimerProcedure : nullptr);
    if (!result) return 0;
    // A window's timer keeps the id asked for; a timer without a window gets its id from the system.
    const TimerKey key{native, native ? id : result};
    if (procedure)
        TimerProcedures()[key] = procedure;
    else
        TimerProcedures().erase(key);
    return native ? (id ? id : result) : result;
}

bool KillWindowTimer(Window window, uintptr_t id) {
    HWND native = ToNative(window);
    TimerProcedures().erase(TimerKey{native, id});
    return ::KillTimer(native, id) != 0;
}

uint32_t GetTickCountMs() { return ::GetTickCount(); }

}  // namespace platform
