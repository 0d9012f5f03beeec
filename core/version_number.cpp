#include "core/version_number.h"

std::optional<double> ReadVersionNumber(const std::wstring& text) {
    // Plain decimal only: digits with at most one point between digits.
    bool digits = false;
    bool point = false;
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'0' && c <= L'9') {
            digits = true;
        } else if (c == L'.' && !point && digits && i + 1 < text.size()) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (!digits) return std::nullopt;
    double whole = 0, fraction = 0, scale = 1;
    bool afterPoint = false;
    for (wchar_t c : text) {
        if (c == L'.') {
            afterPoint = true;
        } else if (afterPoint) {
            if (scale >= 1e18) continue; // digits a double cannot hold any more
            fraction = fraction * 10 + (c - L'0');
            scale *= 10;
        } else {
            whole = whole * 10 + (c - L'0');
        }
    }
    return whole + fraction / scale;
}
