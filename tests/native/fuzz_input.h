#pragma once
// What the fuzz targets share: turning libFuzzer's bytes into texts, and failing loudly.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz {

// One byte to one character as code page 1252 decodes it, so that the texts look like the
// ones AOL's windows hand over. The five bytes 1252 leaves undefined bring in what a window
// could still contain: NUL, and characters whose case mapping is outside 1252.
inline wchar_t DecodeByte(std::uint8_t b) {
    static const wchar_t high[32] = {
        0x20AC, 0x0000, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x0130, 0x017D, 0x212A, // 88
        0x1E9E, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x0391, 0x017E, 0x0178, // 98
    };
    return b >= 0x80 && b < 0xA0 ? high[b - 0x80] : static_cast<wchar_t>(b);
}

// Splits the input at byte 0 into `count` texts; the last one takes the rest, NULs included.
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

// The text as C-style escapes, for the report of a failed check.
inline std::string Show(const std::wstring& text) {
    std::string shown = "\"";
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != L'"' && c != L'\\') {
            shown += static_cast<char>(c);
        } else {
            char escaped[16];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", static_cast<unsigned>(c));
            shown += escaped;
        }
    }
    return shown + "\"";
}

// A broken invariant is a finding: abort, so that libFuzzer keeps the input.
[[noreturn]] inline void Fail(const char* what, const std::vector<std::wstring>& texts) {
    std::fprintf(stderr, "\nINVARIANT BROKEN: %s\n", what);
    for (const std::wstring& text : texts)
        std::fprintf(stderr, "  %s\n", Show(text).c_str());
    std::abort();
}

} // namespace fuzz
