// The simulated client's windows, as another thread or process sees them: the child order, the
// menu bar, posting into the chosen input, and the transfer window's test behaviours.
#include "sim/sim.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <sstream>

namespace {

std::vector<HWND> Children(HWND parent, const char* cls) {
    std::vector<HWND> found;
    for (HWND h = FindWindowExA(parent, nullptr, cls, nullptr); h;
         h = FindWindowExA(parent, h, cls, nullptr))
        found.push_back(h);
    return found;
}

HWND Frame() {
    return FindWindowA("aol frame25", nullptr);
}
HWND Mdi() {
    return FindWindowExA(Frame(), nullptr, "mdiclient", nullptr);
}
std::vector<HWND> AolChildren() {
    return Children(Mdi(), "aol child");
}

std::string Text(HWND hwnd) {
    auto length = SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0);
    std::string text(length, '\0');
    SendMessageA(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()));
    return text;
}

std::string Caption(HWND hwnd) {
    std::string text(GetWindowTextLengthA(hwnd), '\0');
    GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()) + 1);
    return text;
}

void Post(HWND input, const std::string& line) {
    SendMessageA(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(line.c_str()));
    SendMessageA(input, WM_CHAR, 13, 0);
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

// Each test runs its own client and transcript.
class SimClient : public ::testing::Test {
  protected:
    void Start(const std::string& options) {
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        transcript_ = std::string(dir) + "sim_test_transcript.txt";
        DeleteFileA(transcript_.c_str());
        ASSERT_TRUE(
            sim::StartInProcess("--hidden --transcript \"" + transcript_ + "\" " + options));
    }
    void TearDown() override { sim::StopInProcess(); }
    std::string Transcript() { return Slurp(transcript_); }
    std::string transcript_;
};

TEST_F(SimClient, ChildOrderFollowsTheOptions) {
    Start("--decoys 5 --rooms 2 --transfer --lookalike");
    auto children = AolChildren();
    ASSERT_EQ(children.size(), 9u);
    EXPECT_EQ(Caption(children[0]), "File Transfer - 50%"); // the look-alike
    const char* classes[] = {"RICHCNTL", "_AOL_Listbox", "_AOL_Icon", "_AOL_Static"};
    for (int i = 0; i < 5; ++i) {
        int present = 0;
        for (int k = 0; k < 4; ++k) {
            bool has = FindWindowExA(children[1 + i], nullptr, classes[k], nullptr) != nullptr;
            EXPECT_EQ(has, k != i % 4) << "decoy " << i << " class " << classes[k];
            present += has;
        }
        EXPECT_EQ(present, 3);
    }
    EXPECT_EQ(Caption(children[6]), "room1");
    EXPECT_EQ(Caption(children[7]), "room2");
    EXPECT_EQ(Caption(children[8]), "File Transfer - 0%");

    ASSERT_TRUE(sim::Control("--transfer-first --no-lookalike --decoys 0"));
    children = AolChildren();
    ASSERT_EQ(children.size(), 3u);
    EXPECT_EQ(Caption(children[0]), "File Transfer - 0%");
    EXPECT_EQ(Caption(children[1]), "room1");
}

TEST_F(SimClient, MenuBarTellsTheVersion) {
    Start("--version 2.5");
    auto barCount = [] { return GetMenuItemCount(GetMenu(Frame())); };
    auto allItems = [] {
        std::string all;
        HMENU bar = GetMenu(Frame());
        for (int i = 0; i < GetMenuItemCount(bar); ++i) {
            HMENU sub = GetSubMenu(bar, i);
            for (int j = 0; j < GetMenuItemCount(sub); ++j) {
                char text[100] = {};
                GetMenuStringA(sub, GetMenuItemID(sub, j), text, 100, MF_BYCOMMAND);
                all += std::string(text) + "|";
            }
        }
        return all;
    };
    EXPECT_EQ(barCount(), 7);
    EXPECT_EQ(allItems().find("AOL"), std::string::npos);
    ASSERT_TRUE(sim::Control("--version 3.0"));
    EXPECT_EQ(barCount(), 8);
    for (const char* v : {"4.0", "5.0", "6.0", "7.0", "8.0"}) {
        ASSERT_TRUE(sim::Control(std::string("--version ") + v));
        EXPECT_NE(barCount(), 7);
        EXPECT_NE(barCount(), 8);
        EXPECT_NE(allItems().find(std::string("(AOL ") + v + ")"), std::string::npos) << v;
    }
    ASSERT_TRUE(sim::Control("--version unknown"));
    EXPECT_EQ(allItems().find("AOL "), std::string::npos);
    ASSERT_TRUE(sim::Control("--version none"));
    EXPECT_EQ(barCount(), -1);
}

// Wine builds a menu in time quadratic in its items; 40,000 must still come in reasonable time.
TEST_F(SimClient, CustomMenuReplacesTheBarEvenWhenHuge) {
    Start("--version 8.0 --menu-bar Big --menu-fill 40000 --menu-plain Plain");
    HMENU bar = GetMenu(Frame());
    ASSERT_EQ(GetMenuItemCount(bar), 2);
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(bar, 0)), 40000);
    EXPECT_EQ(GetSubMenu(bar, 1), nullptr);
    char text[100] = {};
    HMENU big = GetSubMenu(bar, 0);
    GetMenuStringA(big, GetMenuItemID(big, 39999), text, 100, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Item 40000");
    ASSERT_TRUE(sim::Control("--version 3.0")); // the custom bar stays
    EXPECT_EQ(GetMenu(Frame()), bar);
    ASSERT_TRUE(sim::Control("--menu-reset"));
    EXPECT_EQ(GetMenuItemCount(GetMenu(Frame())), 8);
}

