// The simulated handheld's window system as a user sees it: which window the stylus reaches, what the
// screen shows after windows are shown, moved, hidden and painted, frames, children, z-order, focus.
#include "DeviceTestKit.h"

namespace devicetest {
namespace {

constexpr ColorRef White = Rgb(255, 255, 255);
constexpr ColorRef Red = Rgb(255, 0, 0);

// A window class whose windows paint themselves in one colour (default handling erases with it).
struct PaintedClass {
    Brush brush = nullptr;
    explicit PaintedClass(ColorRef color) : brush(CreateSolidBrushOf(color)) {}
    ~PaintedClass() { DeleteBrushObject(brush); }
};

TEST_F(DeviceTest, CaptureRoutesPointerMessagesToItsHolder) {
    Window a = nullptr, b = nullptr;
    hook = [&](Window window, uint32_t message, WParam, LParam, bool*) -> LResult {
        if (window == a && message == MsgLButtonDown) {
            EXPECT_EQ(CapturePointer(a), nullptr);
        }
        if (window == a && message == MsgLButtonUp) {
            ReleasePointer();
            // The capture-lost message has already arrived, from inside this handler.
            EXPECT_EQ(MessagesOf(a, MsgCaptureChanged).size(), 1u);
        }
        return 0;
    };
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        a = MakeWindow(m, u"T", {10, 10, 110, 110});
        b = MakeWindow(m, u"T", {120, 10, 220, 110});
    };
    // The events are routed as the program takes them: the capture taken on the press already holds
    // for the move that follows it in the same breath.
    script.Then([] {
        sim::StylusDown({50, 50});
        sim::StylusMove({150, 50});  // over b, but a holds the capture
        sim::StylusUp({160, 60});
    });
    script.Then([&] {
        EXPECT_EQ(sim::CaptureWindow(), nullptr);
        sim::StylusMove({150, 50});  // no capture, no button: to b, without the button flag
        Point cursor;
        GetCursorPosition(&cursor);
        EXPECT_EQ(cursor, (Point{150, 50}));
    });
    RunTestProgram();
    EXPECT_EQ(InputCodesOf(a), (std::vector<uint32_t>{MsgLButtonDown, MsgMouseMove, MsgLButtonUp, MsgCaptureChanged}));
    std::vector<Received> moves = MessagesOf(a, MsgMouseMove);
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(moves[0].wParam, KeyLButton);
    EXPECT_EQ(moves[0].lParam, MakeLParam(140, 40));  // a's client coordinates
    EXPECT_EQ(MessagesOf(a, MsgLButtonUp).at(0).lParam, MakeLParam(150, 50));
    EXPECT_EQ(InputCodesOf(b), (std::vector<uint32_t>{MsgMouseMove}));
    EXPECT_EQ(MessagesOf(b, MsgMouseMove).at(0).wParam, 0u);
    EXPECT_EQ(MessagesOf(b, MsgMouseMove).at(0).lParam, MakeLParam(30, 40));
}

TEST_F(DeviceTest, TakingTheCaptureFromAnotherWindowTellsItAtOnce) {
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        Window a = MakeWindow(m, u"T", {0, 0, 10, 10});
        Window b = MakeWindow(m, u"T", {20, 0, 30, 10});
        EXPECT_EQ(CapturePointer(a), nullptr);
        EXPECT_EQ(CapturePointer(a), a);
        EXPECT_TRUE(MessagesOf(a, MsgCaptureChanged).empty());  // taken again by its holder: no message
        EXPECT_EQ(CapturePointer(b), a);
        ASSERT_EQ(MessagesOf(a, MsgCaptureChanged).size(), 1u);
        EXPECT_EQ(MessagesOf(a, MsgCaptureChanged)[0].lParam, LParam(b));
        EXPECT_EQ(GetPointerCapture(), b);
        DestroyWindowObject(b);
        EXPECT_EQ(GetPointerCapture(), nullptr);
    };
    RunTestProgram();
}

