#include "core/lower_case.h"

namespace {

wchar_t LowerChar(wchar_t c) {
    if ((c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 0x20;
    switch (c) {
    case 0x152:
        return 0x153; // OE ligature
    case 0x160:
        return 0x161; // S caron
    case 0x17D:
        return 0x17E; // Z caron
    case 0x178:
        return 0xFF; // Y diaeresis
    default:
        return c;
    }
}

} // namespace

std::wstring LowerCase(std::wstring text) {
    for (wchar_t& c : text)
        c = LowerChar(c);
    return text;
}
