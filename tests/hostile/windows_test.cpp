// Hostile AOL windows, in process: the simulated client on its own UI thread shows huge texts,
// texts of NULs, a huge menu, and windows that close while Snorva walks them. Each case checks
// the fields and the version Snorva reads, and the line that reaches the room.
#include "app/lines.h"
#include "chat/chat.h"
#include "download/download.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Fields = std::vector<std::wstring>;

constexpr size_t kMegabyte = 1 << 20;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string TranscriptPath() {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + "snorva-hostile-" + std::to_string(GetCurrentProcessId()) + ".txt";
}

// The bytes of each line the room received, from "<ms>\t<room>\t<bytes>\n" records.
std::vector<std::string> ReadPosts(const std::string& path) {
    std::vector<std::string> posts;
    std::ifstream in(path, std::ios::binary);
    std::string record;
    while (std::getline(in, record)) {
        size_t first = record.find('\t');
        size_t second = record.find('\t', first + 1);
        if (first == std::string::npos || second == std::string::npos) continue;
        posts.push_back(record.substr(second + 1));
    }
    return posts;
}

// The download line as the idle tick builds and posts it: the transfer window first, then the
// three fields, each finding the window again. Returns the fields; none when there was no
// transfer window and so no line.
std::optional<Fields> PostDownloadLine() {
    if (!FindTransferWindow()) return std::nullopt;
    Fields fields{DownloadFileName(), DownloadPercent(), DownloadTimeLeft()};
    ChatSend(lines::DownloadLine(fields[0], fields[1], fields[2]));
    return fields;
}

// The bytes the room should receive for a download line of plain ASCII fields.
std::string ExpectedLine(const std::string& file, const std::string& percent,
                         const std::string& timeLeft) {
    std::wstring line = lines::DownloadLine(std::wstring(file.begin(), file.end()),
                                            std::wstring(percent.begin(), percent.end()),
                                            std::wstring(timeLeft.begin(), timeLeft.end()));
    return std::string(line.begin(), line.end());
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

DWORD WINAPI RunWork(void* work) {
    (*static_cast<std::function<void()>*>(work))();
    return 0;
}

// Runs `work` on a thread of its own and waits at most `limitSeconds` for it, giving the time
// it took. Work that overruns ends this test program at once with a failure: it could only go
// on writing into a test that has already moved on.

double TimeWithin(double limitSeconds, const char* what, std::function<void()> work) {
    auto start = Clock::now();
    HANDLE thread = CreateThread(nullptr, 0, RunWork, &work, 0, nullptr);
    if (!thread) {
        ADD_FAILURE() << "no thread for " << what;
        return 0;
    }
    const DWORD waited = WaitForSingleObject(thread, static_cast<DWORD>(limitSeconds * 1000));
    CloseHandle(thread);
    if (waited != WAIT_OBJECT_0) {
        std::printf("[  FAILED  ] %s: not done after %.0f s; ending the test program\n", what,
                    limitSeconds);
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 1);
    }
    return SecondsSince(start);
}

class Hostile : public ::testing::Test {
  protected:
    void TearDown() override {
        if (started_) sim::StopInProcess();
        DeleteFileA(transcript_.c_str());
    }
    void Start(const std::string& options) {
        if (started_) sim::StopInProcess();
        DeleteFileA(transcript_.c_str());
        started_ = sim::StartInProcess(options + " --hidden --transcript \"" + transcript_ + "\"");
        ASSERT_TRUE(started_) << options.substr(0, 200);
    }
    std::vector<std::string> Posts() const { return ReadPosts(transcript_); }

    std::string transcript_ = TranscriptPath();
    bool started_ = false;
};

// ---- Huge texts ----------------------------------------------------------------------------

TEST_F(Hostile, MegabyteTextsGiveTheirFieldsAndTheWholeLineArrives) {
    // Each text is a megabyte: AOL's words where AOL puts them, then filler.
    Start("--version 8.0 --transfer "
          "--transfer-caption \"File Transfer - 45% z\\{1048575}\" "
          "--transfer-static1 \"Now Downloading photo_of_the_day.jpg y\\{1048575}\" "
          "--transfer-static2 \"about 3 minutes remaining. w\\{1048575}\"");
    std::optional<Fields> fields;
    const double seconds =
        TimeWithin(120, "download line from 1 MB texts", [&] { fields = PostDownloadLine(); });
    std::printf("[ time     ] download line from three 1 MB texts: %.2f s\n", seconds);
    ASSERT_TRUE(fields);
    const std::string percent = "45 " + std::string(kMegabyte, 'z');
    const std::string timeLeft = "3 minutes " + std::string(kMegabyte, 'w');
    EXPECT_EQ((*fields)[0], L"photo_of_the_da");
    EXPECT_TRUE((*fields)[1] == Wide(percent)) << (*fields)[1].size();
    EXPECT_TRUE((*fields)[2] == Wide(timeLeft)) << (*fields)[2].size();

    // The chat input takes the whole two-megabyte line: one post, byte for byte.
    const std::string expected = ExpectedLine("photo_of_the_da", percent, timeLeft);
    std::vector<std::string> posts = Posts();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].size(), expected.size());
    EXPECT_TRUE(posts[0] == expected);
}

