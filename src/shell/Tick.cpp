// The 40 ms tick: the timed refresh of the view and the steps of the animations, and its rest while
// there is nothing to step.
//
// A tick that finds nothing to step rests: its timer is set on the ticks' own beat for the next tick
// that has work, instead of 40 ms. For a hidden glass that is a long way ahead; for a shown glass that
// nothing animates or drags it is the next timed refresh (120 ms on). Whatever could give the tick work
// sooner arrives as a message to the window procedure (a show, hide, locate or close command, a tap on
// the tray icon, a press on a window), which wakes it: it counts the ticks it skipped from the clock and
// is set for the next beat, so the count and the moment of every later tick are those of a tick that
// never rested.
#include "shell/Tick.h"

#include <algorithm>
#include <limits>

#include "magnifier/Animation.h"
#include "magnifier/Magnifier.h"
#include "magnifier/Rendering.h"
#include "shell/Shell.h"
#include "shell/ShellState.h"

using namespace platform;

namespace {

constexpr int32_t RefreshPeriodTicks = 3;
// A resting tick still comes once every ten minutes, so that the millisecond clock (which wraps after
// 49 days) never runs a whole turn between two counts.
constexpr uint32_t RestTicks = 15000;

bool SuspendsRefresh(int32_t state) {
    return state == StateMoveMagnifier || state == StateResize || state == StateResizeZoom;
}

// The timed refresh of the view: cross-hair while aiming a tool, colour sample while aiming the picker
// (the picker paints itself again when the sample changes its colour).
void RefreshView(Magnifier& m, int32_t state) {
    ShellState& s = Shell();
    s.TicksCounted = 0;
    bool aimingPicker = state == StateAimColorPicker;
    bool aimingTape = state == StateAimTape;
    // A view that shows what it showed already is not painted again.
    if (!RenderChangedView(m, true, aimingPicker || aimingTape, aimingPicker)) return;
    const Rect area = RefreshedGlassArea(m);
    InvalidateWindowRect(s.MagnifierWindow, &area, false);
}

// How many ticks on the next one with work comes, counting from the last tick with the count it left:
// 1 while anything steps on every tick (an animation, a flash, the first sample, a tray tap to confirm,
// a drag, the close); for a still glass the next that refreshes; for a hidden one, a rest's length.
uint32_t TicksToNextWork(const ShellState& s, int32_t count) {
    const Magnifier* m = s.MagnifierObject;
    if (!m || s.Closing || s.TrayTapPending || GetPointerState(*m) != StateIdle || AnimationPending(*m)) return 1;
    if (!IsVisible(*m)) return RestTicks;
    return count >= RefreshPeriodTicks ? 1 : uint32_t(RefreshPeriodTicks - count) + 1;
}

int32_t AddTicks(int32_t count, uint32_t more) {
    return int32_t(std::min<int64_t>(int64_t(count) + more, std::numeric_limits<int32_t>::max()));
}

// Milliseconds since the resting tick would have been set again.
uint32_t RestedMs(const ShellState& s) { return GetTickCountMs() - s.TickRestStart; }

// Ends the rest with the skipped ticks counted; returns the milliseconds rested.
uint32_t EndRest(ShellState& s) {
    const uint32_t rested = RestedMs(s);
    s.TicksCounted = AddTicks(s.TicksCounted, rested / TickIntervalMs);
    s.TickResting = false;
    return rested;
}

void SetTick(uint32_t intervalMs) {
    ShellState& s = Shell();
    if (s.MagnifierWindow && SetWindowTimer(s.MagnifierWindow, TickTimerId, intervalMs, TickProcedure))
        s.TickTimerInterval = intervalMs;
}

// After a tick: the next one in 40 ms, or a rest up to the next tick with work. The timer repeats by
// itself and is set again only when its interval changes: timer messages never queue up, and setting
// it on every tick would cost the system a call each time.
void SetNextTick(ShellState& s) {
    const uint32_t ticks = TicksToNextWork(s, s.TicksCounted);
    if (ticks > 1) {
        s.TickResting = true;
        s.TickRestStart = GetTickCountMs();
        s.TickRestTicks = ticks;
    }
    const uint32_t interval = ticks * TickIntervalMs;
    if (interval != s.TickTimerInterval) SetTick(interval);
}

}  // namespace

int32_t ShellState::TicksSinceRefresh() const {
    if (!TickResting) return TicksCounted;
    return AddTicks(TicksCounted, (GetTickCountMs() - TickRestStart) / TickIntervalMs);
}

void StartTick() { SetTick(TickIntervalMs); }

void StopTick() {
    ShellState& s = Shell();
    if (s.MagnifierWindow) KillWindowTimer(s.MagnifierWindow, TickTimerId);
    s.TickTimerInterval = 0;
    if (s.TickResting) EndRest(s);  // the count stays where it stood
}

void WakeTick() {
    ShellState& s = Shell();
    if (!s.TickResting || TicksToNextWork(s, s.TicksCounted) >= s.TickRestTicks) return;
    const uint32_t rested = EndRest(s);
    SetTick(TickIntervalMs - rested % TickIntervalMs);  // on the beat of the skipped ticks
}

void TickProcedure(Window, uint32_t, uintptr_t, uint32_t) {
    ShellState& s = Shell();
    if (s.TickResting) {
        // The rest's own tick: the ticks skipped before this one are counted, this one counts below. A
        // timer a little early or late still stands for the ticks of its beat.
        const uint32_t beats = (RestedMs(s) + TickIntervalMs / 2) / TickIntervalMs;
        s.TicksCounted = AddTicks(s.TicksCounted, std::max<uint32_t>(beats, 1) - 1);
        s.TickResting = false;
    }
    if (Magnifier* m = s.MagnifierObject) {
        if (s.Closing && IsHidden(*m)) {
            Shutdown();
            PostQuit(0);
            return;
        }
        int32_t state = GetPointerState(*m);
        if (IsVisible(*m) && !SuspendsRefresh(state) && s.TicksCounted >= RefreshPeriodTicks) RefreshView(*m, state);
        StepAnimation(*m, false);
        // A Close chosen while the show animation ran had its hide dropped: hide once the show is over,
        // so that the program ends as asked instead of keeping the glass up.
        if (s.Closing && !IsHidden(*m)) HideAll(*m);
    }
    // Counts on while hidden or suspended, so the next allowed tick refreshes at once.
    s.TicksCounted = AddTicks(s.TicksCounted, 1);
    SetNextTick(s);
}
