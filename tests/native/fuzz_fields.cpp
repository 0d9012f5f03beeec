// The download line's field rules against the models, on any window text.
// Input: a window text (read as first static, caption and second static in turn), then
// byte 0 and a second caption for the transfer-window test.
#include "download/fields.h"
#include "fuzz_input.h"
#include "text_model.h"

#include <algorithm>
#include <clocale>

namespace {

// Exact, letter case included, as the transfer-window test compares.
bool HasExactly(const std::wstring& text, const std::wstring& word) {
    for (std::size_t at = 0; at + word.size() <= text.size(); ++at)
        if (text.compare(at, word.size(), word) == 0) return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) fuzz::Fail("no C.UTF-8 locale", {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> in = fuzz::DecodeTexts(data, size, 2);
    const std::wstring& text = in[0];
    int pumps = 0;
    const EventPump count = [&pumps] { ++pumps; };

    if (IsTransferWindow(text, in[1]) !=
        (HasExactly(text, L"Downloading") && HasExactly(in[1], L"File Transfer")))
        fuzz::Fail("transfer window test", in);

    int turns = 0;
    const std::wstring fileName = FileNameField(text, count);
    const std::wstring deleted = model::DeleteWords(
        text,
        {L"AOL ", L"Is ", L"Now ", L"Downloading ", L"aol ", L"is ", L"now ", L"downloading "},
        turns);
    if (fileName.size() > 15) fuzz::Fail("file name longer than 15", in);
    if (fileName != deleted.substr(0, 15)) fuzz::Fail("file name", in);
    if (pumps != turns) fuzz::Fail("file name: events not handled once per deletion turn", in);

    pumps = 0;
    const std::wstring percent = PercentField(text, count);
    std::size_t start = 2; // no " - ": the caption from its third character
    for (std::size_t at = 0; at + 3 <= text.size(); ++at) {
        if (text.compare(at, 3, L" - ") == 0) {
            start = at + 3;
            break;
        }
    }
    const model::Replaced expected =
        model::Replace(text.substr(std::min(start, text.size())), L"%", L"");
    if (percent.size() > text.size() || percent.find(L'%') != std::wstring::npos)
        fuzz::Fail("percent longer than the caption, or with a %", in);
    if (percent != expected.text) fuzz::Fail("percent", in);
    if (pumps != (expected.replacements == 0 ? 1 : expected.replacements))
        fuzz::Fail("percent: events not handled once per deletion", in);

    pumps = turns = 0;
    const std::wstring timeLeft = TimeLeftField(text, count);
    if (timeLeft.size() > text.size() || !model::IsSubsequence(timeLeft, text))
        fuzz::Fail("time left is not what remains of the static", in);
    if (timeLeft != model::DeleteWords(text, {L"about ", L" remaining.", L"ml"}, turns))
        fuzz::Fail("time left", in);
    if (pumps != turns) fuzz::Fail("time left: events not handled once per deletion turn", in);
    return 0;
}
