// Snorva's rules that need no other program: letter case, case-blind replacing, the minutes
// counter, and Pause.
#include "core/lines.h"
#include "core/lower_case.h"
#include "core/replace_text.h"
#include "win/events.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

namespace {

TEST(ReplaceText, LeftToRightIgnoringCaseNeverSearchingWhatItInserted) {
    const struct {
        std::wstring text, find, replacement, result;
        int pumps; // events handled: once per replacement, or once for none
    } rows[] = {{L"x\u00C9t\u00C9", L"\u00E9t\u00E9", L"", L"x", 1},
                {L"aXbxc", L"x", L"-Y-", L"a-Y-b-Y-c", 2}, // in its own case
                {L"AOAOL L x", L"AOL ", L"", L"AOL x", 1}, // what head and tail make stays
                {L"aaa", L"a", L"aa", L"aaaaaa", 3},
                {L"aaaa", L"aa", L"b", L"bb", 2},
                {L"%45%", L"%", L"", L"45", 2},
                {L"abc", L"ABC", L"", L"", 1},
                {L"abc", L"", L"zz", L"abc", 1},
                {L"", L"a", L"zz", L"", 1},
                {L"ab", L"abc", L"zz", L"ab", 1},
                // Re-joining the whole text per replacement would take hours here.
                {std::wstring(1 << 20, L'%') + L"45", L"%", L"", L"45", 1 << 20}};
    for (const auto& row : rows) {
        std::wstring text = row.text;
        int pumps = 0;
        const std::wstring result = ReplaceText(text, row.find, row.replacement, [&] { ++pumps; });
        EXPECT_EQ(std::tuple(result, text, pumps), std::tuple(row.result, row.result, row.pumps))
            << row.text.substr(0, 40) << " / " << row.find;
    }
    // The handler, run once per replacement, may replace too.
    std::wstring text = L"a.b.c", inner = L"XyX", nested;
    auto again = [&] { nested = nested.empty() ? ReplaceText(inner, L"x", L"", [] {}) : nested; };
    EXPECT_EQ(ReplaceText(text, L".", L"", again), L"abc");
    EXPECT_EQ(nested, L"y");
}

TEST(LowerCase, EveryCapitalOfCodePage1252ToItsSmallLetterAndNothingElseChanges) {
    // Whatever else the code page holds stays: ß, µ, ª and º, which have no capital in it, and
    // × and ÷, which stand between the Latin-1 letters.
    const std::wstring capitals = L"ABCDEFGHIJKLMNOPQRSTUVWXYZÀÁÂÃÄÅÆÇÈÉÊËÌÍÎÏÐÑÒÓÔÕÖØÙÚÛÜÝÞŠŒŽŸ";
    const std::wstring smalls = L"abcdefghijklmnopqrstuvwxyzàáâãäåæçèéêëìíîïðñòóôõöøùúûüýþšœžÿ";
    for (int byte = 0; byte < 256; ++byte) {
        const char ansi = static_cast<char>(byte);
        wchar_t c = 0;
        ASSERT_EQ(MultiByteToWideChar(1252, 0, &ansi, 1, &c, 1), 1);
        const size_t capital = capitals.find(c);
        EXPECT_EQ(LowerCase(std::wstring(1, c)),
                  std::wstring(1, capital == std::wstring::npos ? c : smalls[capital]))
            << "byte " << byte;
    }
}

TEST(Counter, CountsOnFromItsCaptionInPlainDigits) {
    const std::pair<const wchar_t*, const wchar_t*> rows[] = {
        {L"0", L"1"}, {L"9", L"10"}, {L"99", L"100"}, {L"41", L"42"}, {L"", L"1"}, {L"abc", L"1"}};
    for (const auto& [caption, next] : rows)
        EXPECT_EQ(lines::CounterText(lines::CounterValue(caption) + 1), next) << caption;
    EXPECT_EQ(lines::CounterText(1e16), L"10000000000000000"); // no grouping, no exponent
}

std::vector<double> handled; // when each timer was handled, after the pause began
double start = 0;
void CALLBACK Handle(HWND, UINT, UINT_PTR timer, DWORD) {
    handled.push_back(MonotonicSeconds() - start);
    KillTimer(nullptr, timer); // once
}

double CpuSeconds() { // kernel and user time
    FILETIME t[4];
    GetThreadTimes(GetCurrentThread(), &t[0], &t[1], &t[2], &t[3]);
    return 1e-7 * (double(t[2].dwLowDateTime) + t[3].dwLowDateTime +
                   4294967296.0 * (double(t[2].dwHighDateTime) + t[3].dwHighDateTime));
}

TEST(Pause, HandlesWhatArrivesWhenItArrivesAndSleepsInBetween) {
    SetTimer(nullptr, 0, 1, Handle);
    Sleep(50); // due: its WM_TIMER waits to be handled
    for (double none : {0.0, -2.5, std::nan("")})
        Pause(none);
    EXPECT_TRUE(handled.empty()) << "a pause of no time handled events";
    SetTimer(nullptr, 0, 150, Handle);
    const double cpu = CpuSeconds();
    start = MonotonicSeconds();
    Pause(1.5);
    EXPECT_NEAR(MonotonicSeconds() - start, 3.0, 1.5); // a busy machine may stretch it
    EXPECT_LT(CpuSeconds() - cpu, 0.1) << "a spinning pause burns its whole time";
    ASSERT_EQ(handled.size(), 2u);
    EXPECT_TRUE(handled[0] <= handled[1] && handled[1] >= 0.14 && handled[1] < 1.0)
        << "the waiting timer first, the other when due, long before the end: " << handled[1];
}

} // namespace
