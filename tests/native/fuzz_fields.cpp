// The download line's field rules against the models, on any window text.
// Input: a window text (read as first static, caption and second static in turn), then byte 0
// and a second caption for the transfer-window test.
#include "core/fields.h"
#include "text_model.h"

#include <clocale>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) fuzz::Fail("no C.UTF-8 locale", {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::wstring> in = fuzz::DecodeTexts(data, size, 2);
    const std::wstring& text = in[0];
    // Exact letter case, as the transfer-window test compares.
    if (IsTransferWindow(text, in[1]) != (text.find(L"Downloading") != std::wstring::npos &&
                                          in[1].find(L"File Transfer") != std::wstring::npos))
        fuzz::Fail("transfer window test", in);

    int pumps = 0, turns = 0;
    const EventPump count = [&pumps] { ++pumps; };
    const std::wstring name = fuzz::DeleteWords(
        text,
        {L"AOL ", L"Is ", L"Now ", L"Downloading ", L"aol ", L"is ", L"now ", L"downloading "},
        turns);
    if (FileNameField(text, count) != name.substr(0, 15) || pumps != turns)
        fuzz::Fail("file name, or its event turns", in);

    pumps = 0;
    // What follows the first " - "; without one, the caption from its third character.
    const std::size_t dash = text.find(L" - ");
    const std::size_t start = dash == std::wstring::npos ? 2 : dash + 3;
    const fuzz::Replaced percent =
        fuzz::Replace(start < text.size() ? text.substr(start) : L"", L"%", L"");
    if (PercentField(text, count) != percent.text ||
        pumps != (percent.replacements == 0 ? 1 : percent.replacements))
        fuzz::Fail("percent, or its event turns", in);

    pumps = turns = 0;
    if (TimeLeftField(text, count) !=
            fuzz::DeleteWords(text, {L"about ", L" remaining.", L"ml"}, turns) ||
        pumps != turns)
        fuzz::Fail("time left, or its event turns", in);
    return 0;
}
