// What the program's tests take from the simulated handheld on trust: timers due in order on the
// virtual clock, and handle counts that return to zero when everything is released.
#include <utility>

#include "DeviceTestKit.h"
#include "TestTmp.h"

namespace devicetest {
namespace {

std::vector<std::pair<uintptr_t, uint32_t>> TimerFirings(Window window) {
    std::vector<std::pair<uintptr_t, uint32_t>> out;
    for (const Received& r : MessagesOf(window, MsgTimer)) out.emplace_back(r.wParam, r.clock);
    return out;
}

using Firings = std::vector<std::pair<uintptr_t, uint32_t>>;

Firings procedureFirings;
void RecordingTimerProcedure(Window, uint32_t message, uintptr_t id, uint32_t time) {
    if (message == MsgTimer) procedureFirings.emplace_back(id, time);
}

TEST_F(DeviceTest, TimersFireInOrderOnTheVirtualClock) {
    Window w = nullptr;
    procedureFirings.clear();
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        SetWindowTimer(w, 1, 30, nullptr);
        SetWindowTimer(w, 2, 20, nullptr);
        SetWindowTimer(w, 3, 20, nullptr);
        SetWindowTimer(w, 4, 50, RecordingTimerProcedure);
    };
    script.Then([] { sim::Wait(59); });
    script.Then([&] { EXPECT_EQ(TimerFirings(w).size(), 5u); });  // nothing at 60 yet
    script.Then([] { sim::Wait(1); });
    EXPECT_EQ(RunTestProgram(), 0);
    // Due together, timers come in the order they were set (1 before 2 before 3 at 60).
    EXPECT_EQ(TimerFirings(w), (Firings{{2, 20}, {3, 20}, {1, 30}, {2, 40}, {3, 40}, {1, 60}, {2, 60}, {3, 60}}));
    // A timer with a procedure reaches the procedure, not the window.
    EXPECT_EQ(procedureFirings, (Firings{{4, 50}}));
}


TEST_F(DeviceTest, HandleCountsReturnToZeroWhenEverythingIsReleased) {
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        Window w = MakeWindow(m, u"T", {0, 0, 30, 30});
        MakeWindow(m, u"T", {0, 0, 10, 10}, StyleChild | StyleVisible, 0, w, 1);
        Menu menu = CreatePopupMenuObject();
        Mutex mutex = CreateNamedMutex(u"m", false);
        CriticalSection lock;
        InitializeLock(&lock);
        ProcessInfo info;
        StartProcess(u"peghelp", u"x", &info);
        std::map<std::string, int64_t> counts = sim::ObjectCounts();
        EXPECT_EQ(counts["windows"], 2);
        EXPECT_EQ(counts["menus"], 1);
        EXPECT_EQ(counts["mutexes"], 1);
        EXPECT_EQ(counts["locks"], 1);
        EXPECT_EQ(counts["processes"], 2);
        DestroyMenuObject(menu);
        CloseMutexHandle(mutex);
        DeleteLock(&lock);
        CloseProcessHandle(info.process);
        CloseProcessHandle(info.thread);
    };
    RunTestProgram();
    std::map<std::string, int64_t> counts = sim::ObjectCounts();
    for (const char* kind : {"surfaces", "bitmaps", "brushes", "pens", "fonts", "cursors", "icons", "menus", "windows",
                             "modules", "mutexes", "regkeys", "finds", "locks", "processes"}) {
        ASSERT_TRUE(counts.count(kind)) << kind;
        EXPECT_EQ(counts[kind], 0) << kind;
    }
}

}  // namespace
}  // namespace devicetest
