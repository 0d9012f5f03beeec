// Snorva's AOL code against the simulated client's windows, in this process or apart (its menus
// then read through menuhook.dll): rooms, the transfer window, the version, the helper, the wait.
#include "aol/aol.h"
#include "aol/menu_remote.h"
#include "aol/menuhook/menu_reply.h"
#include "chat/chat.h"
#include "download/download.h"
#include "sim/sim.h"
#include "tests/support/driver.h"
#include "win/owners.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <stdexcept>

namespace {

using Fields = std::vector<std::wstring>;
using driver::Narrow;

// The simulated client for one scope, hidden, on a thread of this process or as a program.
struct Client {
    explicit Client(const std::string& options, bool ownProcess = false) : own(ownProcess) {
        started = own ? bool(process = driver::StartAol("--hidden " + options, transcript))
                      : sim::StartInProcess("--hidden --transcript \"" + Narrow(transcript) +
                                            "\" " + options);
    }
    ~Client() {
        if (!own && started) sim::StopInProcess();
    }
    driver::TempFolder temp;
    std::wstring transcript = temp.Path() + L"\\transcript.txt";
    bool own, started = false;
    driver::Process process; // killed when dropped
};

// The three fields of the download line, each of which finds the transfer window again.
Fields ReadFields() {
    return {DownloadFileName(), DownloadPercent(), DownloadTimeLeft()};
}

// Inputs that take each line but answer WM_SETTEXT with 0, where every other message leaves
// ERROR_ACCESS_DENIED behind (a refusal before the next line).
LRESULT WINAPI AnswersZeroAfterOldRefusals(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    const DWORD error = GetLastError();
    const LRESULT answer = SendMessageA(window, message, wParam, lParam);
    SetLastError(message == WM_SETTEXT ? error : ERROR_ACCESS_DENIED);
    return message == WM_SETTEXT ? 0 : answer;
}

// Each row: the client, the fields it gives (none: no transfer window), the room that takes the
// lines (none: nowhere).
TEST(ChatRoomAndTransferWindow, FirstRealRoomTakesEachLineFirstRealTransferWindowGivesTheFields) {
    const std::string transfer = "--transfer --transfer-file photo.jpg --transfer-percent 45 "
                                 "--transfer-minutes 3 ";
    const Fields photo{L"photo.jpg", L"45", L"3 minutes"};
    const struct {
        std::string options;
        std::optional<Fields> fields;
        const char* room = "room1";
    } rows[] = {
        {"--version 6.0 --input second", {}, nullptr}, // above 5 into the room's first RICHCNTL
        {"--version 5.0", {}},                         // up to 5 into its second
        {"--version 7.0 --single-input", {}},
        {"--version 4.0 --single-input", {}, nullptr},
        {"--rooms 0 --decoys 4", {}, nullptr},
        {"--rooms 2 --room-closes-on-text", {}, nullptr}, // each closes as it takes the line
        {"--lookalike", std::nullopt},                    // "Now downloading" with a small d
        {transfer + "--rooms 2 --decoys 4", photo},
        {transfer + "--lookalike-caption \"file transfer - 5%\" "
                    "--lookalike-static \"Now Downloading x\"",
         photo},
        // The first of two that pass: the look-alike stands first.
        {transfer + "--lookalike-static \"Now Downloading first.zip\"",
         Fields{L"first.zip", L"50", L"9 minutes"}},
        // No time left without a second static, no percent after a closing " - ".
        {transfer + "--transfer-single-static --transfer-caption \"File Transfer - \"",
         Fields{L"photo.jpg", L"", L""}},
        // Each field's words go in any letter case, wherever they stand, a second round taking
        // the "AOL " that the first one's deletions joined; the name is cut at 15.
        {transfer + "--transfer-static1 \"AOAOL L NOW Downloading MySong_Final_Version.mp3\" "
                    "--transfer-caption \"File Transfer - 7% - x%%\" "
                    "--transfer-static2 \"About 1 ML remaining.\"",
         Fields{L"MySong_Final_Ve", L"7 - x", L"1 "}},
        // Without " - " the percent is the caption from its third character on.
        {transfer + "--transfer-static1 \"Downloading This is new.zip\" "
                    "--transfer-caption \"[File Transfer]\" "
                    "--transfer-static2 \"about 2 hours remaining\"",
         Fields{L"Thnew.zip", L"ile Transfer]", L"2 hours remaining"}},
        // Lengths reported 16 MB too long: what the windows copied, through the code page.
        {transfer + "--transfer-static1 \"AOL Is Now Downloading caf\\xE9.zip\" "
                    "--transfer-static1-extra 16777216 --transfer-caption-extra 16777216",
         Fields{L"caf\u00E9.zip", L"45", L"3 minutes"}},
        // What a NUL hides is never read: every text stops at its first.
        {transfer + "--transfer-caption \"File Transfer - 45%\\0 - 99%\\0\\{65535}\" "
                    "--transfer-static1 \"Now Downloading a.zip\\0AOL Is Downloading evil.exe\" "
                    "--transfer-static2 \"about 3 minutes\\0\\{1000} remaining.\\0ml\"",
         Fields{L"a.zip", L"45", L"3 minutes"}},
        {"--transfer --transfer-caption \"File Transfer - 45% z\\{1048575}\" "
         "--transfer-static1 \"Now Downloading photo_of_the_day.jpg y\\{1048575}\" "
         "--transfer-static2 \"about 3 minutes remaining. w\\{1048575}\"",
         Fields{L"photo_of_the_da", L"45 " + std::wstring(1 << 20, L'z'),
                L"3 minutes " + std::wstring(1 << 20, L'w')}}};
    SendToAol = AnswersZeroAfterOldRefusals; // on whichever thread sends to AOL
    for (const auto& [options, fields, room] : rows) {
        SCOPED_TRACE(options.substr(0, 200));
        Client client(options);
        ASSERT_TRUE(client.started);
        const Fields read = ReadFields();
        EXPECT_TRUE(read == fields.value_or(Fields{L"n/a", L"n/a", L"n/a"}));
        // Posted whole, however long; the second line's WM_SETTEXT comes after the first's Enter.
        const std::wstring text = read[0] + read[1] + read[2];
        EXPECT_NO_THROW(for (int i = 0; i < 2; ++i) ChatSend(text));
        const std::string line = room ? room + ("\t" + Narrow(text) + "\n") : "";
        std::string posted; // the lines the rooms took
        for (const driver::PostedLine& took : driver::ReadTranscript(client.transcript))
            posted += took.room + "\t" + took.bytes + "\n";
        EXPECT_TRUE(posted == line + line);
    }
    SendToAol = SendMessageA;
}

HWND Window(const char* name, const char* text, HWND parent = nullptr,
            WNDPROC proc = DefWindowProcA) {
    const WNDCLASSA windowClass{0, proc, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, name};
    RegisterClassA(&windowClass);
    return CreateWindowA(name, text, parent ? WS_CHILD : 0, 0, 0, 9, 9, parent, 0, 0, 0);
}

TEST(TransferWindow, NoneWithoutAnMdiClientEvenBesideATopLevelLookAlike) {
    // A lookup under a missing window must not search the desktop instead.
    HWND stray = Window(aolclass::kChild, "File Transfer - 5%");
    ASSERT_TRUE(Window(aolclass::kFrame, "America  Online") && stray &&
                Window(aolclass::kStatic, "Now Downloading stray.zip", stray));
    EXPECT_EQ(DownloadFileName(), L"n/a");
}

TEST(AolVersion, EveryMenuReadsAcrossProcessesAsInProcessAndPastSixteenBitPositions) {
    const std::pair<const char*, const char*> rows[] = {
        {"--version none", "n/a"},
        // The bar's count decides before any text: 8 and 7 items, whatever they name.
        {"--menu-bar Help --menu-item \"About AOL 8.0\" --menu-bar-fill 7", "3.0"},
        {"--menu-bar Help --menu-item \"About AOL 8.0\" --menu-bar-fill 6", "2.5"},
        {"--menu-bar Help --menu-item \"About AOL 8.0\" --menu-bar-fill 5", "8.0"},
        // Any letter case, anywhere in the text.
        {"--menu-bar Help --menu-item \"ABOUT AOL 7.0\"", "7.0"},
        // Patterns from 8.0 down within one item; the first item that matches wins.
        {"--menu-bar Help --menu-item \"AOL 4.0 and AOL 8.0\"", "8.0"},
        {"--menu-bar A --menu-item \"AOL 4.0\" --menu-bar B --menu-item \"AOL 8.0\"", "4.0"},
        {"--menu-bar A --menu-item x --menu-item \"AOL 5.0\" --menu-item \"AOL 8.0\"", "5.0"},
        // Bar texts are never read; bar items without a submenu and empty ones add nothing.
        {"--menu-bar \"AOL 8.0\" --menu-item Open --menu-plain \"AOL 7.0\"", "n/a"},
        {"--menu-plain File --menu-bar Empty --menu-bar Help --menu-item \"AOL 6.0\"", "6.0"},
        // Texts are read into 99 characters: a pattern past them is not seen; the scan goes on.
        {"--menu-bar Help --menu-item \"x\\{91}AOL 8.0\"", "8.0"},
        {"--menu-bar Help --menu-item \"x\\{92}AOL 8.0\" --menu-item \"AOL 6.0\"", "6.0"},
        // Past 16-bit positions (in a program of its own Wine takes minutes to build it).
        {"--menu-bar Big --menu-fill 32768 --menu-item \"About (AOL 6.0)\"", "6.0"}};
    // A menu of this process is read directly: the helper is never loaded for one.
    for (bool ownProcess : {false, true}) {
        for (const auto& [options, version] : rows) {
            if (ownProcess && &version == &rows[std::size(rows) - 1].second) continue;
            SCOPED_TRACE(options + std::string(ownProcess ? " (across)" : " (in process)"));
            Client client(options, ownProcess);
            ASSERT_TRUE(client.started);
            EXPECT_EQ(Narrow(AolVersion()), version);
            EXPECT_TRUE(ownProcess || !GetModuleHandleA("menuhook.dll"));
        }
    }
}

// One request to menuhook.dll as Snorva makes it, before it is spoiled.
struct Request {
    menureply::Header header;
    HWND woken;    // sent WM_NULL
    DWORD process; // named in it as the asker
    bool hooked;   // by this test
};

// menuhook.dll, hooked onto AOL's thread, answers only a whole request for the window it woke, in
// memory named for its asker, and leaves any other as it was; none of Snorva's hooks outlives it.
TEST(MenuHelper, AnswersOnlyAWholeRequestForTheWindowItWokeAndWritesNothingElse) {
    Client client("--menu-bar Big --menu-fill 2000 --menu-item \"AOL 6.0\"", true);
    ASSERT_TRUE(client.started);
    ASSERT_EQ(Narrow(AolVersion()), "6.0"); // Snorva hooks the client for this, and unhooks
    const HWND frame = FindWindowByClass(aolclass::kFrame);
    const auto id = static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(frame));
    const OwnedModule helper(LoadLibraryA("menuhook.dll")); // beside this program, as Snorva's
    const auto proc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(helper.get(), "MenuHookProc")));
    constexpr std::uint32_t kMapped = 256 * 1024;
    constexpr std::uint32_t kAnswers = 32 + 4 + 2001 * 100; // header, 1 bar item, 2001 texts
    const std::pair<const char*, void (*)(Request&)> rows[] = {
        {"whole: answered", [](Request&) {}},
        {"gives one byte less room than the answers take, the mapping more",
         [](Request& r) { r.header.size = kAnswers - 1; }},
        {"claims more room than mapped", [](Request& r) { r.header.size = 2 * kMapped; }},
        {"another magic", [](Request& r) { r.header.magic ^= 1; }},
        {"already answered", [](Request& r) { r.header.state = menureply::Answered; }},
        {"for another window", [](Request& r) { r.header.window ^= 4; }},
        {"woken through another window of AOL's thread",
         [](Request& r) { r.woken = FindChildByClass(r.woken, nullptr, aolclass::kMdiClient); }},
        {"in shared memory named for another process",
         [](Request& r) { GetWindowThreadProcessId(r.woken, &r.process); }},
        {"with no hook but Snorva's, gone since", [](Request& r) { r.hooked = false; }}};
    std::uint32_t number = 1u << 31; // far from Snorva's own, which count from 1
    for (size_t row = 0; row < std::size(rows); ++row) {
        const auto& [what, spoil] = rows[row];
        SCOPED_TRACE(what);
        const SharedReply shared(++number, kMapped);
        unsigned char* bytes = shared.View();
        ASSERT_TRUE(bytes);
        Request r{{menureply::kMagic, id, kMapped, menureply::Pending, 0, 0, 0, 0},
                  frame,
                  GetCurrentProcessId(),
                  true};
        spoil(r);
        std::memcpy(bytes, &r.header, sizeof r.header);
        const std::vector<unsigned char> before(bytes, bytes + kMapped);
        {
            const OwnedHook hook(r.hooked ? SetWindowsHookExA(WH_CALLWNDPROC, proc, helper.get(),
                                                              GetWindowThreadProcessId(frame, 0))
                                          : nullptr);
            ASSERT_EQ(hook != nullptr, r.hooked);
            DWORD_PTR result = 0;
            ASSERT_TRUE(SendMessageTimeoutA(r.woken, WM_NULL, r.process, number, SMTO_NORMAL, 30000,
                                            &result));
        }
        // Read back: the answers, the size they need in the header alone, or not a byte changed.
        const auto* header = reinterpret_cast<menureply::Header*>(bytes);
        const std::int32_t states[] = {menureply::Answered, menureply::TooSmall};
        EXPECT_EQ(header->state, row < 2 ? states[row] : r.header.state);
        EXPECT_TRUE(row != 1 || header->needed == kAnswers);
        const size_t answers = row == 0 ? kAnswers : row == 1 ? sizeof r.header : 0;
        EXPECT_TRUE(std::equal(bytes + answers, bytes + kMapped, before.begin() + answers))
            << "written beyond the answers";
    }
}

