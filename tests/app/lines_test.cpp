// The lines Snorva posts, the minutes counter's text and the run-time error box's text.
#include "app/errors.h"
#include "app/lines.h"
#include "aol/aol.h"

#include <gtest/gtest.h>

namespace {

const std::string kPrefix =
    "<font face=\"arial black\"><font color=#0099FF>::</font> <font face=\"arial narrow\">";

// What reaches the room: the line in the ANSI code page (1252 here).
std::string Bytes(const std::wstring& line) {
    return ToAnsi(line);
}

TEST(Lines, GreetingAndUnloadLinesAreExactToTheByte) {
    EXPECT_EQ(Bytes(lines::StartupByLine()),
              kPrefix + "<b>Snorva</b>   <b>B</b>y <b>Z</b>ibbet</font>");
    EXPECT_EQ(Bytes(lines::LoadsLine(L"0")),
              kPrefix + "<b>U</b>ser: <b>Z</b>ibbet \xB7 <b>L</b>oads: <b>0</font>");
    EXPECT_EQ(Bytes(lines::UnloadByLine()),
              kPrefix + "<b>Snorva</b>  <b>B</b>y <b>Z</b>ibbet</font>");
    EXPECT_EQ(Bytes(lines::UnloadsLine(L"0")),
              kPrefix + "<b>U</b>ser: <b>Z</b>ibbet \xB7 <b>U</b>nloads: <b>0</font>");
    EXPECT_EQ(Bytes(lines::EngagedLine()),
              kPrefix + "<b>Snorva</b> : <b>I</b>dler <b>E</b>ngaged</font>");
    EXPECT_EQ(Bytes(lines::DisengagedLine()),
              kPrefix + "<b>Snorva</b> : <b>I</b>dler <b>D</b>isengaged</font>");
}

TEST(Lines, TickLinesCarryTheirFieldsAsTheyCome) {
    EXPECT_EQ(Bytes(lines::UserLine(L"12")),
              kPrefix + "<b>Snorva</b> : <b>U</b>ser: <b>Z</b>ibbet [12]</font>");
    EXPECT_EQ(Bytes(lines::DownloadLine(L"n/a", L"n/a", L"n/a")),
              kPrefix + "<b>Snorva</b> : <b>F</b>ile <b>d</b>l: n/a, n/a%, n/al</font>");
    // NULs and markup go in untouched; the room sees the line up to the first NUL.
    std::wstring withNul = lines::DownloadLine(std::wstring(L"a\0b", 3), L"<i>5", L" 2 ");
    EXPECT_EQ(withNul.size(), lines::DownloadLine(L"ab", L"<i>5", L" 2 ").size() + 1);
    EXPECT_NE(withNul.find(L"a\0b, <i>5%,  2 l</font>", 0, 22), std::wstring::npos);
}

TEST(Counter, ReadsWholeNumbersAndCountsAnythingElseAsZero) {
    EXPECT_EQ(lines::CounterValue(L"0"), 0);
    EXPECT_EQ(lines::CounterValue(L"41"), 41);
    EXPECT_EQ(lines::CounterValue(L""), 0);
    EXPECT_EQ(lines::CounterValue(L"abc"), 0);
}

TEST(Counter, WritesPlainDigits) {
    EXPECT_EQ(lines::CounterText(1), L"1");
    EXPECT_EQ(lines::CounterText(1000000), L"1000000");        // no grouping
    EXPECT_EQ(lines::CounterText(1e16), L"10000000000000000"); // no exponent
    // Ticks go 1, 2, 3 from the design's "0" through the caption itself.
    std::wstring caption = L"0";
    for (int i = 1; i <= 3; ++i)
        caption = lines::CounterText(lines::CounterValue(caption) + 1);
    EXPECT_EQ(caption, L"3");
}

TEST(ErrorBox, NamesTheErrorThenItsMessageThenTheHint) {
    EXPECT_EQ(RunTimeErrorText(InvalidPicture()), L"Run-time error '481':\n\nInvalid picture");
    EXPECT_EQ(RunTimeErrorText(EntryPointNotFound(L"MakeRgn", L"REGION.DLL")),
              L"Run-time error '453':\n\nCan't find DLL entry point MakeRgn in REGION.DLL");
    EXPECT_EQ(RunTimeErrorText(TypeMismatch(L"Start AOL.")),
              L"Run-time error '13':\n\nType mismatch\n\nStart AOL.");
}

} // namespace
