// The Magnifier object: construction, teardown, the small accessors and the two locks.
#include "magnifier/Magnifier.h"

#include "magnifier/Animation.h"
#include "magnifier/Rendering.h"
#include "magnifier/SkinLayout.h"
#include "settings/SettingsStore.h"

using namespace platform;

namespace {

constexpr ColorRef BlackColor = 0x00000000;
constexpr ColorRef WhiteColor = 0x00FFFFFF;
constexpr ColorRef BackgroundColor = 0x00301000;  // red 0, green 16, blue 48: the lens seen in a capture

constexpr int32_t ColorPickerBitmapWidth = 200;
constexpr int32_t TapeBitmapWidth = 225;
constexpr int32_t ToolBitmapHeight = 50;

constexpr uint8_t CyrillicCharSet = 204;

void MoveWindowToRect(Window window, const Rect& r) {
    MoveWindowTo(window, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
}

void CopyText(char16_t (&to)[128], const char16_t* from) {
    size_t i = 0;
    for (; i + 1 < 128 && from[i] != 0; ++i) to[i] = from[i];
    to[i] = 0;
}

void TakeScreen(Magnifier& m) {
    m.DesktopWindow = GetDesktop();
    m.ScreenDC = GetWindowSurface(nullptr);
    GetWindowRectangle(m.DesktopWindow, &m.ScreenRect);
    const WindowSizeBounds bounds = ComputeWindowSizeBounds(m.ScreenRect);
    m.MinWindowSize = bounds.min;
    m.MaxWindowSize = bounds.max;
}

void PlaceWindowsFromSettings(Magnifier& m) {
    MoveWindowToRect(m.MagnifierWindow, m.Settings.WindowRect);
    MoveWindowToRect(m.ColorPickerWindow, m.Settings.ColorPickerRect);
    MoveWindowToRect(m.TapeWindow, m.Settings.TapeRect);
    UpdateMagnifierZones(m);
    UpdateColorPickerToolRect(m);
    UpdateTapeToolRect(m);
}

// The tools' off-screen buffers, in the button-face colour; the view and the scratch bitmap follow the
// glass's size (Rendering.cpp).
void CreateBuffers(Magnifier& m) {
    Surface windowDC = GetWindowSurface(m.MagnifierWindow);
    m.MemoryDC = CreateMemorySurface(windowDC);
    m.ColorPickerBitmap = CreateCompatibleBitmapFor(windowDC, ColorPickerBitmapWidth, ToolBitmapHeight);
    m.TapeBitmap = CreateCompatibleBitmapFor(windowDC, TapeBitmapWidth, ToolBitmapHeight);

    Brush face = GetSystemColorBrush(SysColorButtonFace);
    const Rect picker{0, 0, ColorPickerBitmapWidth + 1, ToolBitmapHeight + 1};
    const Rect tape{0, 0, TapeBitmapWidth + 1, ToolBitmapHeight + 1};
    Bitmap previous = SelectBitmapInto(m.MemoryDC, m.ColorPickerBitmap);
    FillRectangle(m.MemoryDC, &picker, face);
    SelectBitmapInto(m.MemoryDC, m.TapeBitmap);
    FillRectangle(m.MemoryDC, &tape, face);
    SelectBitmapInto(m.MemoryDC, previous);
    ReleaseWindowSurface(m.MagnifierWindow, windowDC);
}

void CreateBrushesAndPens(Magnifier& m) {
    m.BlackBrush = CreateSolidBrushOf(BlackColor);
    m.WhiteBrush = CreateSolidBrushOf(WhiteColor);
    m.BackgroundBrush = CreateSolidBrushOf(BackgroundColor);
    m.CrossHairPen = CreatePenOf(PenSolid, 1, WhiteColor);
    m.LocatorPen = CreatePenOf(PenSolid, 2, WhiteColor);
}

void LoadCursors(Magnifier& m) {
    m.AimCursor = LoadCursorResource(m.Instance, 134);
    m.ColorPickerCursor = LoadCursorResource(m.Instance, 144);
    m.BrightnessCursor = LoadCursorResource(m.Instance, 146);
    m.ContrastCursor = LoadCursorResource(m.Instance, 148);
    m.CorrectionCursor = LoadCursorResource(m.Instance, 147);
    m.TapeCursor = LoadCursorResource(m.Instance, 149);
}

void ResetInteractionState(Magnifier& m) {
    m.LocatorRequest = false;
    m.LocatorCount = 0;
    m.TapeStart = Point{-1, -1};
    m.ShowSteps = 0;
    m.HideSteps = 0;
    m.Hidden = false;
    m.FirstSampleDone = false;
    m.ColorPickerDock = DockNone;
    m.TapeDock = DockNone;
    m.Visible = false;
    CopyText(m.ColorPickerText, u"R:0 G:0 B:0\nH:0 S:0 B:0");
    CopyText(m.TapeText, u"0000:0000 - 0000:0000\n0000.00px   0000.00cm");
}

// A 12-point font of the system's default sans-serif face for both tool windows.
void CreateToolFont(Magnifier& m) {
    FontRecord record;
    const int ppi = GetDeviceCapability(m.ScreenDC, DeviceLogPixelsY);
    record.height = -int32_t(ppi / 6.0 + 0.5);
    record.weight = FontWeightNormal;
    record.charSet = CyrillicCharSet;
    record.quality = FontQualityAntialiased;
    record.pitchAndFamily = FontFamilySwiss;
    m.ToolFont = CreateFontFrom(&record);
}

template <typename Handle, typename Deleter>
void Release(Handle& handle, Deleter deleter) {
    if (handle) deleter(handle);
    handle = nullptr;
}

}  // namespace

bool ConstructMagnifier(Magnifier& m, Module instance, Window magnifierWindow, Window colorPickerWindow,
                        Window tapeWindow) {
    m.DrawMutex = CreateNamedMutex(SingleInstanceMutexName, false);
    const uint32_t error = GetLastErrorCode();
    if (error == ErrorAlreadyExists || error == ErrorInvalidHandle || !m.DrawMutex) return false;

    InitializeLock(&m.StateLock);
    m.Instance = instance;
    m.MagnifierWindow = magnifierWindow;
    m.ColorPickerWindow = colorPickerWindow;
    m.TapeWindow = tapeWindow;
    TakeScreen(m);
    LoadDefaults(m);
    PlaceWindowsFromSettings(m);
    CreateBuffers(m);
    UpdateLensGeometry(m);
    CreateBrushesAndPens(m);
    m.PointerState = StateIdle;
    m.AimStartTick = 0;
    m.AimTimerArmed = 0;
    LoadCursors(m);
    m.LoadedSkinName[0] = 0;
    LoadSkin(m);
    RenderView(m, true, false, false);
    ResetInteractionState(m);
    CreateToolFont(m);
    return true;
}

void DiscardFailedMagnifier(Magnifier& m) {
    Release(m.DrawMutex, CloseMutexHandle);
}

void TeardownMagnifier(Magnifier& m) {
    Release(m.MemoryDC, DeleteMemorySurface);
    Release(m.ViewBitmap, DeleteBitmapObject);
    m.ViewBits = nullptr;
    m.ViewWidth = m.ViewHeight = 0;
    Release(m.ScratchBitmap, DeleteBitmapObject);
    ReleaseViewSource(m.SourceCapture);
    Release(m.ColorPickerBitmap, DeleteBitmapObject);
    Release(m.TapeBitmap, DeleteBitmapObject);
    Release(m.SkinBitmap, DeleteBitmapObject);
    ForgetScaledSkin(m);
    // The whole-screen surface was taken with a null window; a platform that does not accept the
    // desktop window for its release gets the null window it was taken with.
    if (m.ScreenDC && !ReleaseWindowSurface(m.DesktopWindow, m.ScreenDC)) ReleaseWindowSurface(nullptr, m.ScreenDC);
    m.ScreenDC = nullptr;
    Release(m.BlackBrush, DeleteBrushObject);
    Release(m.WhiteBrush, DeleteBrushObject);
    Release(m.CrossHairPen, DeletePenObject);
    Release(m.LocatorPen, DeletePenObject);
    Release(m.BackgroundBrush, DeleteBrushObject);
    Release(m.ToolFont, DeleteFontObject);
    if (m.DrawMutex) {
        ReleaseMutexOwnership(m.DrawMutex);
        CloseMutexHandle(m.DrawMutex);
        m.DrawMutex = nullptr;
    }
    DeleteLock(&m.StateLock);
}

void StopLocator(Magnifier& m) { StepAnimation(m, true); }

int32_t GetPointerState(const Magnifier& m) { return m.PointerState; }
void RequestLocator(Magnifier& m) { m.LocatorRequest = true; }
bool IsHidden(const Magnifier& m) { return m.Hidden; }
bool IsVisible(const Magnifier& m) { return m.Visible; }
bool IsColorPickerShown(const Magnifier& m) { return m.Settings.ShowColorPicker != 0; }
bool IsTapeShown(const Magnifier& m) { return m.Settings.ShowTape != 0; }
WindowSizeBounds GetWindowSizeBounds(const Magnifier& m) { return {m.MinWindowSize, m.MaxWindowSize}; }
void CopySettings(const Magnifier& m, Settings* to) { *to = m.Settings; }
int32_t GetAdjustMode(const Magnifier& m) { return m.Settings.AdjustMode; }
void SetAdjustMode(Magnifier& m, int32_t mode) { m.Settings.AdjustMode = mode & 0xFF; }
uint32_t GetHotKeyCode(const Magnifier& m) { return m.Settings.PPCScanCode; }

void RegisterTapeHotKey(Magnifier& m) {
    const uint32_t key = m.Settings.PPCScanCode;
    RegisterHotKeyFor(m.MagnifierWindow, int(key), ModWin, key);
}

DrawLock::DrawLock(Magnifier& m) : m_(m) {
    const uint32_t result = WaitForMutex(m.DrawMutex, 0);
    held_ = result != WaitTimeout && result != WaitFailed;
}

DrawLock::~DrawLock() {
    if (held_) ReleaseMutexOwnership(m_.DrawMutex);
}

StateLockGuard::StateLockGuard(Magnifier& m) : m_(m) { EnterLock(&m_.StateLock); }
StateLockGuard::~StateLockGuard() { LeaveLock(&m_.StateLock); }

void RepaintOtherWindows(const Magnifier& m, Window dragged) {
    for (Window other : {m.MagnifierWindow, m.ColorPickerWindow, m.TapeWindow})
        if (other != dragged) InvalidateWindowRect(other, nullptr, false);
}

bool GetExecutableFolder(Module instance, char16_t (&folder)[260]) {
    folder[0] = 0;
    // A larger buffer than the result can hold, so that a path that does not fit is noticed.
    char16_t path[2 * 260] = {};
    const int length = GetModulePath(instance, path, 2 * 260);
    if (length <= 0 || length >= 260) return false;
    int cut = -1;
    for (int i = 0; i < length && path[i] != 0; ++i)
        if (path[i] == u'\\') cut = i;
    if (cut < 0) return false;
    for (int i = 0; i < cut; ++i) folder[i] = path[i];
    folder[cut] = 0;
    return true;
}
