// Reading the version text as a number, on any text.
#include "chat/version_number.h"
#include "fuzz_input.h"

#include <cmath>
#include <utility>

namespace {

// Digits with at most one point, between digits: the only texts that read as numbers.
bool IsPlainDecimal(const std::wstring& text, std::uint64_t& digits, int& decimals, int& count) {
    digits = 0;
    decimals = count = 0;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'.' && !point && i > 0 && i + 1 < text.size()) {
            point = true;
        } else if (c >= L'0' && c <= L'9') {
            if (++count <= 18) digits = digits * 10 + static_cast<unsigned>(c - L'0');
            if (point) ++decimals;
        } else {
            return false;
        }
    }
    return count > 0;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The eight texts the version probe gives: seven numbers, and "n/a", which is none.
    const std::pair<const wchar_t*, double> versions[] = {{L"2.5", 2.5}, {L"3.0", 3}, {L"4.0", 4},
                                                          {L"5.0", 5},   {L"6.0", 6}, {L"7.0", 7},
                                                          {L"8.0", 8}};
    for (const auto& [text, number] : versions) {
        const std::optional<double> read = ReadVersionNumber(text);
        if (!read || *read != number) fuzz::Fail("a version text misread", {text});
    }
    if (ReadVersionNumber(L"n/a")) fuzz::Fail("\"n/a\" read as a number", {L"n/a"});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> in = fuzz::DecodeTexts(data, size, 1);
    const std::optional<double> read = ReadVersionNumber(in[0]);
    std::uint64_t digits = 0;
    int decimals = 0;
    int count = 0;
    if (read.has_value() != IsPlainDecimal(in[0], digits, decimals, count))
        fuzz::Fail("accepted a text that is no plain decimal, or the reverse", in);
    if (!read) return 0;
    if (std::isnan(*read) || *read < 0) fuzz::Fail("read as no number, or below 0", in);
    // Any other text need not read exactly, only as its number to within rounding.
    const double expected = static_cast<double>(digits) / std::pow(10.0, decimals);
    if (count <= 15 && std::fabs(*read - expected) > 1e-14 * expected)
        fuzz::Fail("read as another number", in);
    return 0;
}
