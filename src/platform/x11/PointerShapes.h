// The program's cursors as X cursors: the system ones by shape, the program's own pictures in two
// colours (dark pixels black, light ones white, transparent ones left out) with their hot spots.
#pragma once

#include <map>

#include "platform/Types.h"
#include "platform/x11/Xlib.h"

namespace platform::x11 {

class PointerShapes {
public:
    ~PointerShapes();
    // The X cursor for the program's cursor; None for the X default.
    ::Cursor Of(platform::Cursor cursor);

private:
    ::Cursor Make(platform::Cursor cursor);
    std::map<platform::Cursor, ::Cursor> made_;
};

}  // namespace platform::x11