// Only the input of the version's path posts, byte for byte, into the transcript.
TEST_F(SimClient, OnlyTheChosenInputPosts) {
    Start("--version 8.0 --rooms 2");
    auto rooms = AolChildren();
    ASSERT_EQ(rooms.size(), 2u);
    auto rich = Children(rooms[0], "richcntl");
    ASSERT_EQ(rich.size(), 2u);
    Post(rich[1], "into the conversation");
    const std::string line = "<font color=#0099FF>::</font> x\xB7y\ttab";
    Post(rich[0], line);
    Post(Children(rooms[1], "RICHCNTL")[0], "second room");
    std::string transcript = Transcript();
    EXPECT_EQ(transcript.find("into the conversation"), std::string::npos);
    auto first = transcript.find('\t');
    ASSERT_NE(first, std::string::npos);
    double ms = std::stod(transcript.substr(0, first));
    EXPECT_GT(ms, 0.0);
    EXPECT_EQ(transcript[first - 4], '.'); // three decimals
    EXPECT_EQ(transcript.substr(first, line.size() + 8), "\troom1\t" + line + "\n");
    EXPECT_NE(transcript.find("\troom2\tsecond room\n"), std::string::npos);
    EXPECT_EQ(Text(rich[0]), ""); // the input is empty again
    EXPECT_EQ(Text(rich[1]), line);

    ASSERT_TRUE(sim::Control("--version 5.0 --rooms 1"));
    rich = Children(AolChildren()[0], "RICHCNTL");
    Post(rich[0], "classic first");
    Post(rich[1], "classic second");
    transcript = Transcript();
    EXPECT_EQ(transcript.find("classic first"), std::string::npos);
    EXPECT_NE(transcript.find("\troom1\tclassic second\n"), std::string::npos);
    EXPECT_EQ(Text(rich[0]), line + "\r\nclassic second"); // kept over the rebuild
}

TEST_F(SimClient, RoomThatClosesOnTextTakesNoLine) {
    Start("--version 6.0 --room-closes-on-text");
    HWND room = AolChildren().at(0);
    Post(Children(room, "RICHCNTL").at(0), "lost");
    EXPECT_FALSE(IsWindow(room));
    EXPECT_TRUE(AolChildren().empty());
    EXPECT_EQ(Transcript(), "");
}

