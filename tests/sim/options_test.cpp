// The simulated client's option words: the tests and the demo drive it through these alone.
#include "sim/options.h"

#include <gtest/gtest.h>

namespace {

using sim::ParseOptions;

TEST(SimOptions, WordsHonourQuotesAndKeepEmptyWords) {
    std::string error;
    auto words = sim::SplitWords(R"(--a "two words" "" x\"y  "C:\dir\f.txt")", error);
    EXPECT_EQ(error, "");
    EXPECT_EQ(words, (std::vector<std::string>{"--a", "two words", "", "x\"y", "C:\\dir\\f.txt"}));
    sim::SplitWords("--a \"open", error);
    EXPECT_NE(error, "");
}

TEST(SimOptions, TextEscapesGiveNulsBytesAndRepeats) {
    std::string error;
    EXPECT_EQ(sim::DecodeText(R"(a\0b\\c\xB7)", error), std::string("a\0b\\c\xB7", 6));
    EXPECT_EQ(sim::DecodeText(R"(\0\{99})", error), std::string(100, '\0'));
    EXPECT_EQ(sim::DecodeText(R"(x\{1048575})", error).size(), 1048576u);
    EXPECT_EQ(error, "");
    for (const char* bad : {R"(\q)", R"(\{3})", R"(a\{x})", R"(a\xZ1)", "a\\"}) {
        error.clear();
        sim::DecodeText(bad, error);
        EXPECT_NE(error, "") << bad;
    }
}

TEST(SimOptions, OptionsSetTheirFieldsAndNoFormsClearFlags) {
    auto parsed =
        ParseOptions("--version 5.0 --rooms 2 --decoys 3 --transfer --transfer-first "
                     "--transfer-caption \"File Transfer - 7% - x\" --transfer-close-after 2 "
                     "--transcript C:\\t.txt --hang 50 --close");
    ASSERT_EQ(parsed.error, "");
    const sim::Options& o = parsed.options;
    EXPECT_EQ(o.menu.version, "5.0");
    EXPECT_EQ(o.room.rooms, 2);
    EXPECT_EQ(o.room.decoys, 3);
    EXPECT_TRUE(o.transfer.open && o.transfer.first && o.transfer.hasCaption);
    EXPECT_EQ(o.transfer.caption, "File Transfer - 7% - x");
    EXPECT_EQ(o.transfer.closeAfterReads, 2);
    EXPECT_EQ(o.transcript, "C:\\t.txt");
    EXPECT_EQ(o.hangMs, 50);
    EXPECT_TRUE(o.close);
    EXPECT_FALSE(sim::InputIsFirst(o)); // 5 is not above 5

    auto next = ParseOptions("--no-transfer --transfer-close-after never --input first", o);
    ASSERT_EQ(next.error, "");
    EXPECT_FALSE(next.options.transfer.open);
    EXPECT_TRUE(next.options.transfer.first); // kept from the base
    EXPECT_EQ(next.options.transfer.closeAfterReads, -1);
    EXPECT_TRUE(sim::InputIsFirst(next.options));
    EXPECT_FALSE(next.options.close); // one-shot requests are not carried on
    EXPECT_EQ(next.options.hangMs, 0);
}

TEST(SimOptions, BadWordsChangeNothing) {
    auto base = ParseOptions("--rooms 2").options;
    for (const char* bad : {"--rooms 3", "--rooms", "--rooms -1", "--rooms 1x", "--version 9.0",
                            "--bogus", "stray", "--menu-item x", "--menu-plain a --menu-fill 2",
                            "--input third", "--no-rooms", "--transfer-percent 101"}) {
        auto parsed = ParseOptions(std::string("--decoys 4 ") + bad, base);
        EXPECT_NE(parsed.error, "") << bad;
        EXPECT_EQ(parsed.options.room.decoys, 0) << bad;
        EXPECT_EQ(parsed.options.room.rooms, 2) << bad;
    }
}

TEST(SimOptions, CustomMenuIsBuiltInOrderAndReset) {
    auto parsed = ParseOptions("--menu-bar File --menu-item \"About (AOL 7.0)\" --menu-fill 3 "
                               "--menu-plain Go --menu-bar-fill 2");
    ASSERT_EQ(parsed.error, "");
    const auto& bar = parsed.options.menu.custom;
    ASSERT_EQ(bar.size(), 4u);
    EXPECT_EQ(bar[0].items,
              (std::vector<std::string>{"About (AOL 7.0)", "Item 1", "Item 2", "Item 3"}));
    EXPECT_FALSE(bar[1].hasSubmenu);
    EXPECT_EQ(bar[3].text, "Bar 2");
    EXPECT_TRUE(ParseOptions("--menu-reset", parsed.options).options.menu.custom.empty());
}

} // namespace