TEST_F(DeviceTest, ADoubleTapDeliversADoubleClickOnlyToClassesThatAskForIt) {
    Window withFlag = nullptr, without = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"D", ClassDoubleClicks);
        RegisterTestClass(m, u"S", 0);
        withFlag = MakeWindow(m, u"D", {0, 0, 100, 100});
        without = MakeWindow(m, u"S", {100, 0, 200, 100});
    };
    script.Then([] {
        sim::DoubleTap({50, 50});
        sim::DoubleTap({150, 50});
    });
    RunTestProgram();
    EXPECT_EQ(InputCodesOf(withFlag),
              (std::vector<uint32_t>{MsgLButtonDown, MsgLButtonUp, MsgLButtonDoubleClick, MsgLButtonUp}));
    EXPECT_EQ(InputCodesOf(without), (std::vector<uint32_t>{MsgLButtonDown, MsgLButtonUp, MsgLButtonDown, MsgLButtonUp}));
    EXPECT_EQ(MessagesOf(withFlag, MsgLButtonDoubleClick).at(0).lParam, MakeLParam(50, 50));
}

TEST_F(DeviceTest, RightClickAndWheelReachTheWindowUnderTheStylus) {
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        w = MakeWindow(m, u"T", {20, 20, 120, 120});
    };
    script.Then([] {
        sim::RightClick({30, 40});
        sim::Wheel(-120);
        sim::StylusMove({200, 200});
        sim::Wheel(120);  // over the desktop: nobody
    });
    RunTestProgram();
    EXPECT_EQ(InputCodesOf(w), (std::vector<uint32_t>{MsgRButtonDown, MsgRButtonUp, MsgMouseWheel}));
    EXPECT_EQ(MessagesOf(w, MsgRButtonDown).at(0).lParam, MakeLParam(10, 20));
    Received wheel = MessagesOf(w, MsgMouseWheel).at(0);
    EXPECT_EQ(int16_t(HighWord(wheel.wParam)), -120);
    EXPECT_EQ(wheel.lParam, MakeLParam(30, 40));  // screen position
}

TEST_F(DeviceTest, AnXorFigureStaysUntilAWindowPaintsOverIt) {
    PaintedClass white(White);
    Window w = nullptr;
    ColorRef line = DesktopGrey ^ White;
    setup = [&](Module m) {
        RegisterTestClass(m, u"P", 0, white.brush);
        w = MakeWindow(m, u"P", {50, 80, 150, 120}, StylePopup);  // hidden
    };
    script.Then([line] {
        Surface screen = GetWindowSurface(nullptr);
        Pen pen = CreatePenOf(PenSolid, 1, White);
        SelectPenInto(screen, pen);
        SetLineMode(screen, Rop2XorPen);
        MoveTo(screen, 10, 100, nullptr);
        LineTo(screen, 200, 100);
        ReleaseWindowSurface(nullptr, screen);
        DeletePenObject(pen);
        EXPECT_EQ(sim::ScreenPixel(60, 100), line);
    });
    script.Then([&] { ShowWindowAs(w, ShowShow); });
    script.Then([&] {
        // The window has painted itself over the middle of the line; the rest of the line stays.
        EXPECT_EQ(sim::ScreenPixel(60, 100), White);
        EXPECT_EQ(sim::ScreenPixel(20, 100), line);
        EXPECT_EQ(sim::ScreenPixel(180, 100), line);
        MoveWindowTo(w, 50, 200, 100, 40, true);
        // What the window uncovered shows the desktop picture: that part of the line is gone.
        EXPECT_EQ(sim::ScreenPixel(60, 100), DesktopGrey);
        EXPECT_EQ(sim::ScreenPixel(20, 100), line);
        EXPECT_EQ(sim::ScreenPixel(180, 100), line);
    });
    script.Then([&] {
        EXPECT_EQ(sim::ScreenPixel(60, 210), White);
        sim::Image fresh = sim::FreshRepaint();
        EXPECT_EQ(fresh.At(20, 100), DesktopGrey);  // a fresh repaint has no line
        EXPECT_EQ(fresh.At(60, 210), White);
    });
    RunTestProgram();
}

