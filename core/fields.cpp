#include "core/fields.h"

#include "core/runtime_error.h"

#include <cstdint>
#include <limits>

namespace {

std::wstring Delete(std::wstring text, const std::wstring& word, const EventPump& pump) {
    text = ReplaceText(text, word, L"", pump);
    return text;
}

} // namespace

bool IsTransferWindow(const std::wstring& firstStatic, const std::wstring& caption) {
    // Exact letter case: 'Now downloading' or 'file transfer' belong to other windows.
    return firstStatic.find(L"Downloading") != std::wstring::npos &&
           caption.find(L"File Transfer") != std::wstring::npos;
}

std::wstring FileNameField(std::wstring firstStatic, const EventPump& pump) {
    // Both spellings of each word: each deletion ignores case, so the second round only
    // catches what the first one's joins brought together.
    for (const wchar_t* word :
         {L"AOL ", L"Is ", L"Now ", L"Downloading ", L"aol ", L"is ", L"now ", L"downloading "})
        firstStatic = Delete(std::move(firstStatic), word, pump);
    return firstStatic.substr(0, 15);
}

std::wstring PercentField(const std::wstring& caption, const EventPump& pump) {
    const auto separator = caption.find(L" - ");
    // 1-based position of the separator, 0 without one: the caption then loses only its first
    // two characters.
    const std::int64_t position = separator == std::wstring::npos ? 0 : separator + 1;
    const std::int64_t start = position + 3;
    if (start > std::numeric_limits<std::int32_t>::max()) throw Overflow();
    std::wstring percent;
    if (start <= static_cast<std::int64_t>(caption.size()))
        percent = caption.substr(static_cast<std::size_t>(start - 1));
    return Delete(std::move(percent), L"%", pump);
}

std::wstring TimeLeftField(std::wstring secondStatic, const EventPump& pump) {
    for (const wchar_t* word : {L"about ", L" remaining.", L"ml"})
        secondStatic = Delete(std::move(secondStatic), word, pump);
    return secondStatic;
}
