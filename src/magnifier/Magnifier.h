// The central object of the program: settings, drawing resources, window handles, screen geometry and
// the state of dragging, animation and measuring. One exists from start-up to shutdown.
#pragma once

#include <cstdint>

#include "magnifier/ViewSource.h"
#include "platform/Platform.h"
#include "settings/Settings.h"

// The one interaction state of the program, shared by the magnifier window and both tool windows.
enum PointerState : int32_t {
    StateIdle = 0,
    StateMoveMagnifier = 1,
    StateMoveColorPicker = 2,
    StateMoveTape = 3,
    StateAimFromMagnifier = 4,
    StateResize = 5,
    StateZoom = 6,
    StateResizeZoom = 7,
    StateAimColorPicker = 8,
    StateBrightness = 9,
    StateContrast = 10,
    StateBrightnessContrast = 11,
    StateAimTape = 12,
};

// Where a tool window lies against the magnifier window.
enum DockSide : int32_t {
    DockNone = 0,
    DockTop = 1,
    DockBottom = 2,
    DockLeft = 3,
    DockRight = 4,
};

struct PointD {
    double x = 0.0;
    double y = 0.0;
};

// What a paint of the glass draws outside its lens: the skin scaled to a size (told by the scaled
// skin's generation) and the zoom-indicator dot.
struct GlassFrame {
    uint32_t Skin = 0;
    platform::Rect Dot;

    bool operator==(const GlassFrame&) const = default;
};

// The glass's footprint as last laid over the capture: the capture's section, where the glass lay in
// it, the glass's size and frame. While all of these stay, the pixels are still there: a capture reads
// from the screen only what lies outside the glass wherever that is one rectangle.
struct CaptureFootprint {
    uint32_t Section = 0;  // none laid while 0
    platform::Rect Glass;   // in the section's coordinates
    GlassFrame Frame;       // the dot as laid there

    bool operator==(const CaptureFootprint&) const = default;
};

inline constexpr const char16_t* SingleInstanceMutexName = u"{8761552B-A74F-407f-8A32-BF9044D87793}";

struct Magnifier {
    platform::Mutex DrawMutex = nullptr;
    platform::CriticalSection StateLock;
    ::Settings Settings;
    platform::Cursor AimCursor = nullptr;
    platform::Cursor ColorPickerCursor = nullptr;
    platform::Cursor BrightnessCursor = nullptr;
    platform::Cursor ContrastCursor = nullptr;
    platform::Cursor CorrectionCursor = nullptr;
    platform::Cursor TapeCursor = nullptr;
    platform::Surface MemoryDC = nullptr;
    platform::Surface ScreenDC = nullptr;
    // The view: the enlarged picture, a top-down 32-bit section of the glass's size, corrected in place.
    platform::Bitmap ViewBitmap = nullptr;
    uint8_t* ViewBits = nullptr;
    int32_t ViewWidth = 0;
    int32_t ViewHeight = 0;
    // Working pixels of the capture around the glass and of a paint without the scaled skin: made when
    // first needed, at the size asked for.
    platform::Bitmap ScratchBitmap = nullptr;
    platform::Bitmap ColorPickerBitmap = nullptr;
    platform::Bitmap TapeBitmap = nullptr;
    platform::Bitmap SkinBitmap = nullptr;
    // The skin stretched to the glass's size, with its key colour: made when the size or the skin
    // changes, so that a paint only copies it.
    platform::Bitmap ScaledSkinBitmap = nullptr;
    int32_t ScaledSkinWidth = 0;
    int32_t ScaledSkinHeight = 0;
    platform::ColorRef ScaledSkinKey = 0;
    // Where the scaled skin is opaque (not its key colour), row by row: a paint copies the skin there
    // and the view everywhere else, in one pass. Empty when they could not be found.
    platform::RowRuns ScaledSkinRuns;
    // The smallest rectangle holding every keyed pixel of the scaled skin (where the view shows), and
    // a count that changes whenever a scaled skin is made.
    platform::Rect ScaledSkinLens;
    uint32_t ScaledSkinGeneration = 0;
    // The frame the last paint of the glass drew, and whether it may have drawn only part of it (a
    // paint whose frame differed from the one before): until a whole paint follows, a refresh
    // paints the whole glass. WholeGlassDue asks the next refresh for the whole glass too.
    GlassFrame PaintedFrame;
    bool PaintedFrameDoubtful = true;
    bool WholeGlassDue = true;
    // The source area as captured for the last render, with what else that render was made from, and
    // the part of the view that render drew (view coordinates).
    ViewSource SourceCapture;
    CaptureFootprint LaidFootprint;
    platform::Rect RenderedViewPart;
    // The part of the view (view coordinates) that lags behind the renders: a timed refresh whose lens
    // alone is painted enlarges the capture straight into the window between the skin's runs, and the
    // view takes those pixels only when something reads it (CatchUpView), from the capture as it is
    // and with the inputs of the last such render. Empty while the view is up to date.
    platform::Rect ViewBehind;
    ViewInputs BehindInputs;
    platform::Brush BlackBrush = nullptr;
    platform::Brush WhiteBrush = nullptr;
    platform::Brush BackgroundBrush = nullptr;
    platform::Pen CrossHairPen = nullptr;
    platform::Pen LocatorPen = nullptr;
    platform::Font ToolFont = nullptr;
    bool LocatorRequest = false;
    uint32_t LocatorCount = 0;
    platform::Rect LocatorRect;
    int32_t ShowSteps = 0;
    int32_t AnimStep = 0;
    platform::Rect AnimSavedRect;
    int32_t HideSteps = 0;
    bool Hidden = false;
    bool FirstSampleDone = false;
    platform::Module Instance = nullptr;
    platform::Window MagnifierWindow = nullptr;
    platform::Window ColorPickerWindow = nullptr;
    platform::Window TapeWindow = nullptr;
    platform::Window DesktopWindow = nullptr;
    platform::Rect ScreenRect;
    platform::Rect RightZone;
    platform::Rect BottomZone;
    platform::Rect CornerZone;
    int32_t MinWindowSize = 0;
    int32_t MaxWindowSize = 0;
    platform::Rect ColorPickerToolRect;
    platform::Rect TapeToolRect;
    PointD ViewInset;
    double DialRadius = 0.0;
    double DialDotRadius = 0.0;
    platform::ColorRef PickedColor = 0;
    float DragStartZoom = 0.0f;
    PointD DialDot;
    platform::Rect SourceRect;
    int32_t DragStartSize = 0;
    uint32_t AimStartTick = 0;
    int32_t AimTimerArmed = 0;
    platform::Point GrabPoint;
    platform::Point ColorPickerOffset;
    platform::Point TapeOffset;
    char16_t LoadedSkinName[128] = {};
    char16_t ColorPickerText[128] = {};
    char16_t TapeText[128] = {};
    platform::Point TapeStart;
    bool Visible = false;
    int32_t ColorPickerDock = DockNone;
    int32_t TapeDock = DockNone;
    int32_t PointerState = StateIdle;
};

