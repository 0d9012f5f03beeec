#include "download/replace_text.h"

#include <gtest/gtest.h>

namespace {

// Runs ReplaceText on a copy and counts the event-handling calls it makes.
struct Replaced {
    std::wstring result;
    std::wstring text; // the caller's variable afterwards
    int pumps = 0;
};

Replaced Replace(const std::wstring& text, const std::wstring& find,
                 const std::wstring& replacement) {
    Replaced r;
    r.text = text;
    r.result = ReplaceText(r.text, find, replacement, [&r] { ++r.pumps; });
    return r;
}

TEST(ReplaceText, DeletesIgnoringCaseAndKeepsTheRestAsItWas) {
    EXPECT_EQ(Replace(L"Now Downloading ABC.ZIP", L"now ", L"").result, L"Downloading ABC.ZIP");
    // The 'is ' inside 'This ' goes as well as the word.
    EXPECT_EQ(Replace(L"This is it", L"IS ", L"").result, L"Thit");
    EXPECT_EQ(Replace(L"xÉtÉ", L"été", L"").result, L"x");
    // The replacement goes in with its own letter case.
    const Replaced r = Replace(L"aXbxc", L"x", L"-Y-");
    EXPECT_EQ(r.result, L"a-Y-b-Y-c");
    EXPECT_EQ(r.text, r.result);
}

TEST(ReplaceText, NeverSearchesInsertedOrJoinedText) {
    EXPECT_EQ(Replace(L"aaa", L"a", L"aa").result, L"aaaaaa");
    EXPECT_EQ(Replace(L"ab", L"b", L"bb").result, L"abb");
    // The 'AOL ' that arises where head and tail meet stays for this call.
    EXPECT_EQ(Replace(L"AOAOL L x", L"AOL ", L"").result, L"AOL x");
    // Non-overlapping, left to right.
    EXPECT_EQ(Replace(L"aaaa", L"aa", L"b").result, L"bb");
    EXPECT_EQ(Replace(L"aaa", L"aa", L"").result, L"a");
}

TEST(ReplaceText, MatchesAtTheEdges) {
    EXPECT_EQ(Replace(L"45%", L"%", L"").result, L"45");
    EXPECT_EQ(Replace(L"%45%", L"%", L"").result, L"45");
    EXPECT_EQ(Replace(L"abc", L"ABC", L"").result, L"");
    EXPECT_EQ(Replace(L"abc", L"c", L"xyz").result, L"abxyz");
}

TEST(ReplaceText, LeavesTheTextWhenNothingMatches) {
    for (const auto& [text, find] : {std::pair<std::wstring, std::wstring>{L"abc", L"x"},
                                     {L"abc", L""},
                                     {L"", L""},
                                     {L"", L"a"},
                                     {L"ab", L"abc"}}) {
        const Replaced r = Replace(text, find, L"zz");
        EXPECT_EQ(r.result, text) << "find '" << std::string(find.begin(), find.end()) << "'";
        EXPECT_EQ(r.text, text);
        EXPECT_EQ(r.pumps, 1);
    }
}

TEST(ReplaceText, HandlesEventsOncePerReplacement) {
    EXPECT_EQ(Replace(L"aXbXc", L"x", L"--").pumps, 2);
    EXPECT_EQ(Replace(L"aaa", L"a", L"aa").pumps, 3);
    EXPECT_EQ(Replace(L"45%", L"%", L"").pumps, 1);
}

TEST(ReplaceText, AWindowFullOfMatchesTakesNoLongerThanReadingIt) {
    // A million deletions: re-joining the whole text per replacement would take hours here.
    const Replaced r = Replace(std::wstring(1 << 20, L'%') + L"45", L"%", L"");
    EXPECT_EQ(r.result, L"45");
    EXPECT_EQ(r.pumps, 1 << 20);
}

TEST(ReplaceText, AHandlerMayReplaceAgainInTheMiddle) {
    std::wstring text = L"a.b.c";
    std::wstring other = L"XyX";
    std::wstring nested;
    const std::wstring result = ReplaceText(text, L".", L"", [&] {
        if (nested.empty()) nested = ReplaceText(other, L"x", L"", [] {});
    });
    EXPECT_EQ(result, L"abc");
    EXPECT_EQ(nested, L"y");
}

} // namespace
