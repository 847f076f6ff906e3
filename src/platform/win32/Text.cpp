// Fonts, device capabilities and text.
#include <algorithm>
#include <cwchar>
#include <iterator>

#include "platform/Drawing.h"
#include "platform/win32/Handles.h"

namespace platform {

Font CreateFontFrom(const FontRecord* record) {
    if (!record) return nullptr;
    LOGFONTW font = {};
    font.lfHeight = record->height;
    font.lfWidth = record->width;
    font.lfEscapement = record->escapement;
    font.lfOrientation = record->orientation;
    font.lfWeight = record->weight;
    font.lfItalic = record->italic;
    font.lfUnderline = record->underline;
    font.lfStrikeOut = record->strikeOut;
    font.lfCharSet = record->charSet;
    font.lfOutPrecision = record->outPrecision;
    font.lfClipPrecision = record->clipPrecision;
    font.lfQuality = record->quality;
    font.lfPitchAndFamily = record->pitchAndFamily;
    // The face name may fill its whole field without a terminating zero; the copy always ends in one.
    constexpr size_t faceLength = std::size(font.lfFaceName) - 1;
    static_assert(std::size(FontRecord{}.faceName) == std::size(LOGFONTW{}.lfFaceName));
    std::copy_n(Wide(record->faceName), faceLength, font.lfFaceName);
    font.lfFaceName[faceLength] = L'\0';
    // Without a face the handheld takes its system face; a desktop would pick a wider one, which cuts
    // the tool windows' texts, so ask for that face by name.
    if (font.lfFaceName[0] == L'\0') std::wcscpy(font.lfFaceName, L"Tahoma");
    HFONT handle = ::CreateFontIndirectW(&font);
    if (handle) CountMade("fonts");
    return FromNative(handle);
}

bool DeleteFontObject(Font font) {
    HFONT native = ToNative(font);
    if (!native || ::GetObjectType(native) != OBJ_FONT || !::DeleteObject(native)) return false;
    CountReleased("fonts");
    return true;
}

int GetDeviceCapability(Surface surface, int index) {
    if (!surface) return 0;
    return ::GetDeviceCaps(ToNative(surface), index);
}

int SetBackgroundMode(Surface surface, int mode) {
    if (!surface) return 0;
    return ::SetBkMode(ToNative(surface), mode);
}

ColorRef SetTextColorOf(Surface surface, ColorRef color) {
    if (!surface) return CLR_INVALID;
    return ::SetTextColor(ToNative(surface), color & 0x00FFFFFF);
}

int DrawTextIn(Surface surface, const char16_t* text, int length, Rect* rect, uint32_t format) {
    if (!surface || !text || !rect) return 0;
    RECT area = {rect->left, rect->top, rect->right, rect->bottom};
    // The text is the caller's and read-only: the system may not write an ellipsis into it.
    const UINT safeFormat = format & ~UINT(DT_MODIFYSTRING);
    const int height = ::DrawTextW(ToNative(surface), Wide(text), length < 0 ? -1 : length, &area, safeFormat);
    *rect = Rect{area.left, area.top, area.right, area.bottom};
    return height;
}

}  // namespace platform