TEST_F(SimClient, TransferTextsAreAnsweredInFull) {
    Start("--transfer --transfer-file a.zip --transfer-percent 40 --transfer-minutes 10");
    HWND transfer = AolChildren().back();
    auto statics = Children(transfer, "_AOL_Static");
    ASSERT_EQ(statics.size(), 2u);
    EXPECT_EQ(Caption(transfer), "File Transfer - 40%");
    EXPECT_EQ(Text(statics[0]), "Now Downloading a.zip");
    EXPECT_EQ(Text(statics[1]), "about 10 minutes remaining.");

    ASSERT_TRUE(sim::Control(R"(--transfer-caption "File Transfer\0 - 5%" --transfer-static1 )"
                             R"("Now Downloading x\{1048575}" --transfer-static1-extra 3 )"
                             "--transfer-caption-extra 2 --transfer-single-static"));
    transfer = AolChildren().back();
    statics = Children(transfer, "_AOL_Static");
    ASSERT_EQ(statics.size(), 1u);
    std::string first = Text(statics[0]);
    EXPECT_EQ(first.size(), 16u + 1048576u + 3u);
    EXPECT_EQ(first.substr(first.size() - 4), std::string("x\0\0\0", 4));
    EXPECT_EQ(Caption(transfer), std::string("File Transfer\0 - 5%\0\0", 21));

    // Ticks only add, so a tick of the real timer in between cannot make this pass wrongly.
    ASSERT_TRUE(sim::Control("--transfer-reset --transfer --transfer-percent 97 "
                             "--transfer-minutes 1 --transfer-speed 1"));
    transfer = AolChildren().back();
    HWND timeLeft = Children(transfer, "_AOL_Static").at(1);
    EXPECT_EQ(Text(timeLeft), "about 1 minute remaining.");
    SendMessageA(Frame(), WM_TIMER, 1, 0);
    EXPECT_NE(Caption(transfer), "File Transfer - 97%");
    EXPECT_EQ(Text(timeLeft), "less than a minute remaining.");
    for (int i = 0; i < 3; ++i)
        SendMessageA(Frame(), WM_TIMER, 1, 0);
    EXPECT_FALSE(IsWindow(transfer)); // done at 100%
}

TEST_F(SimClient, TransferClosesAfterGivenReads) {
    Start("--transfer --transfer-close-after 2");
    HWND transfer = AolChildren().back();
    HWND first = Children(transfer, "_AOL_Static").at(0);
    EXPECT_EQ(Text(first), "Now Downloading snorva_demo.zip");
    EXPECT_EQ(Text(first), "Now Downloading snorva_demo.zip");
    EXPECT_EQ(Caption(transfer), "File Transfer - 0%"); // still there after two reads
    EXPECT_EQ(SendMessageA(first, WM_GETTEXTLENGTH, 0, 0), 0);
    EXPECT_FALSE(IsWindow(transfer));
    ASSERT_TRUE(sim::Control("--transfer")); // starting again at run time
    EXPECT_EQ(Caption(AolChildren().back()), "File Transfer - 0%");
    ASSERT_TRUE(sim::Control("--no-transfer"));
    EXPECT_EQ(AolChildren().size(), 1u);
}

TEST_F(SimClient, ControlAnswersHangsAndCloses) {
    Start("--rooms 0");
    EXPECT_FALSE(sim::Control("--rooms 5"));
    EXPECT_TRUE(AolChildren().empty());
    ASSERT_TRUE(sim::Control("--hang 600"));
    DWORD_PTR answer = 0;
    EXPECT_EQ(SendMessageTimeoutA(Frame(), WM_NULL, 0, 0, SMTO_NORMAL, 200, &answer), 0);
    Sleep(600);
    EXPECT_NE(SendMessageTimeoutA(Frame(), WM_NULL, 0, 0, SMTO_NORMAL, 200, &answer), 0);
    ASSERT_TRUE(sim::Control("--close"));
    EXPECT_EQ(Frame(), nullptr);
    EXPECT_FALSE(sim::Control("--rooms 1"));
}

// The client as its own program: bad options end it with status 2; commands reach it.
TEST(AolSim, RunsAsItsOwnProgram) {
    auto run = [](const std::string& args, PROCESS_INFORMATION& process) {
        std::string line = "\"" AOLSIM_EXE "\" " + args;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &startup, &process) != 0;
    };
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(run("--rooms 7", process));
    DWORD status = 0;
    WaitForSingleObject(process.hProcess, 10000);
    GetExitCodeProcess(process.hProcess, &status);
    EXPECT_EQ(status, 2u);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);

    ASSERT_TRUE(run("--hidden --version 3.0 --decoys 2", process));
    for (int i = 0; i < 500 && !Mdi(); ++i)
        Sleep(10);
    for (int i = 0; i < 500 && AolChildren().size() < 3; ++i)
        Sleep(10);
    EXPECT_EQ(AolChildren().size(), 3u);
    EXPECT_TRUE(sim::Control("--decoys 0"));
    EXPECT_EQ(AolChildren().size(), 1u);
    EXPECT_FALSE(sim::Control("--nonsense"));
    EXPECT_TRUE(sim::Control("--close"));
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    GetExitCodeProcess(process.hProcess, &status);
    EXPECT_EQ(status, 0u);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

} // namespace
