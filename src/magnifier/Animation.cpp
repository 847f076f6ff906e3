// Showing and hiding the glass and the tool windows, the grow/shrink animation, the locator ring, the
// first colour sample after a show, and the program's sounds.
#include "magnifier/Animation.h"

#include <string>

#include "magnifier/PointerInteraction.h"
#include "magnifier/Rendering.h"
#include "magnifier/ScreenChange.h"
#include "magnifier/SkinLayout.h"
#include "platform/Geometry.h"

using namespace platform;

namespace {

constexpr int32_t ShowFrames = 10;
constexpr int32_t HideFrames = 6;
constexpr int32_t ShowOvershootFrame = 3;
constexpr uint32_t LocatorFrames = 29;
constexpr int32_t LocatorMargin = 2;
constexpr size_t PathCapacity = 260;

// ---- Frames ----

// The glass takes side s about its centre.
void ResizeAboutCentre(Magnifier& m, int32_t s) {
    Rect& r = m.Settings.WindowRect;
    m.Settings.WindowSize = s;
    const int32_t half = (r.left - r.right + s) / 2;
    r.top -= half;
    r.left -= half;
    r.right += half;
    r.bottom += half;
}

void RedrawFrame(Magnifier& m) {
    const Rect& r = m.Settings.WindowRect;
    UpdateLensGeometry(m);
    MoveWindowTo(m.MagnifierWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, true);
    UpdateMagnifierZones(m);
    RenderView(m, false, false, false);
    InvalidateWindowRect(m.MagnifierWindow, nullptr, false);
}

void RestoreSavedRect(Magnifier& m) {
    m.Settings.WindowRect = m.AnimSavedRect;
    m.Settings.WindowSize = m.AnimSavedRect.right - m.AnimSavedRect.left;
}

// The hidden glass takes the restored rectangle, with its lens and zones: a later show without the
// animation reveals the window where it stands, so it must not keep the last, shrunken frame.
void PlaceHiddenGlass(Magnifier& m) {
    const Rect& r = m.Settings.WindowRect;
    UpdateLensGeometry(m);
    MoveWindowTo(m.MagnifierWindow, r.left, r.top, r.right - r.left, r.bottom - r.top, false);
    UpdateMagnifierZones(m);
}

int32_t AnimationStepOf(const Rect& r) { return (r.right - r.left) / 5; }

// The glass comes up with its first frame; the tool windows that are switched on come with it.
void Reveal(Magnifier& m) {
    ShowWindowAs(m.MagnifierWindow, ShowNormal);
    UpdateWindowNow(m.MagnifierWindow);
    m.Visible = true;
    SetForeground(m.MagnifierWindow);
    if (m.Settings.ShowColorPicker) ShowColorPickerWindow(m, false);
    if (m.Settings.ShowTape) ShowTapeWindow(m, false);
}

void HideStep(Magnifier& m) {
    const Rect& r = m.Settings.WindowRect;
    int32_t s = 0;
    if (m.HideSteps == HideFrames) {
        m.AnimStep = AnimationStepOf(r);
        s = m.Settings.WindowSize + m.AnimStep;
    } else {
        s = m.Settings.WindowSize - m.AnimStep;
    }
    ResizeAboutCentre(m, s);
    RedrawFrame(m);
    if (--m.HideSteps == 0) {
        m.Hidden = true;
        ShowWindowAs(m.MagnifierWindow, ShowHide);
        m.Visible = false;
        RestoreSavedRect(m);
        PlaceHiddenGlass(m);
    }
}

void ShowStep(Magnifier& m) {
    if (m.ShowSteps == ShowFrames && !m.Settings.ShowAnim) {
        m.ShowSteps = 0;
        Reveal(m);
        return;
    }
    int32_t s = 0;
    if (m.ShowSteps == ShowFrames) {
        m.AnimSavedRect = m.Settings.WindowRect;
        m.AnimStep = AnimationStepOf(m.Settings.WindowRect);
        s = m.Settings.WindowSize - 5 * m.AnimStep;
    } else if (m.ShowSteps == ShowOvershootFrame) {
        s = m.Settings.WindowSize - int32_t(uint32_t(m.AnimStep) >> 1) - m.AnimStep;
    } else {
        s = m.Settings.WindowSize + m.AnimStep;
    }
    ResizeAboutCentre(m, s);
    if (m.ShowSteps == 1) RestoreSavedRect(m);
    RedrawFrame(m);
    if (m.ShowSteps == ShowFrames) Reveal(m);
    --m.ShowSteps;
}

// ---- Locator ring ----

// An ellipse around the rectangle, drawn in XOR on the screen: drawing it again removes it.
void DrawLocatorRing(Magnifier& m, const Rect& around) {
    Rect box = around;
    InflateRectangle(&box, LocatorMargin, LocatorMargin);
    Pen previousPen = SelectPenInto(m.ScreenDC, m.LocatorPen);
    Brush previousBrush = SelectBrushInto(m.ScreenDC, m.BlackBrush);
    const int previousMode = SetLineMode(m.ScreenDC, Rop2XorPen);
    DrawEllipse(m.ScreenDC, box.left, box.top, box.right, box.bottom);
    SetLineMode(m.ScreenDC, previousMode);
    SelectBrushInto(m.ScreenDC, previousBrush);
    SelectPenInto(m.ScreenDC, previousPen);
}

// Removes the ring drawn around the rectangle. A window of the program that painted itself over a part of
// the ring meanwhile got that part inverted by the removal: such windows paint themselves again.
void RemoveLocatorRing(Magnifier& m, const Rect& around) {
    DrawLocatorRing(m, around);
    Rect box = around;
    InflateRectangle(&box, LocatorMargin + 1, LocatorMargin + 1);  // the pen is 2 pixels wide
    for (Window window : {m.MagnifierWindow, m.ColorPickerWindow, m.TapeWindow}) {
        Rect rect, overlap;
        if (window && IsWindowShown(window) && GetWindowRectangle(window, &rect) &&
            IntersectRectangles(&overlap, rect, box))
            InvalidateWindowRect(window, nullptr, false);
    }
}

// Returns false when a new request removed a ring that was on the screen: the tick ends there.
bool LocatorStep(Magnifier& m) {
    // No ring while the glass grows or shrinks: its frames would cover and uncover parts of the ring.
    // A show or hide ends a flash before it starts, and a request made meanwhile waits for its end.
    if (AnimationRunning(m)) return true;
    if (m.LocatorRequest) {
        m.LocatorRequest = false;
        if (LocatorRingDrawn(m.LocatorCount)) {
            RemoveLocatorRing(m, m.LocatorRect);
            m.LocatorCount = LocatorFrames;
            return false;
        }
        m.LocatorCount = LocatorFrames;
    }
    if (m.LocatorCount == 0) return true;
    switch (m.LocatorCount) {
        case 29: case 21: case 13: case 5:
            DrawLocatorRing(m, m.SourceRect);
            m.LocatorRect = m.SourceRect;
            break;
        case 25: case 17: case 9: case 1:
            RemoveLocatorRing(m, m.LocatorRect);
            break;
        default:
            break;
    }
    --m.LocatorCount;
    return true;
}

void FinishLocator(Magnifier& m) {
    m.LocatorRequest = false;
    if (LocatorRingDrawn(m.LocatorCount)) {
        RemoveLocatorRing(m, m.LocatorRect);
        m.LocatorCount = 0;
    }
}

// ---- Tool windows ----

void ShowToolWindow(Magnifier& m, int32_t* setting, Window window, bool withSound) {
    SettleScreenMarks(m);  // a drag's frames include the docked tool windows that show
    *setting = 1;
    // While the glass hides it is still Visible; a tool window shown now would stay up after the glass
    // has gone. It comes up with the next show instead.
    if (!m.Visible || m.HideSteps != 0) return;
    ShowWindowAs(window, ShowNormal);
    if (withSound) PlayToolSound(m, OtherWindowsSound);
}

void HideToolWindow(Magnifier& m, int32_t* setting, Window window, bool withSound, bool keepSetting) {
    SettleScreenMarks(m);
    if (!keepSetting) *setting = 0;
    if (!m.Visible) return;
    ShowWindowAs(window, ShowHide);
    if (withSound) PlayToolSound(m, OtherWindowsSound);
}

}  // namespace

