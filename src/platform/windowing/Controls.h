// The standard controls of the window system (push button, check box, label, edit, drop-down list,
// trackbar, tab control) as system window classes, and what the dialog manager needs to know about
// them. Private to the dialog manager.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace platform::sim::controls {

// Messages the dialog manager sends to the controls it makes.
constexpr uint32_t MsgSetFont = 0x0030;            // wParam: the font to draw with (not owned)
constexpr uint32_t MsgGetFont = 0x0031;            // returns the font the control draws with
constexpr uint32_t StaticAdoptIcon = 0x0BA0;       // wParam: the template's icon; the control owns it from then on
constexpr uint32_t ComboSetDroppedHeight = 0x0166; // wParam: height in pixels of the dropped-down list

// Notification codes of the trackbar (the low word of MsgHScroll's wParam).
constexpr uint32_t TrackbarThumbTrack = 5;
constexpr uint32_t TrackbarThumbPosition = 4;
constexpr uint32_t TrackbarEndTrack = 8;

// Style bits the controls read.
constexpr uint32_t ButtonTypeMask = 0x000F;
constexpr uint32_t ButtonCheckBox = 0x0002;
constexpr uint32_t ButtonAutoCheckBox = 0x0003;
constexpr uint32_t StaticTypeMask = 0x001F;
constexpr uint32_t StaticCenter = 0x0001;
constexpr uint32_t StaticRight = 0x0002;
constexpr uint32_t StaticIcon = 0x0003;
constexpr uint32_t EditNumber = 0x2000;
constexpr uint32_t ComboSort = 0x0100;
constexpr uint32_t TrackbarAutoTicks = 0x0001;
constexpr uint32_t TrackbarNoTicks = 0x0010;

// The longest text an edit accepts.
constexpr size_t EditTextLimit = 32767;

enum class ControlKind { Unknown, PushButton, CheckBox, Label, Edit, ComboBox, Trackbar, Tab };
const char* KindName(ControlKind kind);

// Registers the control classes as system classes; a class that exists already stays as it is.
void RegisterControlClasses();

// The device's font (Tahoma, see TextRender.cpp) with the given character height in pixels, antialiased.
Font CreateDeviceFont(int32_t emHeight);
// Width and height of a single line of text drawn with the font (null: the default font).
Point MeasureTextWith(Font font, const std::u16string& text);

// The controls that exist now, in the order they were made.
std::vector<Window> LiveControls();
ControlKind KindOf(Window control);

// The user's operations, carried out as a tap or typing would do them: each changes the control and
// notifies its parent exactly as the stylus does.
void UserClick(Window button);                                // push button or check box
bool UserSelectTab(Window tab, int index);                    // false when there is no such tab
void UserTrack(Window trackbar, int32_t position);            // clamped into the range
void UserSelectItem(Window combo, int index);
void UserTypeText(Window edit, const std::u16string& text);   // replaces the text; typing rules apply

// Case-insensitive equality search of a drop-down list; -1 when absent.
int FindExactItem(Window combo, const std::u16string& text);
std::vector<std::u16string> ItemsOf(Window combo);
// The captions of a tab control's tabs, in order; empty for any other window.
std::vector<std::u16string> TabTextsOf(Window tab);

// Case folding used by the list's sorting and searching (Latin, Greek and Cyrillic letters).
char16_t FoldCase(char16_t c);

}  // namespace platform::sim::controls