TEST_F(DeviceTest, AWindowUncoveredByAnotherRepaintsOnlyWhatWasCovered) {
    PaintedClass white(White), red(Red);
    Window below = nullptr, above = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        RegisterTestClass(m, u"R", 0, red.brush);
        below = MakeWindow(m, u"W", {0, 0, 100, 100});
        above = MakeWindow(m, u"R", {50, 50, 150, 150});
    };
    script.Then([&] {
        EXPECT_EQ(sim::ScreenPixel(75, 75), Red);
        received.clear();
        ShowWindowAs(above, ShowHide);
        EXPECT_EQ(sim::ScreenPixel(120, 120), DesktopGrey);
        EXPECT_EQ(sim::ScreenPixel(75, 75), Red);  // not yet painted: the loop paints
    });
    script.Then([&] {
        EXPECT_EQ(sim::ScreenPixel(75, 75), White);
        std::vector<Received> paints = MessagesOf(nullptr, MsgPaint);
        ASSERT_EQ(paints.size(), 1u);
        EXPECT_EQ(paints[0].window, below);
    });
    RunTestProgram();
}

TEST_F(DeviceTest, TopmostWindowsStayAboveAndADisabledWindowGetsNothing) {
    Window topmost = nullptr, normal = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        topmost = MakeWindow(m, u"T", {0, 0, 100, 100}, StylePopup | StyleVisible, ExStyleTopmost);
        normal = MakeWindow(m, u"T", {50, 50, 150, 150});
    };
    script.Then([&] {
        std::vector<sim::WindowInfo> order = sim::TopLevelWindows();
        ASSERT_EQ(order.size(), 2u);
        EXPECT_EQ(order[0].handle, topmost);
        SetForeground(normal);  // the top of its own band only
        EXPECT_EQ(sim::TopLevelWindows()[0].handle, topmost);
        EXPECT_EQ(GetForeground(), normal);
        sim::StylusDown({75, 75});
        sim::StylusUp({75, 75});
    });
    script.Then([&] {
        EnableWindowInput(topmost, false);
        EXPECT_FALSE(IsWindowInputEnabled(topmost));
        sim::StylusDown({75, 75});
        sim::StylusUp({75, 75});
        sim::StylusDown({120, 120});
    });
    RunTestProgram();
    EXPECT_EQ(InputCodesOf(topmost), (std::vector<uint32_t>{MsgLButtonDown, MsgLButtonUp}));
    EXPECT_EQ(InputCodesOf(normal), (std::vector<uint32_t>{MsgLButtonDown}));
    EXPECT_EQ(MessagesOf(topmost, MsgEnable).size(), 1u);
}

TEST_F(DeviceTest, OwnedWindowsStayAboveTheirOwnerAndGoWithIt) {
    Window owner = nullptr, owned = nullptr, other = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        owner = MakeWindow(m, u"T", {0, 0, 50, 50});
        owned = MakeWindow(m, u"T", {10, 10, 40, 40}, StylePopup | StyleVisible, 0, owner);  // no StyleChild
        other = MakeWindow(m, u"T", {20, 20, 60, 60});
        EXPECT_EQ(GetParentWindow(owned), owner);
        EXPECT_EQ(sim::TopLevelWindows().size(), 3u);  // an owned window is a top-level window
        SetForeground(owner);
        std::vector<sim::WindowInfo> order = sim::TopLevelWindows();
        EXPECT_EQ(order[0].handle, owned);
        EXPECT_EQ(order[1].handle, owner);
        EXPECT_EQ(order[2].handle, other);
        // Made always-on-top, a window goes to the top of that band.
        SetWindowExStyle(other, ExStyleTopmost);
        EXPECT_EQ(sim::TopLevelWindows()[0].handle, other);
        DestroyWindowObject(owner);
        EXPECT_FALSE(IsWindowObject(owned));
    };
    RunTestProgram();
    std::vector<Received> destroyed = MessagesOf(nullptr, MsgDestroy);
    ASSERT_GE(destroyed.size(), 2u);
    EXPECT_EQ(destroyed[0].window, owned);  // the owned window first
    EXPECT_EQ(destroyed[1].window, owner);
}

