#include "chat/version_number.h"

#include <gtest/gtest.h>

TEST(VersionNumber, TheVersionTextsAreTheNumbersTheySpell) {
    const std::pair<const wchar_t*, double> versions[] = {{L"2.5", 2.5}, {L"3.0", 3}, {L"4.0", 4},
                                                          {L"5.0", 5},   {L"6.0", 6}, {L"7.0", 7},
                                                          {L"8.0", 8}};
    for (const auto& [text, number] : versions) {
        ASSERT_TRUE(ReadVersionNumber(text)) << text;
        EXPECT_EQ(*ReadVersionNumber(text), number) << text;
    }
    // 5 is not above 5: the classic path.
    EXPECT_FALSE(*ReadVersionNumber(L"5.0") > 5.0);
    EXPECT_TRUE(*ReadVersionNumber(L"6.0") > 5.0);
}

TEST(VersionNumber, AnythingElseIsNoNumber) {
    for (const wchar_t* text :
         {L"n/a", L"", L".", L"8.", L".5", L"8.0.1", L" 8.0", L"8,0", L"-8", L"inf", L"0x8"})
        EXPECT_FALSE(ReadVersionNumber(text)) << text;
}