bool AnimationRunning(const Magnifier& m) { return m.ShowSteps != 0 || m.HideSteps != 0; }

bool AnimationPending(const Magnifier& m) {
    return AnimationRunning(m) || m.LocatorRequest || m.LocatorCount != 0 || !m.FirstSampleDone;
}

void EndLocatorFlash(Magnifier& m) {
    FinishLocator(m);
    m.LocatorCount = 0;  // a later ring would be drawn while the windows change
}

void SettleScreenMarks(Magnifier& m) {
    EndLocatorFlash(m);  // first: the drag's release may move windows, which would take parts of the ring
    FinishPointerInteraction(m);
}

bool LocatorRingDrawn(uint32_t c) {
    return (c >= 25 && c <= 28) || (c >= 17 && c <= 20) || (c >= 9 && c <= 12) || (c >= 1 && c <= 4);
}

void ShowMagnifier(Magnifier& m) {
    if (AnimationRunning(m)) return;
    SettleScreenMarks(m);  // the pointer handlers ignore the release while the animation runs
    CatchUpWithScreen(m);
    m.Hidden = false;
    m.FirstSampleDone = false;
    m.ShowSteps = ShowFrames;
    PlayToolSound(m, MainWindowSound);
}

void HideMagnifier(Magnifier& m) {
    SettleScreenMarks(m);  // no drag outlives the glass; its release would be lost to the animation
    if (!m.Settings.ShowAnim) {
        ShowWindowAs(m.MagnifierWindow, ShowHide);
        m.Hidden = true;
        m.Visible = false;
        return;
    }
    if (m.HideSteps == 0) {
        m.AnimSavedRect = m.Settings.WindowRect;
        m.HideSteps = HideFrames;
    }
}