TEST_F(DeviceTest, ShowingActivatesAndMovesTheFocus) {
    Window a = nullptr, b = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        a = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        b = MakeWindow(m, u"T", {20, 0, 30, 10}, StylePopup);
        ShowWindowAs(a, ShowNormal);
        EXPECT_EQ(GetForeground(), a);
        EXPECT_EQ(GetFocusWindow(), a);
        ShowWindowAs(b, ShowShow);
        EXPECT_EQ(GetForeground(), b);
        EXPECT_EQ(GetFocusWindow(), b);
    };
    RunTestProgram();
    std::vector<Received> activations = MessagesOf(nullptr, MsgActivate);
    ASSERT_EQ(activations.size(), 3u);
    EXPECT_EQ(activations[0].window, a);
    EXPECT_EQ(LowWord(activations[0].wParam), 1u);
    EXPECT_EQ(activations[1].window, a);
    EXPECT_EQ(LowWord(activations[1].wParam), 0u);
    EXPECT_EQ(activations[2].window, b);
    EXPECT_EQ(LowWord(activations[2].wParam), 1u);
}

TEST_F(DeviceTest, ChildWindowsAreClippedHiddenAndDestroyedWithTheirParent) {
    PaintedClass white(White), red(Red);
    Window parent = nullptr, child = nullptr, overhanging = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        RegisterTestClass(m, u"R", 0, red.brush);
        parent = MakeWindow(m, u"W", {20, 20, 120, 120});
        child = MakeWindow(m, u"R", {10, 10, 60, 60}, StyleChild | StyleVisible, 0, parent, 1001);
        overhanging = MakeWindow(m, u"R", {80, 80, 130, 130}, StyleChild | StyleVisible, 0, parent, 1002);
    };
    script.Then([&] {
        Rect r;
        ASSERT_TRUE(GetWindowRectangle(child, &r));
        EXPECT_EQ(r, (Rect{30, 30, 80, 80}));
        EXPECT_EQ(GetParentWindow(child), parent);
        EXPECT_EQ(GetWindowId(child), 1001);
        EXPECT_EQ(sim::ScreenPixel(40, 40), Red);
        EXPECT_EQ(sim::ScreenPixel(25, 25), White);
        EXPECT_EQ(sim::ScreenPixel(110, 110), Red);
        EXPECT_EQ(sim::ScreenPixel(125, 125), DesktopGrey);  // outside the parent: clipped
        sim::StylusDown({40, 40});
        sim::StylusUp({125, 125});  // nobody there
    });
    script.Then([&] {
        EXPECT_EQ(InputCodesOf(child), (std::vector<uint32_t>{MsgLButtonDown}));
        EXPECT_TRUE(MessagesOf(nullptr, MsgLButtonUp).empty());
        ShowWindowAs(parent, ShowHide);
        EXPECT_FALSE(IsWindowShown(child));
        EXPECT_TRUE(GetWindowStyle(child) & StyleVisible);
        EXPECT_EQ(sim::ScreenPixel(40, 40), DesktopGrey);
        received.clear();
        DestroyWindowObject(parent);
        EXPECT_FALSE(IsWindowObject(child));
        EXPECT_FALSE(IsWindowObject(overhanging));
    });
    RunTestProgram();
    std::vector<Received> destroyed = MessagesOf(nullptr, MsgDestroy);
    ASSERT_EQ(destroyed.size(), 3u);
    EXPECT_EQ(destroyed[0].window, parent);  // the parent before its children
}

TEST_F(DeviceTest, TheStylusReachesAChildInItsOwnClientCoordinates) {
    Window parent = nullptr, child = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        parent = MakeWindow(m, u"T", {20, 20, 120, 120});
        child = MakeWindow(m, u"T", {10, 10, 60, 60}, StyleChild | StyleVisible, 0, parent, 1);
    };
    script.Then([] {
        sim::StylusDown({40, 45});
        sim::StylusDown({25, 25});
    });
    RunTestProgram();
    EXPECT_EQ(MessagesOf(child, MsgLButtonDown).at(0).lParam, MakeLParam(10, 15));
    EXPECT_EQ(MessagesOf(parent, MsgLButtonDown).at(0).lParam, MakeLParam(5, 5));
}