std::string Repeat(const std::string& piece, size_t totalBytes) {
    std::string text;
    while (text.size() + piece.size() <= totalBytes)
        text += piece;
    return text;
}

TEST_F(Hostile, TextsMadeOfTheDeletedWordsAreDeletedInReasonableTime) {
    // Texts made only of the words the fields delete: a megabyte of "%" in the caption, a
    // quarter of one of "is " and of "ml" in the statics, about 1.2 million deletions. Each
    // deletion handles pending events once (~25 s in all under Wine here); one that rebuilt
    // the whole text each time would take hours.
    Start("--version 8.0 --transfer "
          "--transfer-caption \"File Transfer - %\\{1048575}\" "
          "--transfer-static1 \"Now Downloading " +
          Repeat("is ", kMegabyte / 4) +
          "a.zip\" "
          "--transfer-static2 \"about " +
          Repeat("mL", kMegabyte / 4) + "3 minutes remaining.\"");
    std::optional<Fields> fields;
    const double seconds = TimeWithin(150, "download line from texts of deleted words",
                                      [&] { fields = PostDownloadLine(); });
    std::printf("[ time     ] download line from texts of deleted words: %.2f s\n", seconds);
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (Fields{L"a.zip", L"", L"3 minutes"}));
    EXPECT_EQ(Posts(), std::vector<std::string>{ExpectedLine("a.zip", "", "3 minutes")});
}

// ---- NULs ----------------------------------------------------------------------------------

TEST_F(Hostile, TextsBehindALeadingNulAreNeverSeen) {
    // A window that passes only in what follows a NUL is no transfer window: nothing posted.
    for (const char* texts :
         {"--transfer-caption \"\\0\\{1048575}\" --transfer-static1 \"\\0\\{65535}\"",
          "--transfer-caption \"\\0\\{99}File Transfer - 45%\"",
          "--transfer-static1 \"\\0Now Downloading a.zip\"",
          "--transfer-static1 \"\\0\\{9}Downloading\\0\" --transfer-static2 \"\\0\\{65535}\""}) {
        SCOPED_TRACE(texts);
        Start(std::string("--version 8.0 --transfer ") + texts);
        EXPECT_EQ(FindTransferWindow(), nullptr);
        EXPECT_EQ(DownloadFileName(), L"n/a");
        EXPECT_EQ(DownloadPercent(), L"n/a");
        EXPECT_EQ(DownloadTimeLeft(), L"n/a");
        EXPECT_FALSE(PostDownloadLine());
        EXPECT_TRUE(Posts().empty());
    }
}

TEST_F(Hostile, FieldsStopAtTheFirstNulAndTheLineCarriesNone) {
    // What follows each NUL would change every field if it were read.
    Start("--version 8.0 --transfer "
          "--transfer-caption \"File Transfer - 45%\\0 - 99%\\0\\{1048575}\" "
          "--transfer-static1 \"Now Downloading a.zip\\0AOL Is Now Downloading evil.exe\" "
          "--transfer-static2 \"about 3 minutes\\0\\{1000} remaining.\\0ml\"");
    std::optional<Fields> fields = PostDownloadLine();
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (Fields{L"a.zip", L"45", L"3 minutes"}));
    EXPECT_EQ(Posts(), std::vector<std::string>{ExpectedLine("a.zip", "45", "3 minutes")});

    // An empty time left: the second static is all NULs.
    ASSERT_TRUE(sim::Control("--transfer-static2 \"\\0\\{65535}\""));
    fields = PostDownloadLine();
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (Fields{L"a.zip", L"45", L""}));
    ASSERT_EQ(Posts().size(), 2u);
    EXPECT_EQ(Posts()[1], ExpectedLine("a.zip", "45", ""));
}

