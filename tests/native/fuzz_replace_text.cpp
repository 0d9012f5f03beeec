// ReplaceText against the one-pass model, on any text, find and replacement.
// Input: text, find and replacement, separated by byte 0.
#include "download/replace_text.h"
#include "fuzz_input.h"
#include "text_model.h"

#include <algorithm>
#include <clocale>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) fuzz::Fail("no C.UTF-8 locale", {});
    return 0;
}

namespace {

// ReplaceText on its own against the model: result, caller's variable and event turns.
void CheckAgainstModel(const std::vector<std::wstring>& in) {
    const std::wstring& text = in[0];
    const std::wstring& find = in[1];
    const std::wstring& replacement = in[2];
    const model::Replaced expected = model::Replace(text, find, replacement);
    std::wstring variable = text;
    int pumps = 0;
    const std::wstring result = ReplaceText(variable, find, replacement, [&pumps] { ++pumps; });
    if (result != variable || result != expected.text ||
        pumps != (expected.replacements == 0 ? 1 : expected.replacements))
        fuzz::Fail("not the left-to-right replacement", in);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> in = fuzz::DecodeTexts(data, size, 3);
    if (!in[0].empty()) {
        // A piece of the text in the other letter case, so that the case-blind matching of
        // every letter gets tried, not only of those a random find happens to hit.
        std::wstring piece = in[0].substr(in[0].size() / 2, std::max<std::size_t>(in[1].size(), 1));
        for (wchar_t& c : piece)
            c = model::OtherCase(c);
        CheckAgainstModel({in[0], piece, in[2]});
    }
    const std::wstring& text = in[0];
    const std::wstring& find = in[1];
    const std::wstring& replacement = in[2];
    const model::Replaced expected = model::Replace(text, find, replacement);

    std::wstring variable = text;
    int pumps = 0;
    const std::wstring result = ReplaceText(variable, find, replacement, [&] {
        // An event handler may run ReplaceText again in the middle of a call.
        if (pumps++ == 0) {
            std::wstring nested = text;
            if (ReplaceText(nested, find, replacement, [] {}) != expected.text)
                fuzz::Fail("a nested call gives another result", in);
        }
    });

    if (result != variable) fuzz::Fail("the caller's variable differs from the result", in);
    if (result != expected.text) fuzz::Fail("not the left-to-right replacement", in);
    if (pumps != (expected.replacements == 0 ? 1 : expected.replacements))
        fuzz::Fail("events not handled once per replacement, or once for none", in);

    if (replacement.empty()) {
        // Deleting only removes whole occurrences and touches nothing else...
        if (result.size() != text.size() - find.size() * expected.replacements ||
            !model::IsSubsequence(result, text))
            fuzz::Fail("a deletion changed more than the occurrences", in);
        // ...and leaves none of those it saw: any occurrence left was made by a seam.
        const std::wstring lowerResult = model::Lower(result);
        const std::wstring lowerFind = model::Lower(find);
        for (std::size_t at = 0; at < result.size(); ++at) {
            if (!model::MatchesAt(lowerResult, at, lowerFind)) continue;
            bool made = false;
            for (std::size_t seam : expected.seams)
                made = made || (seam > at && seam < at + find.size());
            if (!made) fuzz::Fail("an occurrence of the input survived", in);
        }
    }
    return 0;
}