// A window the wait lets through (as Snorva's own for a close), and what it does at kDuringWait.
constexpr UINT kDuringWait = WM_APP;
std::function<void()> duringWait;
LRESULT CALLBACK LetThrough(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kDuringWait && duringWait) duringWait();
    return DefWindowProcA(window, message, wParam, lParam);
}

// A call made by what the wait handles runs on the caller thread behind the hung one, each wait
// ending with its own call's answer; what is thrown out of a wait leaves its call to the caller
// thread. A walk of AOL's windows is one call, however many texts it reads.
TEST(TheWait, EachEndsWithItsOwnCallAlsoInsideAnotherAndLeavesNoCallItDidNotSeeEnd) {
    Client client("--transfer --rooms 2 --decoys 4");
    ASSERT_TRUE(client.started);
    const Owned<HWND, DestroyWindow> helper(Window("LetThrough", "", nullptr, LetThrough));
    MustWaitForAol = [](const MSG& m) {
        if (m.message == kDuringWait + 1) throw 1; // unlike the watchdog
        if (m.message == WM_TIMER) throw std::runtime_error("a wait went on for a minute");
        return m.message != kDuringWait;
    };
    SetTimer(helper.get(), 1, 60000, nullptr); // the waits below take seconds

    // One trip a walk: the transfer window's test of each child, and each field with its walk.
    const unsigned trips = aolcall::TripsHanded();
    const HWND transfer = FindTransferWindow();
    const Fields fields = ReadFields();
    ASSERT_TRUE(transfer);
    EXPECT_EQ(aolcall::TripsHanded() - trips, 4u) << "more than one call a walk";
    const HWND firstStatic = FindChildByClass(transfer, nullptr, aolclass::kStatic);
    const std::wstring staticText = GetControlText(firstStatic), caption = GetCaption(transfer);
    const DWORD callerThread = CallAol(transfer, [] { return GetCurrentThreadId(); });

    // A wait inside a wait: the inner call queues behind the hung one, whose hang the inner
    // wait's first turn ends (bounded, should a fault block this thread instead).
    std::pair<std::wstring, DWORD> inner;
    int turns = 0;
    duringWait = [&] {
        if (turns++) return static_cast<void>(sim::Release());
        PostMessageA(helper.get(), kDuringWait, 0, 0);
        inner = CallAol(transfer,
                        [&] { return std::pair(GetCaption(transfer), GetCurrentThreadId()); });
    };
    ASSERT_TRUE(sim::Control("--hang-on read 20000"));
    PostMessageA(helper.get(), kDuringWait, 0, 0);
    EXPECT_EQ(GetControlText(firstStatic), staticText);
    EXPECT_EQ(inner, std::pair(caption, callerThread)) << "the inner call ran elsewhere";

    // Thrown out of the wait while AOL holds the call: the call is the caller thread's to end.
    // Its token goes when the call is dropped: dropped while it runs, it would be freed in use.
    ASSERT_TRUE(sim::Control("--hang-on read 600000"));
    std::atomic<bool> dropped{false}, ran{false}, droppedWhileRunning{false};
    std::shared_ptr<void> token(nullptr, [&](void*) { dropped = true; });
    PostMessageA(helper.get(), kDuringWait + 1, 0, 0);
    EXPECT_THROW(CallAol(firstStatic,
                         [&, token = std::move(token)] {
                             SendMessageA(firstStatic, WM_GETTEXTLENGTH, 0, 0);
                             droppedWhileRunning = dropped.load();
                             ran = true;
                             return 0;
                         }),
                 int);
    EXPECT_FALSE(ran) << "the call was not held by AOL";
    ASSERT_TRUE(sim::Release());
    ASSERT_TRUE(driver::WaitUntil([&] { return ran.load(); }, 15000));
    EXPECT_FALSE(droppedWhileRunning) << "the call was freed while it ran";
    EXPECT_EQ(ReadFields(), fields) << "the caller thread is not free again";
    MustWaitForAol = [](const MSG&) { return true; };
}

} // namespace
