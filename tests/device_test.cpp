// The simulated handheld's services: processes and the message loop, timers on the virtual clock, hot
// keys, keys and accelerators, the tray, menus, started programs and sounds, mutexes, locks and the
// handle counts.
#include <filesystem>
#include <fstream>
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

TEST_F(DeviceTest, SettingATimerAgainRestartsIt) {
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        SetWindowTimer(w, 5, 100, nullptr);
    };
    script.Then([] { sim::Wait(60); });
    script.Then([&] { SetWindowTimer(w, 5, 100, nullptr); });
    script.Then([] { sim::Wait(199); });
    RunTestProgram();
    EXPECT_EQ(TimerFirings(w), (Firings{{5, 160}}));
}

TEST_F(DeviceTest, AKilledTimerStaysSilent) {
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        SetWindowTimer(w, 6, 10, nullptr);
        SetWindowTimer(w, 7, 25, nullptr);
    };
    script.Then([] { sim::Wait(5); });
    script.Then([&] { EXPECT_TRUE(KillWindowTimer(w, 6)); });
    script.Then([] { sim::Wait(45); });
    script.Then([&] { EXPECT_FALSE(KillWindowTimer(w, 6)); });
    RunTestProgram();
    EXPECT_EQ(TimerFirings(w), (Firings{{7, 25}, {7, 50}}));
}

// A loop that kills (or sets again) every timer between taking its message and dispatching it.
bool resetInsteadOfKill = false;
int KillingLoopEntry(Module instance) {
    RegisterTestClass(instance, u"T");
    Window w = MakeWindow(instance, u"T", {0, 0, 10, 10}, StylePopup);
    SetWindowTimer(w, 8, 10, nullptr);
    SetWindowTimer(w, 9, 10, RecordingTimerProcedure);
    Message message;
    while (GetNextMessage(&message)) {
        if (message.message == MsgTimer) {
            if (resetInsteadOfKill) SetWindowTimer(message.window, message.wParam, 1000, RecordingTimerProcedure);
            else KillWindowTimer(message.window, message.wParam);
        }
        DispatchToWindow(&message);
    }
    return 0;
}

TEST_F(DeviceTest, ATimerKilledOrSetAgainAfterItsMessageWasTakenStaysSilent) {
    for (bool reset : {false, true}) {
        SetUp();
        procedureFirings.clear();
        resetInsteadOfKill = reset;
        script.Then([] { sim::Wait(30); });
        sim::RunProgram(KillingLoopEntry);
        EXPECT_TRUE(MessagesOf(nullptr, MsgTimer).empty()) << "reset " << reset;
        EXPECT_TRUE(procedureFirings.empty()) << "reset " << reset;
    }
}

TEST_F(DeviceTest, TheClockStartsWhereConfiguredAndWraps) {
    sim::DeviceConfig config;
    config.clockStart = 0xFFFFFF00u;
    sim::ResetDevice(config);
    EXPECT_EQ(GetTickCountMs(), 0xFFFFFF00u);
    sim::Wait(0x100);  // outside a program the clock just moves
    EXPECT_EQ(GetTickCountMs(), 0u);
    EXPECT_EQ(sim::Clock(), 0u);

    sim::ResetDevice(config);
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        SetWindowTimer(w, 1, 0x180, nullptr);
    };
    script.Then([] { sim::Wait(0x200); });
    RunTestProgram();
    EXPECT_EQ(TimerFirings(w), (Firings{{1, 0x80}}));
}

