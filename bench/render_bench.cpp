// The cost of the glass's picture on a 1000 x 1000 screen with the largest glass (525 pixels):
// RenderView with and without smoothing and correction, one full paint of the glass, and one whole
// refresh (render and paint), each measured beside a plain copy of the same 525 x 525 frame in the
// same run. The counter "x_copy" is the ratio of the two times.
// Both are measured as the thread's processor time, so that a busy machine does not blur the ratio.
// On the simulated device a window's picture reaches the screen when the screen is next looked at:
// the work's paint at the next capture, the plain copy at once, so each side pays for its own.
//
// The figure that matters is RefreshSmoothCorrected's x_copy: one refresh as the tick makes it (the
// screen captured, enlarged with smoothing and corrected as it is written, then the view and the
// skin painted into the window in one pass) against one plain copy of the frame into the window. The Render cases compare the
// render alone with a copy from the screen.
#include <benchmark/benchmark.h>

#include <time.h>

#include <functional>
#include <vector>

#include "magnifier/Magnifier.h"
#include "magnifier/Rendering.h"
#include "platform/Platform.h"
#include "platform/sim/Simulation.h"

using namespace platform;

namespace {

constexpr int32_t ScreenSide = 1000;
constexpr int32_t GlassSide = 525;

double ThreadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

struct Bench {
    benchmark::State* state = nullptr;
    std::function<void(Magnifier&)> prepare;
    std::function<void(Magnifier&)> work;
    // The plain copy measured beside the work: into the same kind of target.
    bool copyToWindow = false;
};

Bench& Current() {
    static Bench bench;
    return bench;
}

LResult Procedure(Window window, uint32_t message, WParam wParam, LParam lParam) {
    if (message == MsgEraseBackground) return 1;
    return DefaultWindowProcedure(window, message, wParam, lParam);
}

Window MakeWindow(Module instance) {
    Window w = CreateWindowObject(ExStyleTopmost | ExStyleToolWindow, u"BENCH_GLASS", u"bench", 0, 0, 0, 1, 1,
                                  nullptr, 0, instance, nullptr);
    if (w) SetWindowStyle(w, GetWindowStyle(w) & ~StyleCaption);
    return w;
}

void PlaceGlass(Magnifier& m) {
    m.Settings.WindowRect = Rect{ScreenSide - GlassSide, ScreenSide - GlassSide, ScreenSide, ScreenSide};
    m.Settings.WindowSize = GlassSide;
    m.Settings.ZoomX = 2.0f;
    m.Settings.ZoomPnt = Point{200, 200};  // the source area lies away from the glass
    MoveWindowTo(m.MagnifierWindow, ScreenSide - GlassSide, ScreenSide - GlassSide, GlassSide, GlassSide, true);
    UpdateLensGeometry(m);
    ShowWindowAs(m.MagnifierWindow, ShowNormal);
}

// Runs the work and, beside it, the plain copy of one frame; reports the work's time and the ratio.
void Measure(Magnifier& m) {
    Bench& bench = Current();
    Surface frame = CreateMemorySurface(m.ScreenDC);
    Bitmap frameBitmap = CreateCompatibleBitmapFor(m.ScreenDC, GlassSide, GlassSide);
    Bitmap previous = SelectBitmapInto(frame, frameBitmap);
    Surface window = GetWindowSurface(m.MagnifierWindow);
    double workSeconds = 0.0;
    double copySeconds = 0.0;
    for (auto _ : *bench.state) {
        const double start = ThreadSeconds();
        bench.work(m);
        const double middle = ThreadSeconds();
        if (bench.copyToWindow) {
            CopyBits(window, 0, 0, GlassSide, GlassSide, frame, 0, 0, RopSrcCopy);
            // The copy reaches the device's screen here, as the work's paint does at its next capture.
            sim::ScreenPixel(ScreenSide - 1, ScreenSide - 1);
        } else
            CopyBits(frame, 0, 0, GlassSide, GlassSide, m.ScreenDC, 0, 0, RopSrcCopy);
        const double end = ThreadSeconds();
        const double work = middle - start;
        workSeconds += work;
        copySeconds += end - middle;
        bench.state->SetIterationTime(work);
    }
    if (copySeconds > 0.0) bench.state->counters["x_copy"] = workSeconds / copySeconds;
    bench.state->counters["copy_us"] =
        benchmark::Counter(copySeconds * 1e6 / double(bench.state->iterations() ? bench.state->iterations() : 1));
    ReleaseWindowSurface(m.MagnifierWindow, window);
    SelectBitmapInto(frame, previous);
    DeleteBitmapObject(frameBitmap);
    DeleteMemorySurface(frame);
}

int Entry(Module instance) {
    WindowClass windowClass;
    windowClass.style = ClassHRedraw | ClassVRedraw | ClassDoubleClicks;
    windowClass.procedure = Procedure;
    windowClass.instance = instance;
    windowClass.name = u"BENCH_GLASS";
    if (!RegisterWindowClass(windowClass)) return 1;
    Window magnifier = MakeWindow(instance);
    Window picker = MakeWindow(instance);
    Window tape = MakeWindow(instance);
    Magnifier glass;
    if (!ConstructMagnifier(glass, instance, magnifier, picker, tape)) {
        DiscardFailedMagnifier(glass);
        Current().state->SkipWithError("the Magnifier was not constructed");
        return 1;
    }
    PlaceGlass(glass);
    if (Current().prepare) Current().prepare(glass);
    Measure(glass);
    TeardownMagnifier(glass);
    return 0;
}

void RunOnDevice(benchmark::State& state, std::function<void(Magnifier&)> prepare,
                 std::function<void(Magnifier&)> work, bool copyToWindow) {
    sim::DeviceConfig config;
    config.screenWidth = ScreenSide;
    config.screenHeight = ScreenSide;
    sim::ResetDevice(config);
    Current() = Bench{&state, std::move(prepare), std::move(work), copyToWindow};
    sim::RunProgram(Entry);
    Current() = Bench{};
}

void Render(Magnifier& m) { RenderView(m, true, false, false); }

void RenderNearest(benchmark::State& state) {
    RunOnDevice(state, [](Magnifier& m) { m.Settings.SmoothImg = 0; }, Render, false);
}

void RenderSmooth(benchmark::State& state) {
    RunOnDevice(state, [](Magnifier& m) { m.Settings.SmoothImg = 1; }, Render, false);
}

void RenderNearestCorrected(benchmark::State& state) {
    RunOnDevice(state,
                [](Magnifier& m) {
                    m.Settings.SmoothImg = 0;
                    m.Settings.Bright = 0.7f;
                    m.Settings.Contrast = 0.8f;
                },
                Render, false);
}

void RenderSmoothCorrected(benchmark::State& state) {
    RunOnDevice(state,
                [](Magnifier& m) {
                    m.Settings.SmoothImg = 1;
                    m.Settings.Bright = 0.7f;
                    m.Settings.Contrast = 0.8f;
                },
                Render, false);
}

void PaintGlass(benchmark::State& state) {
    RunOnDevice(state, [](Magnifier& m) { RenderView(m, true, false, false); },
                [](Magnifier& m) {
                    Surface window = GetWindowSurface(m.MagnifierWindow);
                    ComposeMagnifier(m, window, 0, 0, true);
                    ReleaseWindowSurface(m.MagnifierWindow, window);
                },
                true);
}

// One refresh as the tick makes it: the view rendered, then the glass painted into its window
// (skin, dot), measured beside one plain copy of the frame into the window.
void Refresh(Magnifier& m) {
    RenderView(m, true, false, false);
    Surface window = GetWindowSurface(m.MagnifierWindow);
    ComposeMagnifier(m, window, 0, 0, true);
    ReleaseWindowSurface(m.MagnifierWindow, window);
}

void RefreshWith(benchmark::State& state, int smooth, bool corrected) {
    RunOnDevice(state,
                [=](Magnifier& m) {
                    m.Settings.SmoothImg = smooth;
                    m.Settings.Bright = corrected ? 0.7f : 0.5f;
                    m.Settings.Contrast = corrected ? 0.8f : 0.5f;
                    Refresh(m);  // the skin scaled to this size is made once, before the measured frames
                },
                Refresh, true);
}

void RefreshNearest(benchmark::State& state) { RefreshWith(state, 0, false); }
void RefreshSmooth(benchmark::State& state) { RefreshWith(state, 1, false); }
void RefreshNearestCorrected(benchmark::State& state) { RefreshWith(state, 0, true); }
void RefreshSmoothCorrected(benchmark::State& state) { RefreshWith(state, 1, true); }

// The correction pass alone over one 525 x 525 frame of 24-bit pixels.
void CorrectFrame(benchmark::State& state) {
    const int32_t stride = ((GlassSide * 24 + 31) / 32) * 4;
    std::vector<uint8_t> bits(size_t(stride) * GlassSide);
    for (size_t i = 0; i < bits.size(); ++i) bits[i] = uint8_t(i * 7);
    for (auto _ : state) {
        CorrectPixels(bits.data(), stride, GlassSide, GlassSide, 0.7f, 0.8f);
        benchmark::DoNotOptimize(bits.data());
    }
}

}  // namespace

BENCHMARK(CorrectFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(RenderNearest)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RenderSmooth)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RenderNearestCorrected)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RenderSmoothCorrected)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PaintGlass)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RefreshNearest)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RefreshSmooth)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RefreshNearestCorrected)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(RefreshSmoothCorrected)->UseManualTime()->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
