// The tick rests while the glass is hidden and nothing waits for it, and wakes in step for whatever
// gives it work again.
#include <gtest/gtest.h>

#include <functional>

#include "ProgramTestKit.h"
#include "TestHarness.h"
#include "platform/sim/Simulation.h"

namespace sim = platform::sim;
using namespace program_test;

TEST(IdleTick, RestsWhileHiddenAndWakesInStepWithTheTicksItSkipped) {
    struct Case {
        const char* name;
        const char* lines;  // given 20 minutes after start-up, between two ticks' beats
        uint32_t takesMs;   // when a tick that never rested would have acted
        std::function<bool()> acted;
        bool neverRefreshed;  // the count is then every tick since start-up
    };
    const Case cases[] = {
        {"tray tap: the glass comes up on the tick after the tray timer", "tray tap", 623,
         [] { return IsVisible(Glass()); }, true},
        {"locate: the ring on the next tick", "send magnifier 0x111 32773 0", 23,
         [] { return Glass().LocatorCount != 0; }, true},
        {"close from the menu: ends after the hide", "send magnifier 0x111 0x6E0005 0", 263,
         [] { return !sim::ProgramRunning(); }, false},
        {"tray tap on a tick's beat while shown: the hide steps on that tick", "tray tap\nwait 983\ntray tap", 600,
         [] { return Glass().HideSteps == 5; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        uint64_t wakes = 0;
        auto countWakes = [&] { wakes = sim::TimerMessages(); };
        // Every tick so far counted, although only the first (the colour sample) and one in ten minutes ran.
        auto countsEveryTick = [] { EXPECT_EQ(Shell().TicksSinceRefresh(), int32_t(sim::Clock() / 40)); };
        s.Do("wait 600000\nwait 600000\nwait 17").Check(countsEveryTick);
        s.Check([] { EXPECT_LE(sim::TimerMessages(), 2u); });
        s.Do(c.lines).Do("wait " + std::to_string(c.takesMs - 1)).Check([&] { EXPECT_FALSE(c.acted()); });
        s.Do("wait 1").Check([&] {
            EXPECT_TRUE(c.acted());
            if (c.neverRefreshed) countsEveryTick();
        });
        // Hidden again once the flash is over, the tick rests; for the shown glass it ticks on.
        s.Do("wait 2000").Check(countWakes).Do("wait 10000").Check([&] {
            if (!sim::ProgramRunning()) return;
            if (IsVisible(Glass())) EXPECT_EQ(sim::TimerMessages() - wakes, 250u);  // every 40 ms
            else EXPECT_EQ(sim::TimerMessages(), wakes);
        });
        EXPECT_EQ(s.Start(), 0);
    }
}
