#include "chat/version_number.h"

#include <cwchar>

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
    return std::wcstod(text.c_str(), nullptr);
}