TEST_F(DeviceTest, AHotKeyArrivesOnlyWhileRegisteredAndCarriesTheKeyUpFlag) {
    constexpr uint32_t Key = 0xC1;
    Window w = nullptr, other = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        other = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
    };
    script.Then([] { sim::HotKey(Key, false); });
    script.Then([&] {
        EXPECT_TRUE(RegisterHotKeyFor(w, 7, ModWin, Key));
        EXPECT_FALSE(RegisterHotKeyFor(w, 7, ModWin, Key + 1));   // the id is in use
        EXPECT_FALSE(RegisterHotKeyFor(other, 3, ModWin, Key));   // the key is taken
        ASSERT_EQ(sim::HotKeys().size(), 1u);
        EXPECT_EQ(sim::HotKeys()[0].virtualKey, Key);
        sim::HotKey(Key, false);
        sim::HotKey(Key, true);
    });
    script.Then([&] {
        EXPECT_TRUE(UnregisterHotKeyFor(w, 7));
        EXPECT_FALSE(UnregisterHotKeyFor(w, 7));
        sim::HotKey(Key, false);
    });
    RunTestProgram();
    std::vector<Received> hot = MessagesOf(nullptr, MsgHotKey);
    ASSERT_EQ(hot.size(), 2u);
    EXPECT_EQ(hot[0].window, w);
    EXPECT_EQ(hot[0].wParam, 7u);
    EXPECT_EQ(hot[0].lParam, MakeLParam(ModWin, Key));
    EXPECT_EQ(hot[1].lParam, MakeLParam(ModWin | ModKeyUp, Key));
}

TEST_F(DeviceTest, HotKeysOfADestroyedWindowAreGone) {
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        Window w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        RegisterHotKeyFor(w, 1, ModWin, 0xC1);
        DestroyWindowObject(w);
        EXPECT_TRUE(sim::HotKeys().empty());
    };
    RunTestProgram();
}

TEST_F(DeviceTest, KeysReachTheFocusedWindowAsKeysAndCharacters) {
    Window a = nullptr, b = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        a = MakeWindow(m, u"T", {0, 0, 50, 50});
        b = MakeWindow(m, u"T", {60, 0, 110, 50});
    };
    script.Then([&] {
        EXPECT_EQ(sim::FocusedWindow(), b);  // the last window shown was activated
        sim::FocusWindow(a);
        sim::KeyPress('Q');
        sim::TypeCharacter(u'7');
    });
    script.Then([&] {
        sim::SetAlt(true);
        EXPECT_LT(GetKeyStateOf(VkMenu), 0);
        sim::KeyPress('Z');
    });
    script.Then([&] {
        sim::SetAlt(false);
        EXPECT_EQ(GetKeyStateOf(VkMenu), 0);
    });
    RunTestProgram();
    EXPECT_EQ(InputCodesOf(a), (std::vector<uint32_t>{MsgKeyDown, MsgChar, MsgKeyUp, MsgChar, MsgSysKeyDown,
                                                      MsgSysChar, MsgSysKeyUp}));
    std::vector<Received> chars = MessagesOf(a, MsgChar);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, u'q');  // lower case without Shift
    EXPECT_EQ(chars[1].wParam, u'7');
    EXPECT_EQ(MessagesOf(a, MsgSysChar).at(0).wParam, u'z');
    EXPECT_TRUE(InputCodesOf(b).empty());
}

// The program's own accelerator table: Escape, Alt with the character "z", and F1.
TEST_F(DeviceTest, AcceleratorsMatchKeysAndCharactersWithTheAltState) {
    Window w = nullptr;
    std::vector<WParam> commands;
    int translated = 0;
    hook = [&](Window, uint32_t message, WParam wParam, LParam, bool*) -> LResult {
        if (message == MsgCommand) commands.push_back(wParam);
        return 0;
    };
    static Accelerators table = nullptr;
    static int* translatedCount = nullptr;
    translatedCount = &translated;
    setup = [&](Module m) {
        table = LoadAcceleratorResource(m, 129);
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 50, 50});
    };
    script.Then([] {
        sim::KeyPress(VkEscape);
        sim::TypeCharacter(u'z');  // without Alt: just a character
        sim::KeyPress(VkF1);
    });
    script.Then([] { sim::SetAlt(true); });
    script.Then([] {
        sim::TypeCharacter(u'z');
        sim::KeyPress(VkEscape);  // with Alt: not the Escape entry
    });
    script.Then([] { sim::SetAlt(false); });
    int code = sim::RunProgram([](Module instance) -> int {
        if (setup) setup(instance);
        Message message;
        while (GetNextMessage(&message)) {
            if (TranslateAcceleratorFor(message.window, table, &message)) {
                ++*translatedCount;
                continue;
            }
            TranslateToCharacters(&message);
            DispatchToWindow(&message);
        }
        return int(message.wParam);
    });
    EXPECT_EQ(code, 0);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(commands, (std::vector<WParam>{MakeWParam(32771, 1), MakeWParam(32775, 1), MakeWParam(32773, 1)}));
    EXPECT_EQ(translated, 3);
    // What no entry matched went on as characters: "z" without Alt, and Escape's character with Alt.
    ASSERT_EQ(MessagesOf(w, MsgChar).size(), 1u);
    EXPECT_EQ(MessagesOf(w, MsgChar)[0].wParam, u'z');
    ASSERT_EQ(MessagesOf(w, MsgSysChar).size(), 1u);
    EXPECT_EQ(MessagesOf(w, MsgSysChar)[0].wParam, VkEscape);
}

