#pragma once
// Straightforward models of the text rules, written for plainness rather than speed, with
// nothing taken from the code they check: the fuzz targets compare the two on every input.
#include <algorithm>
#include <cstddef>
#include <cwctype>
#include <string>
#include <vector>

namespace model {

// Whether code page 1252 can carry the character: the only characters AOL's windows hand
// over, and so the letters whose case the text rules must ignore.
inline bool InCodePage1252(wchar_t c) {
    static const wchar_t extra[] = {0x20AC, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x017D, 0x2018,
                                    0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
                                    0x2122, 0x0161, 0x203A, 0x0153, 0x017E, 0x0178};
    if (c >= 0 && c <= 0xFF) return true;
    for (wchar_t e : extra)
        if (c == e) return true;
    return false;
}

// The C library's simple lower-case mapping (needs a UTF-8 LC_CTYPE), kept within 1252 so
// that one character stays one character of the same repertoire.
inline wchar_t Lower(wchar_t c) {
    const wchar_t lower = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return InCodePage1252(c) && InCodePage1252(lower) ? lower : c;
}

// The other letter case of a letter that has one within 1252; anything else unchanged.
inline wchar_t OtherCase(wchar_t c) {
    const wchar_t upper = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    if (Lower(c) != c) return Lower(c);
    return InCodePage1252(upper) && Lower(upper) == c ? upper : c;
}

inline std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = Lower(c);
    return text;
}

// Whether `find` stands at `at`, both texts already lower-cased.
inline bool MatchesAt(const std::wstring& lowerText, std::size_t at,
                      const std::wstring& lowerFind) {
    return !lowerFind.empty() && at + lowerFind.size() <= lowerText.size() &&
           std::equal(lowerFind.begin(), lowerFind.end(), lowerText.begin() + at);
}

struct Replaced {
    std::wstring text;
    int replacements = 0;
    // Where in the result each inserted replacement ends: the seams where head met tail.
    std::vector<std::size_t> seams;
};

// One pass over the text as given, left to right: an occurrence is replaced and skipped
// whole, so inserted text and overlapping occurrences are never looked at.
inline Replaced Replace(const std::wstring& text, const std::wstring& find,
                        const std::wstring& replacement) {
    Replaced r;
    const std::wstring lowerText = Lower(text);
    const std::wstring lowerFind = Lower(find);
    std::size_t at = 0;
    while (at < text.size()) {
        if (MatchesAt(lowerText, at, lowerFind)) {
            r.text += replacement;
            r.seams.push_back(r.text.size());
            ++r.replacements;
            at += find.size();
        } else {
            r.text += text[at++];
        }
    }
    return r;
}

// Sequential deletions as the field rules make them; counts the event turns they cost.
inline std::wstring DeleteWords(std::wstring text, const std::vector<std::wstring>& words,
                                int& turns) {
    for (const std::wstring& word : words) {
        Replaced r = Replace(text, word, L"");
        turns += r.replacements == 0 ? 1 : r.replacements;
        text = r.text;
    }
    return text;
}

// Whether `piece` can be had from `whole` by only deleting characters.
inline bool IsSubsequence(const std::wstring& piece, const std::wstring& whole) {
    std::size_t i = 0;
    for (std::size_t j = 0; i < piece.size() && j < whole.size(); ++j)
        if (piece[i] == whole[j]) ++i;
    return i == piece.size();
}

} // namespace model