TEST_F(DeviceTest, ACaptionWindowHasADeviceDrawnFrameAndAnOkBox) {
    PaintedClass white(White);
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        // An overlapped window has a border and a caption.
        w = CreateWindowObject(ExStyleCaptionOkButton | ExStyleContextHelp, u"W", u"Settings", StyleOverlapped, 40,
                               40, 160, 120, nullptr, 0, m, nullptr);
        EXPECT_EQ(GetWindowStyle(w) & StyleCaption, StyleCaption);
        ShowWindowAs(w, ShowNormal);
    };
    script.Then([&] {
        Rect client;
        GetClientRectangle(w, &client);
        EXPECT_EQ(client, (Rect{0, 0, 158, 100}));
        Point origin{0, 0};
        ClientToScreenPoint(w, &origin);
        EXPECT_EQ(origin, (Point{41, 59}));
        EXPECT_EQ(sim::ScreenPixel(40, 40), Rgb(0, 0, 0));     // border
        EXPECT_EQ(sim::ScreenPixel(42, 42), Rgb(0, 0, 128));   // title bar
        EXPECT_EQ(sim::ScreenPixel(60, 80), White);            // client, painted by the window
        sim::StylusDown({190, 49});  // the "ok" box at the right of the title bar
        sim::StylusUp({190, 49});
        sim::StylusDown({166, 49});  // the "?" box left of it
        sim::StylusUp({166, 49});
        sim::StylusDown({100, 45});  // elsewhere on the caption: nothing
        sim::StylusUp({100, 45});
        sim::StylusDown({190, 49});  // pressed on "ok" but released elsewhere: nothing
        sim::StylusUp({100, 45});
    });
    script.Then([&] {
        EXPECT_EQ(MessagesOf(w, MsgCommand).size(), 1u);  // before the next input is asked for
        EXPECT_EQ(MessagesOf(w, MsgHelp).size(), 1u);
        // Without border and caption the client area is the whole window.
        SetWindowStyle(w, GetWindowStyle(w) & ~StyleCaption);
        Rect client;
        GetClientRectangle(w, &client);
        EXPECT_EQ(client, (Rect{0, 0, 160, 120}));
    });
    script.Then([&] { EXPECT_EQ(sim::ScreenPixel(40, 40), White); });
    RunTestProgram();
    EXPECT_EQ(InputCodesOf(w), (std::vector<uint32_t>{MsgCommand}));
    EXPECT_EQ(MessagesOf(w, MsgCommand).at(0).wParam, MakeWParam(1, 0));
}

TEST_F(DeviceTest, WindowTextsGoThroughTheWindowsMessages) {
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        Window w = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        EXPECT_TRUE(SetWindowTextTo(w, u"Screen magnifying glass"));
        char16_t buffer[7] = {};
        EXPECT_EQ(GetWindowTextOf(w, buffer, 7), 6);
        EXPECT_EQ(std::u16string(buffer), u"Screen");
        EXPECT_EQ(GetWindowTextOf(w, buffer, 0), 0);
        EXPECT_EQ(sim::FindWindowByClass(u"T")->title, u"Screen magnifying glass");
    };
    RunTestProgram();
    EXPECT_EQ(MessagesOf(nullptr, MsgSetText).size(), 1u);
}

TEST_F(DeviceTest, RotationResizesTheScreenAndTellsEveryTopLevelWindow) {
    Window a = nullptr, b = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        a = MakeWindow(m, u"T", {0, 0, 10, 10});
        b = MakeWindow(m, u"T", {0, 0, 10, 10}, StylePopup);
        MakeWindow(m, u"T", {0, 0, 5, 5}, StyleChild | StyleVisible, 0, a, 1);
    };
    script.Then([] { sim::Rotate(320, 240); });
    script.Then([] {
        EXPECT_EQ(sim::Screen().width, 320);
        EXPECT_EQ(sim::Screen().height, 240);
        EXPECT_EQ(sim::ScreenPixel(300, 200), DesktopGrey);  // a filled desktop stays filled
        Rect desktop;
        GetWindowRectangle(GetDesktop(), &desktop);
        EXPECT_EQ(desktop, (Rect{0, 0, 320, 240}));
    });
    RunTestProgram();
    std::vector<Received> changes = MessagesOf(nullptr, MsgSettingChange);
    ASSERT_EQ(changes.size(), 2u);  // the two top-level windows, not the child
    for (const Received& r : changes) {
        EXPECT_TRUE(r.window == a || r.window == b);
        EXPECT_EQ(r.wParam, 0x3002u);
    }
}

