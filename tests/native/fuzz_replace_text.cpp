// ReplaceText against the one-pass model, on any text, find and replacement.
// Input: text, find and replacement, separated by byte 0.
#include "core/replace_text.h"
#include "text_model.h"

#include <algorithm>
#include <clocale>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) fuzz::Fail("no C.UTF-8 locale", {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> in = fuzz::DecodeTexts(data, size, 3);
    const fuzz::Replaced expected = fuzz::Replace(in[0], in[1], in[2]);
    std::wstring variable = in[0];
    int pumps = 0;
    const std::wstring result = ReplaceText(variable, in[1], in[2], [&] {
        // An event handler may run ReplaceText again in the middle of a call.
        std::wstring again = in[0];
        if (pumps++ == 0 && ReplaceText(again, in[1], in[2], [] {}) != expected.text)
            fuzz::Fail("a nested call gives another result", in);
    });
    if (result != expected.text || variable != result)
        fuzz::Fail("not the left-to-right replacement", in);
    if (pumps != std::max(expected.replacements, 1))
        fuzz::Fail("events not handled once per replacement, or once for none", in);
    return 0;
}
