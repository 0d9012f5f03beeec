// Chat output against the simulated AOL client running on its own thread in this process.
#include "aol/aol.h"
#include "aol/runtime_error.h"
#include "chat/chat.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Post {
    std::string room;
    std::string bytes;
};

std::string TranscriptPath() {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "snorva-chat-" + std::to_string(GetCurrentProcessId()) + ".txt";
}

// One room per line: "<ms>\t<room>\t<bytes>".
std::vector<Post> ReadPosts(const std::string& path) {
    std::vector<Post> posts;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        size_t first = line.find('\t');
        size_t second = line.find('\t', first + 1);
        if (second == std::string::npos) continue;
        posts.push_back({line.substr(first + 1, second - first - 1), line.substr(second + 1)});
    }
    return posts;
}

class Chat : public ::testing::Test {
  protected:
    void TearDown() override {
        sim::StopInProcess();
        DeleteFileA(transcript_.c_str());
    }
    void StartClient(const std::string& options) {
        DeleteFileA(transcript_.c_str());
        ASSERT_TRUE(sim::StartInProcess(options + " --hidden --transcript \"" + transcript_ + "\""))
            << options;
    }
    std::vector<Post> Posts() const { return ReadPosts(transcript_); }

    std::string transcript_ = TranscriptPath();
};

// The version table itself is read in and across processes by the menu tests.

TEST_F(Chat, NoClientMeansTypeMismatchAndNothingPosted) {
    EXPECT_EQ(AolVersion(), L"n/a");
    StartClient("--version unknown");
    try {
        ChatSend(L"hello");
        FAIL() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.Number(), 13);
        EXPECT_EQ(error.Message(), L"Type mismatch");
    }
    EXPECT_TRUE(Posts().empty());
}

TEST_F(Chat, VersionPicksTheInput) {
    // Above 5 the first RICHCNTL is the input, otherwise the second.
    StartClient("--version 5.0");
    ChatSend(L"five");
    sim::StopInProcess();
    StartClient("--version 6.0");
    ChatSend(L"six");
    sim::StopInProcess();
    StartClient("--version 2.5");
    ChatSend(L"two five");
    ASSERT_EQ(Posts().size(), 1u);
    EXPECT_EQ(Posts()[0].bytes, "two five");
    sim::StopInProcess();

    // The wrong input is the read-only conversation: nothing arrives through it.
    StartClient("--version 5.0 --input first");
    ChatSend(L"lost");
    EXPECT_TRUE(Posts().empty());
    sim::StopInProcess();
    StartClient("--version 6.0 --input second");
    ChatSend(L"lost");
    EXPECT_TRUE(Posts().empty());
}

TEST_F(Chat, PostsIntoTheFirstRealRoom) {
    StartClient("--version 8.0 --decoys 4 --rooms 2 --transfer --transfer-first");
    ChatSend(L"hi");
    std::vector<Post> posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].room, "room1");
}

TEST_F(Chat, NoRoomOrNoInputPostsNothingAndRaisesNothing) {
    StartClient("--version 8.0 --rooms 0 --decoys 3");
    EXPECT_EQ(FindChatRoom(), nullptr);
    EXPECT_NO_THROW(ChatSend(L"nowhere"));
    sim::StopInProcess();

    // A room with a single RICHCNTL: the classic path has no second one to type into.
    StartClient("--version 4.0 --single-input");
    EXPECT_NO_THROW(ChatSend(L"classic"));
    EXPECT_TRUE(Posts().empty());
    sim::StopInProcess();
    StartClient("--version 7.0 --single-input");
    ChatSend(L"modern");
    ASSERT_EQ(Posts().size(), 1u);
    EXPECT_EQ(Posts()[0].bytes, "modern");
}

TEST_F(Chat, LineArrivesByteForByteInTheAnsiCodePage) {
    StartClient("--version 8.0");
    const std::wstring line = L"<font face=\"arial black\"><font color=#0099FF>::</font> "
                              L"<font face=\"arial narrow\"><b>U</b>ser: <b>Z</b>ibbet \u00B7 "
                              L"<b>L</b>oads: <b>0</font>";
    const std::wstring copy = line;
    ChatSend(line);
    EXPECT_EQ(line, copy);
    std::vector<Post> posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].bytes, "<font face=\"arial black\"><font color=#0099FF>::</font> "
                              "<font face=\"arial narrow\"><b>U</b>ser: <b>Z</b>ibbet \xB7 "
                              "<b>L</b>oads: <b>0</font>");
}

} // namespace