TEST_F(DeviceTest, TheEndOfInputDestroysTheFirstWindowAndTheLoopEnds) {
    Window first = nullptr, second = nullptr;
    Brush white = CreateSolidBrushOf(Rgb(255, 255, 255));
    hook = [&](Window window, uint32_t message, WParam, LParam, bool* handled) -> LResult {
        if (window == first && message == MsgDestroy) {
            PostQuit(3);
            *handled = true;
        }
        return 0;
    };
    setup = [&](Module m) {
        RegisterTestClass(m, u"T", 0, white);
        first = MakeWindow(m, u"T", {0, 0, 50, 50});
        second = MakeWindow(m, u"T", {60, 0, 110, 50});
    };
    script.Then([] { sim::Wait(10); });
    script.Then([] { EXPECT_EQ(sim::ScreenPixel(70, 10), Rgb(255, 255, 255)); });
    EXPECT_EQ(RunTestProgram(), 3);
    EXPECT_EQ(sim::LastExitCode(), 3);
    EXPECT_FALSE(sim::ProgramRunning());
    EXPECT_EQ(MessagesOf(first, MsgDestroy).size(), 1u);
    EXPECT_TRUE(MessagesOf(second, MsgDestroy).empty());  // gone silently with the process
    EXPECT_FALSE(IsWindowObject(second));
    EXPECT_TRUE(sim::TopLevelWindows().empty());
    EXPECT_EQ(sim::ObjectCounts()["windows"], 0);
    EXPECT_EQ(sim::ScreenPixel(70, 10), DesktopGrey);  // what the windows covered shows the desktop again
    DeleteBrushObject(white);
}

TEST_F(DeviceTest, AProgramThatIgnoresTheEndOfInputStillEnds) {
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        MakeWindow(m, u"T", {0, 0, 50, 50});
        MakeWindow(m, u"T", {60, 0, 110, 50});
    };
    EXPECT_EQ(RunTestProgram(), 0);
    EXPECT_EQ(MessagesOf(nullptr, MsgDestroy).size(), 1u);
    EXPECT_EQ(sim::LastExitCode(), 0);
}

TEST_F(DeviceTest, PostedMessagesComeInOrderAndTheQuitCodeEndsTheLoop) {
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        PostToWindow(w, MsgUser + 1, 1, 0);
        PostToWindow(w, MsgUser + 2, 2, 0);
        PostQuit(-4);
        PostToWindow(w, MsgUser + 3, 3, 0);  // after the quit: never taken
    };
    EXPECT_EQ(RunTestProgram(), -4);
    std::vector<uint32_t> codes;
    for (const Received& r : received)
        if (r.message >= MsgUser) codes.push_back(r.message);
    EXPECT_EQ(codes, (std::vector<uint32_t>{MsgUser + 1, MsgUser + 2}));
}

