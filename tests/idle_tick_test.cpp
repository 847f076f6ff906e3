// The tick rests while nothing waits for it (hidden, a long way; shown, up to the next timed refresh),
// and wakes in step for whatever gives it work again.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

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
        // Hidden again once the flash is over, the tick rests; for the shown glass it comes for each refresh.
        s.Do("wait 2000").Check(countWakes).Do("wait 12000").Check([&] {
            if (!sim::ProgramRunning()) return;
            if (IsVisible(Glass())) EXPECT_EQ(sim::TimerMessages() - wakes, 100u);  // every 120 ms
            else EXPECT_EQ(sim::TimerMessages(), wakes);
        });
        EXPECT_EQ(s.Start(), 0);
    }
}

TEST(IdleTick, AStillGlassTicksOnlyForItsRefreshesAndKeepsTheirBeat) {
    struct Case {
        const char* name;
        const char* lines;  // given to the settled glass (100, 100, 180, 180), then 480 ms pass
        uint64_t wakes;     // in those 480 ms
    };
    const Case cases[] = {
        {"still: one tick a refresh", "", 4},
        {"aiming from the corner square (a drag): every 40 ms", "down 105 105\nmove 106 106", 12},
        {"the locator flashing: every 40 ms", "send magnifier 0x111 32773 0", 12},
        {"a tap on the tray icon waiting: every 40 ms", "tray tap", 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimSession s;
        uint64_t wakes = 0;
        // Sampled between beats the count runs 1, 2, 3, as the ticks that the rest skipped would leave it.
        std::vector<int32_t> counts;
        auto sample = [&] { counts.push_back(Shell().TicksSinceRefresh()); };
        s.Do(ShowGlass).Do("wait 1220");
        for (int i = 0; i < 6; ++i) s.Check(sample).Do("wait 40");
        s.Check([&] {
            for (size_t i = 1; i < counts.size(); ++i) EXPECT_EQ(counts[i], counts[i - 1] % 3 + 1) << i;
            wakes = sim::TimerMessages();
        });
        s.Do(c.lines).Do("wait 480").Check([&] { EXPECT_EQ(sim::TimerMessages() - wakes, c.wakes); });
        EXPECT_EQ(s.Start(), 0);
    }
}
