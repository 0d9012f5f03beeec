#pragma once
// What Snorva and the menu helper inside the AOL client agree on: the name of the shared memory
// of one request, and its layout. Both sides treat the other's half as untrusted.
#include <cstdint>

namespace menureply {

// Asked for with WM_NULL, wParam = the asking process's id, lParam = the request's number.
// The shared memory of that request, "Local\\snorva-menu-<process>-<request>", is named after
// both, so every request has its own.
constexpr int kNameSize = 48;

inline void FormatName(char (&name)[kNameSize], std::uint32_t process, std::uint32_t request) {
    constexpr char prefix[] = "Local\\snorva-menu-";
    char* out = name;
    for (const char* p = prefix; *p; ++p)
        *out++ = *p;
    auto decimal = [&out](std::uint32_t n) {
        char digits[10];
        int count = 0;
        do
            digits[count++] = static_cast<char>('0' + n % 10);
        while (n /= 10);
        while (count)
            *out++ = digits[--count];
    };
    decimal(process);
    *out++ = '-';
    decimal(request);
    *out = '\0';
}

constexpr std::uint32_t kMagic = 0x554E4D53; // "SMNU"
// Bytes of the buffer each submenu item's text is fetched into, filled with spaces first; the
// version probe reads the same size directly where it can.
constexpr std::uint32_t kTextCapacity = 100;

enum State : std::int32_t {
    Pending = 0,  // written by the asker
    Answered = 1, // the helper wrote the answers
    TooSmall = 2, // the answers did not fit: `needed` holds the size they take
};

// At the start of the shared memory; the asker fills the first three fields and `state`.
struct Header {
    std::uint32_t magic;
    std::uint32_t window; // the window whose menu bar is asked for
    std::uint32_t size;   // bytes of the shared memory, this header included
    std::int32_t state;
    std::int32_t barCount;   // the bar's GetMenuItemCount
    std::uint32_t itemCount; // submenu items in all
    std::uint32_t needed;    // with TooSmall
    std::uint32_t reserved;
};
// After the header: one int32 per bar position (its submenu's GetMenuItemCount, -1 for none),
// then kTextCapacity bytes per submenu item in probe order (bar position, then item position).

// Bytes that answers of this shape take, or more than any uint32 when they cannot be stored.
inline std::uint64_t AnswerSize(std::int64_t barCount, std::uint64_t itemCount) {
    std::uint64_t bar = barCount > 0 ? static_cast<std::uint64_t>(barCount) : 0;
    return sizeof(Header) + bar * sizeof(std::int32_t) + itemCount * kTextCapacity;
}

} // namespace menureply