// Construction: returns the success flag; the object may only be used when it is true. A failed
// construction holds at most the mutex handle, which DiscardFailedMagnifier closes.
bool ConstructMagnifier(Magnifier& m, platform::Module instance, platform::Window magnifierWindow,
                        platform::Window colorPickerWindow, platform::Window tapeWindow);
void DiscardFailedMagnifier(Magnifier& m);
void TeardownMagnifier(Magnifier& m);
void StopLocator(Magnifier& m);

// Accessors.
int32_t GetPointerState(const Magnifier& m);
void RequestLocator(Magnifier& m);
bool IsHidden(const Magnifier& m);
bool IsVisible(const Magnifier& m);
bool IsColorPickerShown(const Magnifier& m);
bool IsTapeShown(const Magnifier& m);
struct WindowSizeBounds {
    int32_t min = 0;
    int32_t max = 0;
};
WindowSizeBounds GetWindowSizeBounds(const Magnifier& m);
void CopySettings(const Magnifier& m, Settings* to);
int32_t GetAdjustMode(const Magnifier& m);
void SetAdjustMode(Magnifier& m, int32_t mode);
uint32_t GetHotKeyCode(const Magnifier& m);
void RegisterTapeHotKey(Magnifier& m);

// The drawing lock: a zero-wait try-lock on DrawMutex, released when the guard ends.
class DrawLock {
public:
    explicit DrawLock(Magnifier& m);
    ~DrawLock();
    DrawLock(const DrawLock&) = delete;
    DrawLock& operator=(const DrawLock&) = delete;
    bool Held() const { return held_; }

private:
    Magnifier& m_;
    bool held_ = false;
};

// StateLock held for a scope.
class StateLockGuard {
public:
    explicit StateLockGuard(Magnifier& m);
    ~StateLockGuard();
    StateLockGuard(const StateLockGuard&) = delete;
    StateLockGuard& operator=(const StateLockGuard&) = delete;

private:
    Magnifier& m_;
};

// The executable's folder: its full path cut at the last backslash. Returns false when the path does
// not fit a buffer of 260 characters.
bool GetExecutableFolder(platform::Module instance, char16_t (&folder)[260]);
// After a drag's frame is erased from the screen: a window of the program other than the one dragged
// that painted itself over the frame during the drag (raised by the focus, say) got the frame's pixels
// inverted by the erase, so each of them paints itself again.
void RepaintOtherWindows(const Magnifier& m, platform::Window dragged);