TEST_F(DeviceTest, DefaultHandlingPaintsOnceAndAPaintHandlerThatDoesNothingIsNotAskedAgain) {
    Window plain = nullptr, lazy = nullptr;
    hook = [&](Window window, uint32_t message, WParam, LParam, bool* handled) -> LResult {
        if (window == lazy && message == MsgPaint) *handled = true;
        return 0;
    };
    setup = [&](Module m) {
        RegisterTestClass(m, u"T");
        plain = MakeWindow(m, u"T", {0, 0, 50, 50});
        lazy = MakeWindow(m, u"T", {60, 0, 110, 50});
    };
    script.Then([] { sim::Wait(100); });
    script.Then([&] {
        EXPECT_EQ(MessagesOf(plain, MsgPaint).size(), 1u);
        EXPECT_EQ(MessagesOf(lazy, MsgPaint).size(), 1u);
        InvalidateWindowRect(plain, nullptr, false);
        UpdateWindowNow(plain);  // paints at once
        EXPECT_EQ(MessagesOf(plain, MsgPaint).size(), 2u);
        UpdateWindowNow(plain);  // nothing invalid any more
        EXPECT_EQ(MessagesOf(plain, MsgPaint).size(), 2u);
    });
    RunTestProgram();
}

TEST_F(DeviceTest, APaintedDesktopShowsWhereNoWindowCoversIt) {
    PaintedClass white(White);
    Window w = nullptr;
    setup = [&](Module m) {
        RegisterTestClass(m, u"W", 0, white.brush);
        w = MakeWindow(m, u"W", {0, 0, 100, 100});
    };
    script.Then([&] {
        sim::PaintDesktop(Rect{50, 50, 150, 150}, Red);
        EXPECT_EQ(sim::ScreenPixel(120, 120), Red);
        EXPECT_EQ(sim::ScreenPixel(60, 60), White);
        ShowWindowAs(w, ShowHide);
        EXPECT_EQ(sim::ScreenPixel(60, 60), Red);
        EXPECT_EQ(sim::ScreenPixel(40, 40), DesktopGrey);
    });
    RunTestProgram();
}

TEST_F(DeviceTest, BadHandlesAreRefusedQuietly) {
    Window bogus = reinterpret_cast<Window>(uintptr_t(0x1234));
    EXPECT_FALSE(IsWindowObject(bogus));
    EXPECT_FALSE(DestroyWindowObject(bogus));
    EXPECT_FALSE(ShowWindowAs(bogus, ShowNormal));
    EXPECT_FALSE(MoveWindowTo(bogus, 0, 0, 1, 1, true));
    EXPECT_FALSE(PostToWindow(bogus, MsgUser, 0, 0));
    EXPECT_EQ(SendToWindow(bogus, MsgUser, 0, 0), 0);
    EXPECT_EQ(SetWindowTimer(bogus, 1, 10, nullptr), 0u);
    EXPECT_FALSE(InvalidateWindowRect(bogus, nullptr, true));
    EXPECT_EQ(BeginPainting(bogus, nullptr), nullptr);
    EXPECT_EQ(CapturePointer(bogus), nullptr);
    EXPECT_FALSE(RegisterHotKeyFor(bogus, 1, ModWin, 0xC1));
    Rect r;
    EXPECT_FALSE(GetWindowRectangle(bogus, &r));
    EXPECT_TRUE(IsWindowObject(GetDesktop()));
    EXPECT_EQ(CreateWindowObject(0, u"NoSuchClass", u"", 0, 0, 0, 1, 1, nullptr, 0, nullptr, nullptr), nullptr);
    EXPECT_EQ(DispatchToWindow(nullptr), 0);
    EXPECT_FALSE(TrayNotify(TrayAdd, nullptr));
}

}  // namespace
}  // namespace devicetest
