// A small program for the glass's tests: on a fresh simulated handheld it creates the three windows
// (caption-less, always on top), constructs a Magnifier on them, runs the test's body inside the
// program and tears everything down again. The magnifier window paints itself with ComposeMagnifier,
// so UpdateWindowNow puts the glass's picture on the screen.
//
//   glass_test::Options options;
//   options.width = 480; options.height = 640;
//   glass_test::RunWithGlass(options, [](Magnifier& m) { ... });
//
// Homes (the folder that stands for the executable's folder) are made under the build's test folder:
// MakeHome("name", withSkins, withSounds) copies the project's skins and writes two short sounds.
#pragma once

#include <gtest/gtest.h>

#include "TestTmp.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

#include "magnifier/Magnifier.h"
#include "magnifier/Rendering.h"
#include "platform/Platform.h"
#include "platform/sim/Simulation.h"
#include "platform/windowing/Image.h"

namespace glass_test {

namespace fs = std::filesystem;

inline fs::path TestFolder(const std::string& name) {
    const fs::path folder = TestTmpRoot() / "glass" / name;
    fs::create_directories(folder);
    return folder;
}

// A home folder with (optionally) the project's skins and two short sound files.
inline std::string MakeHome(const std::string& name, bool withSkins = true, bool withSounds = true) {
    const fs::path home = TestFolder("home-" + name);
    fs::remove_all(home);
    fs::create_directories(home);
    if (withSkins) {
        fs::create_directories(home / "Skins");
        for (const char* skin : {"VezoZevode.bmp", "Square.bmp"})
            fs::copy_file(fs::path(VISTREL_SOURCE_DIR) / "data" / "Skins" / skin, home / "Skins" / skin);
    }
    if (withSounds) {
        fs::create_directories(home / "Sounds");
        for (const char* sound : {"MainWindow.wav", "OtherWindows.wav"}) std::ofstream(home / "Sounds" / sound) << "RIFF";
    }
    return home.string();
}

struct Options {
    int32_t width = 240;
    int32_t height = 320;
    int32_t pixelsPerInch = 96;
    std::optional<platform::sim::Image> desktop;
    std::string home;                     // empty: MakeHome("default")
    std::function<void()> beforeStart;    // runs on the fresh device before the program starts
};

struct RunState {
    std::function<void(Magnifier&)> body;
    Magnifier* glass = nullptr;
    bool constructed = false;
};

inline RunState& Current() {
    static RunState state;
    return state;
}

inline platform::LResult GlassProcedure(platform::Window window, uint32_t message, platform::WParam wParam,
                                        platform::LParam lParam) {
    using namespace platform;
    Magnifier* glass = Current().glass;
    if (message == MsgEraseBackground) return 1;
    if (message == MsgPaint && glass && Current().constructed && window == glass->MagnifierWindow) {
        PaintInfo info;
        Surface surface = BeginPainting(window, &info);
        ComposeMagnifier(*glass, surface, 0, 0, true);
        EndPainting(window, &info);
        return 0;
    }
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

inline platform::Window CreateGlassWindow(platform::Module instance) {
    using namespace platform;
    Window w = CreateWindowObject(ExStyleTopmost | ExStyleToolWindow, u"GLASS_TEST", u"glass", 0, 0, 0, 1, 1,
                                  nullptr, 0, instance, nullptr);
    if (w) SetWindowStyle(w, GetWindowStyle(w) & ~StyleCaption);
    return w;
}

inline int GlassEntry(platform::Module instance) {
    using namespace platform;
    WindowClass windowClass;
    windowClass.style = ClassHRedraw | ClassVRedraw | ClassDoubleClicks;
    windowClass.procedure = GlassProcedure;
    windowClass.instance = instance;
    windowClass.name = u"GLASS_TEST";
    if (!RegisterWindowClass(windowClass)) return 1;
    Window magnifier = CreateGlassWindow(instance);
    Window picker = CreateGlassWindow(instance);
    Window tape = CreateGlassWindow(instance);
    Magnifier glass;
    Current().glass = &glass;
    Current().constructed = ConstructMagnifier(glass, instance, magnifier, picker, tape);
    if (!Current().constructed) {
        DiscardFailedMagnifier(glass);
        ADD_FAILURE() << "the Magnifier was not constructed";
    } else {
        Current().body(glass);
        StopLocator(glass);
        TeardownMagnifier(glass);
    }
    Current().constructed = false;
    Current().glass = nullptr;
    DestroyWindowObject(tape);
    DestroyWindowObject(picker);
    DestroyWindowObject(magnifier);
    return 0;
}

inline void ResetWith(const Options& options) {
    platform::sim::HandheldConfig config;
    config.screenWidth = options.width;
    config.screenHeight = options.height;
    config.pixelsPerInch = options.pixelsPerInch;
    config.home = options.home.empty() ? MakeHome("default") : options.home;
    config.desktop = options.desktop;
    platform::sim::ResetDevice(config);
}

// Runs body on a constructed Magnifier inside a program on a fresh device. The device stays for
// inspection afterwards (sounds, registry, handle counts, screen).
inline void RunWithGlass(const Options& options, std::function<void(Magnifier&)> body) {
    ResetWith(options);
    if (options.beforeStart) options.beforeStart();
    Current().body = std::move(body);
    EXPECT_EQ(platform::sim::RunProgram(GlassEntry), 0);
    Current().body = nullptr;
}

// ---- Reading pictures ----

// The pixels of a bitmap (which must not be selected anywhere), read through a temporary surface.
inline platform::sim::Image ReadBitmap(platform::Bitmap bitmap, int32_t width, int32_t height) {
    using namespace platform;
    sim::Image image(width, height);
    Surface surface = CreateMemorySurface(nullptr);
    Bitmap previous = SelectBitmapInto(surface, bitmap);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) image.At(x, y) = GetPixelColor(surface, x, y);
    SelectBitmapInto(surface, previous);
    DeleteMemorySurface(surface);
    return image;
}

// The w x h part of the view that the last render made.
inline platform::sim::Image ReadView(const Magnifier& m) {
    const platform::Rect& r = m.Settings.WindowRect;
    return ReadBitmap(m.ViewBitmap, r.right - r.left, r.bottom - r.top);
}

inline platform::Rect WindowRectOf(platform::Window window) {
    platform::Rect r;
    platform::GetWindowRectangle(window, &r);
    return r;
}

// Puts the glass at a rectangle (window and settings) and brings the derived geometry up to date.
inline void PlaceGlass(Magnifier& m, const platform::Rect& r) {
    m.Settings.WindowRect = r;
    m.Settings.WindowSize = r.right - r.left;
    platform::MoveWindowTo(m.MagnifierWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
    UpdateLensGeometry(m);
}

}  // namespace glass_test
