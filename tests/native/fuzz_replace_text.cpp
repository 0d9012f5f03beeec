// ReplaceText on any text, find and replacement, for what must hold whatever the texts: no crash
// and no read past a text (the sanitizers and the library's assertions catch both), the result
// left in the caller's variable, one event turn per replacement or one for none (so each turn
// changes the length by the same amount), the same result from a call nested in an event turn,
// and no say for letter case in what is replaced.
// Input: text, find and replacement, separated by byte 0, in code page 1252.
#include "core/replace_text.h"

#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <utility>
#include <vector>

namespace {

// One byte to one character as code page 1252 decodes it. The five bytes 1252 leaves undefined
// bring in what a window could still hold: NUL, and letters whose other case is outside 1252.
wchar_t DecodeByte(std::uint8_t b) {
    static const wchar_t high[32] = {
        0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x0130, 0x017D, 0x212A, 0x1E9E, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0391, 0x017E, 0x0178};
    return b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<wchar_t>(b);
}

bool InCodePage1252(wchar_t c) {
    if (c >= 0 && c <= 0xFF) return true;
    for (std::uint8_t b = 0x80; b < 0xA0; ++b)
        if (c == DecodeByte(b)) return b != 0x8D && b != 0x8F && b != 0x90 && b != 0x9D;
    return false;
}

// The text in the C library's small letters or capitals (a UTF-8 LC_CTYPE), where code page
// 1252 holds both forms of a letter.
std::wstring Cased(std::wstring text, std::wint_t (*to)(std::wint_t)) {
    for (wchar_t& c : text) {
        const auto other = static_cast<wchar_t>(to(static_cast<std::wint_t>(c)));
        if (InCodePage1252(c) && InCodePage1252(other)) c = other;
    }
    return text;
}

// A broken property is a finding: abort, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const char* what, const std::vector<std::wstring>& texts) {
    std::fprintf(stderr, "\nINVARIANT BROKEN: %s\n", what);
    for (const std::wstring& text : texts) {
        for (wchar_t c : text)
            std::fprintf(stderr, c >= 0x20 && c < 0x7F ? "%c" : "\\u%04X", unsigned(c));
        std::fprintf(stderr, "\n");
    }
    std::abort();
}

// How many event turns a call takes, and how long its result is.
std::pair<int, std::size_t> Shape(std::wstring text, const std::wstring& find,
                                  const std::wstring& replacement) {
    int turns = 0;
    const std::size_t length = ReplaceText(text, find, replacement, [&turns] { ++turns; }).size();
    return {turns, length};
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (!std::setlocale(LC_CTYPE, "C.UTF-8")) Fail("no C.UTF-8 locale", {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::wstring> in(3); // the last one takes the rest, NULs included
    for (std::size_t i = 0, part = 0; i < size; ++i) {
        if (data[i] == 0 && part < 2)
            ++part;
        else
            in[part] += DecodeByte(data[i]);
    }
    const std::wstring &text = in[0], &find = in[1], &replacement = in[2];
    std::wstring variable = text, nested;
    int turns = 0;
    const std::wstring result = ReplaceText(variable, find, replacement, [&] {
        if (turns++ > 0) return;
        std::wstring again = text; // an event handler may run ReplaceText in the middle of a call
        nested = ReplaceText(again, find, replacement, [] {});
    });
    if (variable != result) Fail("the result is not left in the caller's variable", in);
    if (nested != result) Fail("a call nested in an event turn gives another result", in);
    const long grown = static_cast<long>(result.size()) - static_cast<long>(text.size());
    const long each = static_cast<long>(replacement.size()) - static_cast<long>(find.size());
    if (turns < 1 || (grown != turns * each && !(turns == 1 && result == text)))
        Fail("not one event turn per replacement, or one for none", in);
    for (auto textCase : {std::towlower, std::towupper})
        for (auto findCase : {std::towlower, std::towupper})
            if (Shape(Cased(text, textCase), Cased(find, findCase), replacement) !=
                std::pair<int, std::size_t>(turns, result.size()))
                Fail("letter case has a say in what is replaced", in);
    return 0;
}