TEST_F(DeviceTest, ClassesBelongToTheirModuleAndWindowsToTheirProcess) {
    setup = [&](Module m) {
        EXPECT_TRUE(RegisterTestClass(m, u"Glass"));
        EXPECT_FALSE(RegisterTestClass(m, u"GLASS"));  // class names ignore letter case
        EXPECT_EQ(CreateWindowObject(0, u"Nothing", u"", StylePopup, 0, 0, 1, 1, nullptr, 0, m, nullptr), nullptr);
        Window w = MakeWindow(m, u"Glass", {0, 0, 5, 5}, StylePopup);
        EXPECT_FALSE(UnregisterWindowClass(u"Glass", m));  // a window of it exists
        // A second copy of the program registers the same class for its own module.
        int second = sim::RunProgram([](Module instance) -> int {
            return RegisterTestClass(instance, u"Glass") && MakeWindow(instance, u"Glass", {0, 0, 5, 5}) ? 9 : 1;
        });
        EXPECT_EQ(second, 9);
        EXPECT_EQ(sim::TopLevelWindows().size(), 1u);  // the second copy's window went with it
        EXPECT_TRUE(IsWindowObject(w));
        DestroyWindowObject(w);
        EXPECT_TRUE(UnregisterWindowClass(u"glass", m));
        EXPECT_FALSE(UnregisterWindowClass(u"Glass", m));
        EXPECT_EQ(MakeWindow(m, u"Glass", {0, 0, 5, 5}), nullptr);
    };
    RunTestProgram();
}

TEST_F(DeviceTest, TrayIconsAreAddedModifiedDeletedAndCallTheirOwner) {
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        TrayIconRecord record;
        record.size = 152;
        record.window = w;
        record.id = 257;
        record.flags = TrayFlagMessage | TrayFlagIcon | TrayFlagTip;
        record.callbackMessage = 0x8024;
        std::u16string tip = u"Screen magnifying glass";
        std::copy(tip.begin(), tip.end(), record.tip);
        EXPECT_TRUE(TrayNotify(TrayAdd, &record));
        EXPECT_FALSE(TrayNotify(TrayAdd, &record));  // the same owner and id again
        std::fill(std::begin(record.tip), std::end(record.tip), u'x');  // no terminating zero
        record.flags = TrayFlagTip;
        EXPECT_TRUE(TrayNotify(TrayModify, &record));
    };
    script.Then([&] {
        ASSERT_EQ(sim::TrayIcons().size(), 1u);
        EXPECT_EQ(sim::TrayIcons()[0].tip, std::u16string(63, u'x'));
        EXPECT_EQ(sim::TrayIcons()[0].callback, 0x8024u);
        sim::TrayEvent(0x0201);
        sim::TrayEvent(0x0203);
    });
    script.Then([&] {
        TrayIconRecord record;
        record.window = w;
        record.id = 257;
        EXPECT_TRUE(TrayNotify(TrayDelete, &record));
        EXPECT_FALSE(TrayNotify(TrayDelete, &record));
        sim::TrayEvent(0x0201);  // no icon: nothing happens
    });
    RunTestProgram();
    std::vector<Received> callbacks = MessagesOf(w, 0x8024);
    ASSERT_EQ(callbacks.size(), 2u);
    EXPECT_EQ(callbacks[0].wParam, 257u);
    EXPECT_EQ(callbacks[0].lParam, 0x0201);
    EXPECT_EQ(callbacks[1].lParam, 0x0203);
}

TEST_F(DeviceTest, APopupMenuIsAnsweredByTheInputWithoutBlocking) {
    Menu menu = CreatePopupMenuObject();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(AppendMenuItem(menu, MenuString, 3, u"Show/hide"));
    EXPECT_TRUE(AppendMenuItem(menu, MenuChecked, 4, u"Show/hide color"));
    EXPECT_TRUE(AppendMenuItem(menu, MenuGrayed, 9, u"Greyed"));
    EXPECT_TRUE(AppendMenuItem(menu, MenuSeparator, 0, nullptr));
    EXPECT_TRUE(AppendMenuItem(menu, MenuString, 5, u"Close"));
    EXPECT_FALSE(AppendMenuItem(menu, MenuString, 6, nullptr));
    EXPECT_FALSE(sim::LastMenu().has_value());

    uint32_t flags = TrackRightAlign | TrackBottomAlign | TrackReturnCommand;
    struct Case {
        int answer;  // -100: no answer at all
        int expected;
    };
    for (Case c : {Case{5, 5}, Case{4, 4}, Case{9, 0}, Case{0, 0}, Case{77, 0}, Case{-100, 0}}) {
        if (c.answer != -100) script.AnswerMenusWith(c.answer);
        EXPECT_EQ(TrackPopupMenuAt(menu, flags, 100, 100, nullptr), c.expected) << c.answer;
    }
    auto items = sim::LastMenu();
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 5u);
    EXPECT_EQ((*items)[1].text, u"Show/hide color");
    EXPECT_TRUE((*items)[1].checked);
    EXPECT_FALSE((*items)[0].checked);
    EXPECT_TRUE((*items)[3].separator);
    EXPECT_EQ((*items)[4].id, 5u);
    EXPECT_TRUE(DestroyMenuObject(menu));
    EXPECT_FALSE(DestroyMenuObject(menu));
    EXPECT_EQ(TrackPopupMenuAt(menu, flags, 0, 0, nullptr), 0);
}

