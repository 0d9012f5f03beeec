// Reading the version text as a number, on any text.
#include "core/version_number.h"
#include "text_model.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> in = fuzz::DecodeTexts(data, size, 1);
    const std::wstring& text = in[0];
    // Digits with at most one point, between digits: the only texts that read as numbers.
    std::uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool plain = !text.empty(), point = false;
    for (std::size_t i = 0; i < text.size() && plain; ++i) {
        if (text[i] == L'.' && !point && i > 0 && i + 1 < text.size()) {
            point = true;
        } else if (text[i] >= L'0' && text[i] <= L'9') {
            if (++count <= 18) digits = digits * 10 + unsigned(text[i] - L'0');
            decimals += point;
        } else {
            plain = false;
        }
    }
    const std::optional<double> read = ReadVersionNumber(text);
    if (read.has_value() != plain) fuzz::Fail("no plain decimal accepted, or one refused", in);
    // Up to 15 digits a double holds exactly; more need only not be NaN or below 0.
    const double expected = static_cast<double>(digits) / std::pow(10.0, decimals);
    if (read && (std::isnan(*read) || *read < 0 ||
                 (count <= 15 && std::fabs(*read - expected) > 1e-14 * expected)))
        fuzz::Fail("read as another number", in);
    return 0;
}
