#include "core/lines.h"

#include <cmath>

namespace lines {

double CounterValue(const std::wstring& caption) {
    // Leading decimal digits, as the caption only ever holds a whole number; none count as 0.
    double value = 0;
    for (wchar_t c : caption) {
        if (c < L'0' || c > L'9') break;
        value = value * 10 + (c - L'0');
    }
    return std::isfinite(value) ? value : 0.0;
}

std::wstring CounterText(double value) {
    double rest = std::fabs(std::round(value));
    std::wstring digits;
    do {
        digits.insert(digits.begin(), static_cast<wchar_t>(L'0' + std::fmod(rest, 10.0)));
        rest = std::floor(rest / 10);
    } while (rest >= 1);
    return digits;
}

} // namespace lines
