#include "core/replace_text.h"

#include "core/lower_case.h"
#include "core/runtime_error.h"

#include <cstdint>
#include <limits>

namespace {

// Positions and lengths are signed 32-bit: a sum that leaves that range is the overflow error.
std::int32_t AddPositions(std::int64_t a, std::int64_t b) {
    const std::int64_t sum = a + b;
    if (sum > std::numeric_limits<std::int32_t>::max() ||
        sum < std::numeric_limits<std::int32_t>::min())
        throw Overflow();
    return static_cast<std::int32_t>(sum);
}

std::int32_t Length(const std::wstring& text) {
    return AddPositions(0, text.size());
}

// 1-based position of `find` in `text` at or after `start`, or 0. Empty `find` matches nothing.
std::int32_t FindFrom(const std::wstring& text, const std::wstring& find, std::int32_t start) {
    if (find.empty() || start > Length(text)) return 0;
    const auto at = text.find(find, static_cast<std::size_t>(start - 1));
    return at == std::wstring::npos ? 0 : AddPositions(at, 1);
}

} // namespace

std::wstring ReplaceText(std::wstring& text, const std::wstring& find,
                         const std::wstring& replacement, const EventPump& pump) {
    const std::wstring lowerFind = LowerCase(find);
    const std::wstring lowerText = LowerCase(text);
    const std::int32_t findLength = Length(find);
    const std::int32_t replacementLength = Length(replacement);

    // Nothing before the end of an inserted replacement is searched again, so every search
    // runs on the untouched rest of the text as passed in, and the result is built once rather
    // than re-joined per replacement (a window full of "%" would otherwise take hours).
    std::int32_t match = FindFrom(lowerText, lowerFind, 1); // 1-based, in the text passed in
    if (match == 0) {
        pump();
        return text;
    }
    std::wstring result;
    std::int32_t copied = 0; // characters of the text passed in that are dealt with
    while (match != 0) {
        result.append(text, static_cast<std::size_t>(copied),
                      static_cast<std::size_t>(match - 1 - copied));
        // The occurrence's position in the text as it stands after the replacements so far,
        // plus the length of find and of the replacement: positions are signed 32-bit, and
        // these sums are made only to raise the overflow error where they leave that range.
        const std::int32_t p = AddPositions(result.size(), 1);
        AddPositions(p, findLength);
        AddPositions(p, replacementLength);
        result += replacement;
        copied = AddPositions(match - 1, findLength);
        match = FindFrom(lowerText, lowerFind, AddPositions(copied, 1));
        pump();
    }
    result.append(text, static_cast<std::size_t>(copied));
    text = std::move(result);
    return text;
}
