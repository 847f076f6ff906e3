// The source area of the view, captured unscaled for each render, and what the view was last rendered
// from: a timed refresh that finds the captured pixels and every other input of the picture unchanged
// has nothing new to show, and leaves the view and the window as they are.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Platform.h"

// Everything besides the source's pixels that the rendered view depends on.
struct ViewInputs {
    platform::Rect Source;
    platform::Rect Window;     // the glass: its size, and where its footprint lies in the source
    platform::Point ZoomPoint;  // places the cross-hair
    uint32_t ZoomBits = 0;
    bool Smooth = false;
    bool Correct = false;
    uint32_t BrightBits = 0;
    uint32_t ContrastBits = 0;
    bool CrossHair = false;
    bool Sample = false;
    friend bool operator==(const ViewInputs&, const ViewInputs&) = default;
};

struct ViewSource {
    // A top-down 32-bit section, kept selected into Surface and grown as the source grows.
    platform::Surface Surface = nullptr;
    platform::Bitmap Bitmap = nullptr;
    platform::Bitmap SurfaceOriginal = nullptr;
    uint8_t* Bits = nullptr;
    int32_t Width = 0;
    int32_t Height = 0;
    // Counts the sections made: pixels laid in one section are gone once another is made.
    uint32_t Section = 0;
    // The last render: its inputs and its source's pixels; none while Recorded is false.
    bool Recorded = false;
    ViewInputs RenderedInputs;
    std::vector<uint32_t> RenderedPixels;
};

// A surface of at least width x height pixels of its own to capture the source into; null when the
// section cannot be made (the caller then captures elsewhere, and every render counts as a change).
platform::Surface SourceCaptureSurface(ViewSource& source, platform::Surface compatibleWith, int32_t width,
                                       int32_t height);
// Whether the width x height pixels now in the capture surface and the inputs are those of the last
// render; when not, they are recorded as the last render, and *changed (when given) receives what
// differs: the smallest rectangle holding every changed pixel where the inputs are those of the last
// render, else the whole width x height area.
bool SameAsLastRender(ViewSource& source, const ViewInputs& inputs, int32_t width, int32_t height,
                      platform::Rect* changed = nullptr);
void ForgetLastRender(ViewSource& source);
void ReleaseViewSource(ViewSource& source);