void HideAll(Magnifier& m) {
    if (AnimationRunning(m)) return;
    SettleScreenMarks(m);
    HideColorPickerWindow(m, false, true);
    HideTapeWindow(m, false, true);
    HideMagnifier(m);
    PlayToolSound(m, MainWindowSound);
}

void ShowColorPickerWindow(Magnifier& m, bool withSound) {
    ShowToolWindow(m, &m.Settings.ShowColorPicker, m.ColorPickerWindow, withSound);
}

void ShowTapeWindow(Magnifier& m, bool withSound) {
    ShowToolWindow(m, &m.Settings.ShowTape, m.TapeWindow, withSound);
}

void HideColorPickerWindow(Magnifier& m, bool withSound, bool keepSetting) {
    HideToolWindow(m, &m.Settings.ShowColorPicker, m.ColorPickerWindow, withSound, keepSetting);
}

void HideTapeWindow(Magnifier& m, bool withSound, bool keepSetting) {
    HideToolWindow(m, &m.Settings.ShowTape, m.TapeWindow, withSound, keepSetting);
}

void StepAnimation(Magnifier& m, bool finish) {
    if (finish) {
        FinishLocator(m);
        return;
    }
    if (m.HideSteps != 0) HideStep(m);
    if (!LocatorStep(m)) return;
    if (m.ShowSteps == 0) {
        if (!m.FirstSampleDone) {
            RenderView(m, true, false, true);
            m.FirstSampleDone = true;
            // The sampling render corrects the view, which the animation's frames leave uncorrected: a
            // shown glass paints it, as it paints every render, instead of keeping its last frame until
            // the next refresh.
            if (m.Visible) InvalidateWindowRect(m.MagnifierWindow, nullptr, false);
        }
        return;
    }
    ShowStep(m);
}

bool PlayToolSound(Magnifier& m, const char16_t* name) {
    if (!m.Settings.PlaySound) return false;
    char16_t folder[PathCapacity] = {};
    if (!GetExecutableFolder(m.Instance, folder)) return false;
    std::u16string path = folder;
    path += u"\\Sounds\\";
    path += name;
    if (path.size() >= PathCapacity) return false;
    FindData data;
    FindHandle search = FindFirstFileAt(path.c_str(), &data);
    if (!search) return false;
    FindCloseHandle(search);
    PlaySoundFile(path.c_str(), SoundAsync | SoundFileName);
    return true;
}