TEST_F(DeviceTest, AMenuWithoutReturnCommandPostsTheChoiceToItsOwner) {
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
    };
    script.Then([&] {
        Menu menu = CreatePopupMenuObject();
        AppendMenuItem(menu, MenuString, 7, u"Settings...");
        script.AnswerMenusWith(7);
        EXPECT_NE(TrackPopupMenuAt(menu, 0, 10, 10, w), 0);
        DestroyMenuObject(menu);
    });
    RunTestProgram();
    std::vector<Received> commands = MessagesOf(w, MsgCommand);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LowWord(commands[0].wParam), 7u);
}

TEST_F(DeviceTest, NamedMutexesAreSharedAcrossTheDevice) {
    Mutex a = CreateNamedMutex(u"{8761552B-A74F-407f-8A32-BF9044D87793}", false);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(GetLastErrorCode(), ErrorSuccess);
    Mutex b = CreateNamedMutex(u"{8761552B-A74F-407f-8A32-BF9044D87793}", false);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(GetLastErrorCode(), ErrorAlreadyExists);
    Mutex other = CreateNamedMutex(u"another", false);
    EXPECT_EQ(GetLastErrorCode(), ErrorSuccess);

    // Recursive for its owner, through either handle of the same object.
    EXPECT_EQ(WaitForMutex(a, 0), WaitObject0);
    EXPECT_EQ(WaitForMutex(a, 0), WaitObject0);
    EXPECT_EQ(WaitForMutex(b, 0), WaitObject0);

    // Another process finds it existing and owned.
    static uint32_t secondError = 0, secondWait = 0;
    int code = sim::RunProgram([](Module) -> int {
        Mutex m = CreateNamedMutex(u"{8761552B-A74F-407f-8A32-BF9044D87793}", false);
        secondError = GetLastErrorCode();
        secondWait = WaitForMutex(m, 0);
        CloseMutexHandle(m);
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(secondError, ErrorAlreadyExists);
    EXPECT_EQ(secondWait, WaitTimeout);

    EXPECT_TRUE(ReleaseMutexOwnership(a));
    EXPECT_TRUE(ReleaseMutexOwnership(a));
    EXPECT_TRUE(ReleaseMutexOwnership(b));
    EXPECT_FALSE(ReleaseMutexOwnership(b));  // no longer owned
    EXPECT_EQ(WaitForMutex(nullptr, 0), WaitFailed);
    EXPECT_EQ(GetLastErrorCode(), ErrorInvalidHandle);

    EXPECT_TRUE(CloseMutexHandle(a));
    EXPECT_TRUE(CloseMutexHandle(b));
    EXPECT_FALSE(CloseMutexHandle(b));
    EXPECT_TRUE(CloseMutexHandle(other));
    EXPECT_EQ(sim::ObjectCounts()["mutexes"], 0);
    // The last handle closed: the name is free again.
    Mutex again = CreateNamedMutex(u"{8761552B-A74F-407f-8A32-BF9044D87793}", false);
    EXPECT_EQ(GetLastErrorCode(), ErrorSuccess);
    CloseMutexHandle(again);
}

TEST_F(DeviceTest, AMutexHeldByAnEndedProcessIsFreeAgain) {
    static Mutex left = nullptr;
    sim::RunProgram([](Module) -> int {
        left = CreateNamedMutex(u"held", true);
        return 0;
    });
    EXPECT_EQ(sim::ObjectCounts()["mutexes"], 1);  // the handle it left stays counted
    EXPECT_EQ(WaitForMutex(left, 0), WaitObject0);
    EXPECT_TRUE(ReleaseMutexOwnership(left));
    EXPECT_TRUE(CloseMutexHandle(left));
}

TEST_F(DeviceTest, CriticalSectionsNestAndAreCounted) {
    CriticalSection lock;
    InitializeLock(&lock);
    EXPECT_EQ(sim::ObjectCounts()["locks"], 1);
    EnterLock(&lock);
    EnterLock(&lock);
    LeaveLock(&lock);
    LeaveLock(&lock);
    LeaveLock(&lock);  // one too many: harmless
    DeleteLock(&lock);
    DeleteLock(&lock);  // already deleted: harmless
    EXPECT_EQ(lock.implementation, nullptr);
    EXPECT_EQ(sim::ObjectCounts()["locks"], 0);
    EnterLock(nullptr);
    DeleteLock(nullptr);
}

TEST_F(DeviceTest, StartedProgramsAndPlayedSoundsAreRecorded) {
    namespace fs = std::filesystem;
    fs::path home = TestTmpRoot() / "device-test-home";
    fs::create_directories(home / "Sounds");
    std::ofstream(home / "Sounds" / "MainWindow.wav") << "RIFF";
    sim::DeviceConfig config;
    config.home = home.string();
    sim::ResetDevice(config);

    ProcessInfo info;
    EXPECT_TRUE(StartProcess(u"peghelp", u"\\Program Files\\Vistrel\\Help\\Index.htm#Main_Contents", &info));
    EXPECT_NE(info.process, info.thread);
    EXPECT_EQ(sim::ObjectCounts()["processes"], 2);
    ASSERT_EQ(sim::Processes().size(), 1u);
    EXPECT_EQ(sim::Processes()[0].program, u"peghelp");
    EXPECT_EQ(sim::Processes()[0].commandLine, u"\\Program Files\\Vistrel\\Help\\Index.htm#Main_Contents");
    EXPECT_TRUE(CloseProcessHandle(info.process));
    EXPECT_TRUE(CloseProcessHandle(info.thread));
    EXPECT_FALSE(CloseProcessHandle(info.thread));
    EXPECT_EQ(sim::ObjectCounts()["processes"], 0);

    uint32_t flags = SoundAsync | SoundFileName;
    EXPECT_TRUE(PlaySoundFile(u"\\Program Files\\Vistrel\\Sounds\\MainWindow.wav", flags));
    EXPECT_FALSE(PlaySoundFile(u"\\Program Files\\Vistrel\\Sounds\\Missing.wav", flags));
    EXPECT_FALSE(PlaySoundFile(u"\\Windows\\Elsewhere.wav", flags));
    EXPECT_FALSE(PlaySoundFile(nullptr, flags));
    EXPECT_EQ(sim::Sounds(), (std::vector<std::u16string>{u"\\Program Files\\Vistrel\\Sounds\\MainWindow.wav"}));
    fs::remove_all(home);
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

TEST_F(DeviceTest, ALeftMenuStaysCountedAfterTheProgram) {
    setup = [](Module) { CreatePopupMenuObject(); };
    RunTestProgram();
    EXPECT_EQ(sim::ObjectCounts()["menus"], 1);
}

TEST_F(DeviceTest, SystemCursorsAreSharedAndTheCurrentOneIsReported) {
    Cursor arrow = LoadSystemCursor(CursorArrow);
    ASSERT_NE(arrow, nullptr);
    EXPECT_EQ(LoadSystemCursor(CursorArrow), arrow);
    EXPECT_EQ(LoadSystemCursor(12345), nullptr);
    EXPECT_FALSE(sim::CurrentCursorId().has_value());
    EXPECT_EQ(SetPointerCursor(arrow), nullptr);
    EXPECT_EQ(sim::CurrentCursorId(), CursorArrow);
    EXPECT_EQ(SetPointerCursor(LoadSystemCursor(CursorSizeAll)), arrow);
    EXPECT_EQ(sim::CurrentCursorId(), CursorSizeAll);
    EXPECT_EQ(sim::ObjectCounts()["cursors"], 0);
}

}  // namespace
}  // namespace devicetest
