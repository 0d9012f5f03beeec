#pragma once
// What the fuzz targets share: libFuzzer's bytes turned into texts such as AOL's windows hand
// over, loud failures, and plain models of the text rules written for clarity rather than
// speed, with nothing taken from the code they check.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string>
#include <vector>

namespace fuzz {

// One byte to one character as code page 1252 decodes it. The five bytes 1252 leaves undefined
// bring in what a window could still hold: NUL, and letters whose other case is outside 1252.
inline wchar_t DecodeByte(std::uint8_t b) {
    static const wchar_t high[32] = {
        0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x0130, 0x017D, 0x212A, 0x1E9E, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0391, 0x017E, 0x0178};
    return b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<wchar_t>(b);
}

// The input split at byte 0 into `count` texts; the last one takes the rest, NULs included.
inline std::vector<std::wstring> DecodeTexts(const std::uint8_t* data, std::size_t size,
                                             std::size_t count) {
    std::vector<std::wstring> texts(count);
    std::size_t part = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && part + 1 < count)
            ++part;
        else
            texts[part] += DecodeByte(data[i]);
    }
    return texts;
}

// A broken rule is a finding: abort, so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what, const std::vector<std::wstring>& texts) {
    std::fprintf(stderr, "\nINVARIANT BROKEN: %s\n", what);
    for (const std::wstring& text : texts) {
        for (wchar_t c : text)
            std::fprintf(stderr, c >= 0x20 && c < 0x7F ? "%c" : "\\u%04X", unsigned(c));
        std::fprintf(stderr, "\n");
    }
    std::abort();
}

// The C library's lower case (with a UTF-8 LC_CTYPE), kept within code page 1252, so that one
// character stays one character of the texts AOL hands over: those of its defined bytes.
inline bool InCodePage1252(wchar_t c) {
    if (c >= 0 && c <= 0xFF) return true;
    for (std::uint8_t undefined : {0x8D, 0x8F, 0x90, 0x9D})
        if (c == DecodeByte(undefined)) return false;
    for (std::uint8_t b = 0x80; b < 0xA0; ++b)
        if (c == DecodeByte(b)) return true;
    return false;
}
inline wchar_t Lower(wchar_t c) {
    const wchar_t lower = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return InCodePage1252(c) && InCodePage1252(lower) ? lower : c;
}
inline std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = Lower(c);
    return text;
}
struct Replaced {
    std::wstring text;
    int replacements = 0;
};

// One pass over the text as given, left to right: an occurrence is replaced and skipped whole,
// so inserted text and overlapping occurrences are never looked at.
inline Replaced Replace(const std::wstring& text, const std::wstring& find,
                        const std::wstring& replacement) {
    Replaced r;
    const std::wstring lowerText = Lower(text), lowerFind = Lower(find);
    for (std::size_t at = 0; at < text.size();) {
        if (!find.empty() && lowerText.compare(at, find.size(), lowerFind) == 0) {
            r.text += replacement;
            ++r.replacements;
            at += find.size();
        } else {
            r.text += text[at++];
        }
    }
    return r;
}

// Deletions one word after another as the field rules make them, counting the event turns:
// one per deletion, or one for a word that is not there.
inline std::wstring DeleteWords(std::wstring text, const std::vector<std::wstring>& words,
                                int& turns) {
    for (const std::wstring& word : words) {
        Replaced r = Replace(text, word, L"");
        turns += r.replacements == 0 ? 1 : r.replacements;
        text = r.text;
    }
    return text;
}

} // namespace fuzz
