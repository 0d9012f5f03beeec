#include "app/lines.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

namespace lines {

double CounterValue(const std::wstring& caption) {
    const wchar_t* begin = caption.c_str();
    wchar_t* end = nullptr;
    double value = std::wcstod(begin, &end);
    return end == begin || !std::isfinite(value) ? 0.0 : value;
}

std::wstring CounterText(double value) {
    // %.0f writes every digit of a whole double (no exponent), however large it grows.
    char digits[400];
    std::snprintf(digits, sizeof digits, "%.0f", std::fabs(std::round(value)));
    return std::wstring(digits, digits + std::char_traits<char>::length(digits));
}

} // namespace lines