TEST_F(Hostile, LengthsReportedSixteenMegabytesTooLongAreCutAtTheFirstNul) {
    // The caption and the first static claim 16 MB more than they hold: the read buffers are
    // that large, the fields what the windows really copied.
    Start("--version 8.0 --transfer --transfer-file report.pdf --transfer-percent 7 "
          "--transfer-minutes 4 --transfer-caption-extra 16777216 "
          "--transfer-static1-extra 16777216");
    std::optional<Fields> fields = PostDownloadLine();
    ASSERT_TRUE(fields);
    EXPECT_EQ(*fields, (Fields{L"report.pdf", L"7", L"4 minutes"}));
    EXPECT_EQ(Posts(), std::vector<std::string>{ExpectedLine("report.pdf", "7", "4 minutes")});
}

// ---- Windows that close while they are walked ----------------------------------------------

TEST_F(Hostile, TransferWindowClosingAtEachReadPostsWhatEachLookupSaw) {
    // The first static's reads in one download line: the tick's own lookup (1), the file
    // name's lookup (2) and its text (3), the percent's lookup (4), the time left's (5). After
    // N reads the next message to the static closes the window; whatever comes after is
    // "n/a", and the file name read from a window closed between its lookup and its text is
    // empty (the closed window has no text).
    struct Case {
        int reads;
        bool line;
        const char* file;
        const char* percent;
        const char* timeLeft;
    };
    for (const Case& c :
         {Case{0, false, "", "", ""}, Case{1, true, "n/a", "n/a", "n/a"},
          Case{2, true, "", "n/a", "n/a"}, Case{3, true, "a.zip", "n/a", "n/a"},
          Case{4, true, "a.zip", "45", "n/a"}, Case{5, true, "a.zip", "45", "3 minutes"}}) {
        SCOPED_TRACE("closes after " + std::to_string(c.reads) + " reads");
        Start("--version 8.0 --transfer --transfer-file a.zip --transfer-percent 45 "
              "--transfer-minutes 3 --transfer-close-after " +
              std::to_string(c.reads));
        std::optional<Fields> fields;
        EXPECT_NO_THROW(fields = PostDownloadLine());
        ASSERT_EQ(fields.has_value(), c.line);
        if (!c.line) {
            EXPECT_TRUE(Posts().empty());
            continue;
        }
        EXPECT_EQ(*fields, (Fields{Wide(c.file), Wide(c.percent), Wide(c.timeLeft)}));
        EXPECT_EQ(Posts(), std::vector<std::string>{ExpectedLine(c.file, c.percent, c.timeLeft)});
        // Closed for good: the next line finds nothing.
        EXPECT_EQ(FindTransferWindow(), nullptr);
    }
}

TEST_F(Hostile, ChatRoomClosingOnTheLinePostsNothingAndRaisesNothing) {
    // Each room closes as its input receives the line: the Enter key then goes to a window
    // that no longer exists. The second post finds the second room, the third none at all.
    Start("--version 8.0 --rooms 2 --room-closes-on-text --transfer");
    ASSERT_NE(FindChatRoom(), nullptr);
    EXPECT_NO_THROW(ChatSend(lines::UserLine(L"1")));
    ASSERT_NE(FindChatRoom(), nullptr);
    EXPECT_NO_THROW(PostDownloadLine());
    EXPECT_EQ(FindChatRoom(), nullptr);
    EXPECT_NO_THROW(ChatSend(lines::UserLine(L"2")));
    EXPECT_TRUE(Posts().empty());

    // On the classic path too (the second RICHCNTL is the input).
    Start("--version 4.0 --room-closes-on-text");
    EXPECT_NO_THROW(ChatSend(lines::EngagedLine()));
    EXPECT_EQ(FindChatRoom(), nullptr);
    EXPECT_TRUE(Posts().empty());
}

// ---- A huge menu ---------------------------------------------------------------------------

TEST_F(Hostile, FortyThousandItemMenuStillTellsTheVersionAndPosts) {
    // The version item comes after 40,000 others in the same submenu, past every 16-bit
    // position. AOL 5.0 is the classic path: the line goes through the second RICHCNTL.
    auto start = Clock::now();
    Start("--input second --menu-bar File --menu-item Open --menu-bar Big --menu-fill 40000 "
          "--menu-item \"About AOL 5.0\"");
    const double built = SecondsSince(start);
    start = Clock::now();
    std::wstring version = AolVersion();
    const double probed = SecondsSince(start);
    EXPECT_EQ(version, L"5.0");
    EXPECT_NO_THROW(ChatSend(lines::EngagedLine()));
    std::wstring engaged = lines::EngagedLine();
    EXPECT_EQ(Posts(), std::vector<std::string>{std::string(engaged.begin(), engaged.end())});
    std::printf("[ time     ] 40,001-item submenu: built in %.1f s, version probe %.2f s\n", built,
                probed);
}

} // namespace
