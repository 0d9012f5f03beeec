// The version probe and ChatSend against the simulated client as a program of its own, whose
// menus this process cannot read directly under Wine: menuhook.dll reads them inside it.
#include "aol/aol.h"
#include "aol/menu_remote.h"
#include "aol/menuhook/menu_reply.h"
#include "aol/runtime_error.h"
#include "chat/chat.h"
#include "sim/sim.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

HWND Frame() {
    return FindWindowA("AOL Frame25", nullptr);
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// aolsim.exe as its own process, hidden, with a transcript of the lines sent into its rooms.
class SimProcess {
  public:
    explicit SimProcess(const std::string& options) {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        transcript_ =
            std::string(temp) + "menu_tests_" + std::to_string(GetCurrentProcessId()) + ".txt";
        DeleteFileA(transcript_.c_str());
        std::string line = "\"" SNORVA_BIN "/sim/aolsim.exe\" --hidden --transcript \"" +
                           transcript_ + "\" " + options;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process_))
            return;
        // The client answers commands once its windows are complete.
        for (int i = 0; i < 1000 && !started_; ++i) {
            if (WaitForSingleObject(process_.hProcess, 10) == WAIT_OBJECT_0) break;
            started_ = OwnsFrame() && sim::Control("");
        }
    }
    ~SimProcess() {
        if (!process_.hProcess) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            sim::Control("--close");
            if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
                TerminateProcess(process_.hProcess, 1);
        }
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        DeleteFileA(transcript_.c_str());
    }
    bool Started() const { return started_; }
    bool OwnsFrame() const {
        DWORD owner = 0;
        HWND frame = Frame();
        return frame && GetWindowThreadProcessId(frame, &owner) && owner == process_.dwProcessId;
    }
    DWORD Id() const { return process_.dwProcessId; }
    bool Alive() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // The lines the client received into a room, each as "<room>\t<bytes>".
    std::vector<std::string> Posted() const {
        std::vector<std::string> lines;
        std::ifstream in(transcript_, std::ios::binary);
        for (std::string record; std::getline(in, record);)
            lines.push_back(record.substr(record.find('\t') + 1));
        return lines;
    }

  private:
    PROCESS_INFORMATION process_{};
    std::string transcript_;
    bool started_ = false;
};

// The same options with the client on a thread of this process, where menus read directly.
std::wstring InProcessVersion(const std::string& options) {
    if (!sim::StartInProcess("--hidden " + options)) return L"(client did not start)";
    std::wstring version = AolVersion();
    sim::StopInProcess();
    return version;
}

struct VersionCase {
    const char* options;
    const wchar_t* version;
};

// The rows of the version table, and the ways a menu can hide or reveal a version.
const VersionCase kVersionCases[] = {
    {"--version 2.5", L"2.5"},
    {"--version 3.0", L"3.0"},
    {"--version 4.0", L"4.0"},
    {"--version 5.0", L"5.0"},
    {"--version 6.0", L"6.0"},
    {"--version 7.0", L"7.0"},
    {"--version 8.0", L"8.0"},
    {"--version unknown", L"n/a"},
    {"--version none", L"n/a"},
    // The bar's count decides before any text: 8 and 7 items, whatever they name.
    {"--menu-bar Help --menu-item \"About AOL 8.0\" --menu-bar-fill 7", L"3.0"},
    {"--menu-bar Help --menu-item \"About AOL 8.0\" --menu-bar-fill 6", L"2.5"},
    {"--menu-bar Help --menu-item \"About AOL 8.0\" --menu-bar-fill 5", L"8.0"},
    // Any letter case.
    {"--menu-bar Help --menu-item \"ABOUT AOL 7.0\"", L"7.0"},
    {"--menu-bar Help --menu-item \"about aOl 6.0...\"", L"6.0"},
    {"--menu-bar Help --menu-item \"Aol 5.0\"", L"5.0"},
    {"--menu-bar Help --menu-item \"(AOL 4.0)\"", L"4.0"},
    // Patterns are tried from 8.0 down within one item; the first matching item wins.
    {"--menu-bar Help --menu-item \"AOL 4.0 and AOL 8.0\"", L"8.0"},
    {"--menu-bar A --menu-item \"AOL 4.0\" --menu-bar B --menu-item \"AOL 8.0\"", L"4.0"},
    {"--menu-bar A --menu-item x --menu-item \"AOL 4.0\" --menu-item \"AOL 8.0\"", L"4.0"},
    // Bar texts are never read; bar items without a submenu and empty submenus add nothing.
    {"--menu-bar \"AOL 8.0\" --menu-item Open --menu-plain \"AOL 7.0\"", L"n/a"},
    {"--menu-plain File --menu-bar Empty --menu-bar Help --menu-item \"AOL 5.0\"", L"5.0"},
    // The buffer holds 99 characters: a pattern ending at the 99th is seen, one past it not,
    // and the scan goes on to later items.
    {"--menu-bar Help --menu-item \"x\\{91}AOL 8.0\"", L"8.0"},
    {"--menu-bar Help --menu-item \"x\\{92}AOL 8.0\"", L"n/a"},
    {"--menu-bar Help --menu-item \"x\\{92}AOL 8.0\" --menu-item \"AOL 6.0\"", L"6.0"},
};

TEST(MenuAcrossProcesses, ReadsEveryVersionAsInProcess) {
    for (const VersionCase& row : kVersionCases) {
        SCOPED_TRACE(row.options);
        std::wstring inProcess = InProcessVersion(row.options);
        SimProcess client(row.options);
        ASSERT_TRUE(client.Started());
        EXPECT_EQ(Narrow(AolVersion()), Narrow(row.version));
        EXPECT_EQ(Narrow(inProcess), Narrow(row.version));
    }
}

// Everything MenuBar answers for the AOL main window: counts, and each item's buffer.
std::vector<std::wstring> ReadWholeBar() {
    MenuBar bar(Frame());
    std::vector<std::wstring> answers{L"bar " + std::to_wstring(bar.ItemCount())};
    for (int i = 0; i < bar.ItemCount(); ++i) {
        answers.push_back(L"submenu " + std::to_wstring(bar.SubItemCount(i)));
        for (int j = 0; j < bar.SubItemCount(i); ++j)
            answers.push_back(bar.SubItemText(i, j));
    }
    return answers;
}

// Under Wine another process's menu bar has a handle but no items; only then is the helper
// asked, and it answers exactly what the calls answer inside the owning process. A client in
// this process is read directly, without loading the helper.
TEST(MenuAcrossProcesses, AnswersWhatTheOwnerSees) {
    const std::string options =
        "--menu-bar File --menu-item Open --menu-item \"\" --menu-plain Plain --menu-bar Empty "
        "--menu-bar Help --menu-item \"x\\{150}\" --menu-item \"y\\{98}\" "
        "--menu-item \"About (AOL 7.0)...\" --menu-item \"\\xB7 caf\\xE9\"";
    ASSERT_TRUE(sim::StartInProcess("--hidden " + options));
    HWND frame = Frame();
    HMENU bar = GetMenu(frame);
    EXPECT_EQ(GetMenuItemCount(bar), 4);
    EXPECT_FALSE(MenuNeedsOwner(frame, bar, 4));
    EXPECT_FALSE(MenuNeedsOwner(frame, bar, -1)); // this process's own
    std::vector<std::wstring> inProcess = ReadWholeBar();
    EXPECT_EQ(GetModuleHandleA("menuhook.dll"), nullptr);
    sim::StopInProcess();
    ASSERT_EQ(inProcess.size(), 11u);
    EXPECT_EQ(inProcess[9].substr(0, 19), std::wstring(L"About (AOL 7.0)...") + L'\0');
    EXPECT_EQ(inProcess[8].substr(0, 100), std::wstring(99, L'y') + L'\0');

    SimProcess client(options);
    ASSERT_TRUE(client.Started());
    frame = Frame();
    bar = GetMenu(frame);
    ASSERT_NE(bar, nullptr);
    if (GetMenuItemCount(bar) != -1) GTEST_SKIP() << "this system reads menus across processes";
    EXPECT_TRUE(MenuNeedsOwner(frame, bar, -1));
    EXPECT_FALSE(MenuNeedsOwner(frame, nullptr, -1));
    EXPECT_FALSE(MenuNeedsOwner(nullptr, bar, -1));
    EXPECT_EQ(ReadWholeBar(), inProcess);
    EXPECT_NE(GetModuleHandleA("menuhook.dll"), nullptr);
}

TEST(MenuAcrossProcesses, PostsOnTheVersionsPath) {
    const std::wstring line = L"<font face=\"arial black\">:: loaded \u00B7 5.0";
    const std::string bytes = "<font face=\"arial black\">:: loaded \xB7 5.0";
    struct {
        const char* options;
        bool posted;
    } cases[] = {
        // The client takes lines only in its chat input: the second RICHCNTL for 5.0 ...
        {"--version 5.0", true},
        {"--version 5.0 --input first", false},
        // ... the first for 6.0.
        {"--version 6.0", true},
        {"--version 6.0 --input second", false},
        {"--version 3.0", true},
        {"--version 2.5 --input first", false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.options);
        SimProcess client(row.options);
        ASSERT_TRUE(client.Started());
        ChatSend(line);
        std::vector<std::string> expected;
        if (row.posted) expected.push_back("room1\t" + bytes);
        EXPECT_EQ(client.Posted(), expected);
    }
}

TEST(MenuAcrossProcesses, UnknownVersionIsTypeMismatchAndPostsNothing) {
    for (const char* options : {"--version unknown", "--version none",
                                "--menu-bar Help --menu-item \"x\\{92}AOL 8.0\""}) {
        SCOPED_TRACE(options);
        SimProcess client(options);
        ASSERT_TRUE(client.Started());
        try {
            ChatSend(L"hello");
            ADD_FAILURE() << "no error";
        } catch (const RunTimeError& error) {
            EXPECT_EQ(error.Number(), 13);
        }
        EXPECT_TRUE(client.Posted().empty());
    }
}

// ---- The hook's own requests, made by hand -------------------------------------------------

// menuhook.dll beside this program, as Snorva loads it.
struct Helper {
    HMODULE module = nullptr;
    HOOKPROC proc = nullptr;
};

Helper LoadHelper() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string file(path, length);
    file = file.substr(0, file.find_last_of("\\/") + 1) + "menuhook.dll";
    Helper helper;
    helper.module = LoadLibraryA(file.c_str());
    if (helper.module)
        helper.proc = reinterpret_cast<HOOKPROC>(
            reinterpret_cast<void*>(GetProcAddress(helper.module, "MenuHookProc")));
    return helper;
}

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct ViewUnmapper {
    void operator()(void* view) const { UnmapViewOfFile(view); }
};

// One request's shared memory, with a header the test may spoil on purpose.
class Request {
  public:
    Request(std::uint32_t number, std::uint32_t mappingSize, HWND window)
        : number_(number), size_(mappingSize) {
        char name[menureply::kNameSize];
        menureply::FormatName(name, GetCurrentProcessId(), number);
        mapping_.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                          mappingSize, name));
        view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_WRITE, 0, 0, mappingSize));
        Header() = {menureply::kMagic,
                    static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)),
                    mappingSize,
                    menureply::Pending,
                    0,
                    0,
                    0,
                    0};
    }
    menureply::Header& Header() { return *static_cast<menureply::Header*>(view_.get()); }
    const unsigned char* Bytes() const { return static_cast<unsigned char*>(view_.get()); }
    // WM_NULL to `target` as Snorva sends it; true when the client answered the message.
    bool Send(HWND target) const {
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(target, WM_NULL, GetCurrentProcessId(), number_,
                                   SMTO_ABORTIFHUNG, 2000, &result) != 0;
    }
    // All bytes after the header still zero: nothing was written there.
    bool BodyUntouched() const {
        return std::all_of(Bytes() + sizeof(menureply::Header), Bytes() + size_,
                           [](unsigned char b) { return b == 0; });
    }

  private:
    std::uint32_t number_;
    std::uint32_t size_;
    std::unique_ptr<void, HandleCloser> mapping_;
    std::unique_ptr<void, ViewUnmapper> view_;
};

// Numbers far from Snorva's own requests, which count from 1.
constexpr std::uint32_t kTestRequest = 0x80000000;

struct Hooked {
    HHOOK hook;
    explicit Hooked(const Helper& helper, HWND window)
        : hook(SetWindowsHookExA(WH_CALLWNDPROC, helper.proc, helper.module,
                                 GetWindowThreadProcessId(window, nullptr))) {}
    ~Hooked() {
        if (hook) UnhookWindowsHookEx(hook);
    }
};

bool ClientHasModule(DWORD process, const char* name) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    bool found = false;
    for (BOOL more = Module32First(snapshot, &module); more && !found;
         more = Module32Next(snapshot, &module))
        found = lstrcmpiA(module.szModule, name) == 0;
    CloseHandle(snapshot);
    return found;
}

// Whether a hook procedure of menuhook.dll still runs on the client's messages: a request
// made by hand, with nobody hooking for it, is answered only by a hook left installed.
bool LeftoverHookAnswers(HWND frame, std::uint32_t number) {
    Request request(number, 64 * 1024, frame);
    request.Send(frame);
    return request.Header().state != menureply::Pending;
}

TEST(MenuHook, NoHookLeftAfterProbes) {
    SimProcess client("--version 8.0");
    ASSERT_TRUE(client.Started());
    HWND frame = Frame();
    Helper helper = LoadHelper();
    ASSERT_NE(helper.proc, nullptr);

    // The check can see a hook: installed by hand, it answers; removed, nothing does.
    {
        Hooked hooked(helper, frame);
        ASSERT_NE(hooked.hook, nullptr);
        EXPECT_TRUE(LeftoverHookAnswers(frame, kTestRequest + 1));
    }
    EXPECT_FALSE(LeftoverHookAnswers(frame, kTestRequest + 2));

    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Narrow(AolVersion()), "8.0");
    EXPECT_FALSE(LeftoverHookAnswers(frame, kTestRequest + 3));
    // Also after a probe that had to ask twice (a menu too large for the first request).
    ASSERT_TRUE(sim::Control("--menu-bar Big --menu-fill 2000 --menu-bar Help --menu-item "
                             "\"AOL 6.0\""));
    EXPECT_EQ(Narrow(AolVersion()), "6.0");
    EXPECT_FALSE(LeftoverHookAnswers(frame, kTestRequest + 4));
    // Why the check is by behaviour: the window system may keep the DLL mapped in the client
    // after the hook is gone (Wine never unloads it), which is harmless.
    std::printf("[ note     ] menuhook.dll %s mapped in the client after the probes\n",
                ClientHasModule(client.Id(), "menuhook.dll") ? "stays" : "is no longer");
}

TEST(MenuHook, AnswersOnlyWellFormedRequestsForItsWindow) {
    SimProcess client("--menu-bar Big --menu-fill 100 --menu-bar Help --menu-item \"AOL 6.0\"");
    ASSERT_TRUE(client.Started());
    HWND frame = Frame();
    HWND mdi = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
    ASSERT_NE(mdi, nullptr);
    Helper helper = LoadHelper();
    ASSERT_NE(helper.proc, nullptr);
    Hooked hooked(helper, frame);
    ASSERT_NE(hooked.hook, nullptr);
    const std::uint64_t needed = menureply::AnswerSize(2, 101);
    std::uint32_t number = kTestRequest + 100;

    {
        SCOPED_TRACE("well formed");
        Request request(++number, 64 * 1024, frame);
        ASSERT_TRUE(request.Send(frame));
        EXPECT_EQ(request.Header().state, menureply::Answered);
        EXPECT_EQ(request.Header().barCount, 2);
        EXPECT_EQ(request.Header().itemCount, 101u);
        std::int32_t counts[2];
        std::memcpy(counts, request.Bytes() + sizeof(menureply::Header), sizeof counts);
        EXPECT_EQ(counts[0], 100);
        EXPECT_EQ(counts[1], 1);
        std::string last(reinterpret_cast<const char*>(request.Bytes()) + needed - 100, 100);
        EXPECT_EQ(last, std::string("AOL 6.0") + '\0' + std::string(92, ' '));
        // Nothing past the answers.
        EXPECT_TRUE(std::all_of(request.Bytes() + needed, request.Bytes() + 64 * 1024,
                                [](unsigned char b) { return b == 0; }));
    }
    {
        SCOPED_TRACE("too small: the size needed, and nothing else written");
        Request request(++number, 4096, frame);
        ASSERT_TRUE(request.Send(frame));
        EXPECT_EQ(request.Header().state, menureply::TooSmall);
        EXPECT_EQ(request.Header().needed, needed);
        EXPECT_TRUE(request.BodyUntouched());
    }
    struct Spoiled {
        const char* what;
        void (*spoil)(menureply::Header&);
    } spoiled[] = {
        {"claims more room than the memory has", [](menureply::Header& h) { h.size = 1 << 20; }},
        {"claims less than a header", [](menureply::Header& h) { h.size = 8; }},
        {"wrong magic", [](menureply::Header& h) { h.magic ^= 1; }},
        {"already answered", [](menureply::Header& h) { h.state = menureply::Answered; }},
        {"another window", [](menureply::Header& h) { h.window ^= 4; }},
    };
    for (const Spoiled& s : spoiled) {
        SCOPED_TRACE(s.what);
        Request request(++number, 4096, frame);
        s.spoil(request.Header());
        menureply::Header before = request.Header();
        ASSERT_TRUE(request.Send(frame));
        EXPECT_EQ(std::memcmp(&before, &request.Header(), sizeof before), 0);
        EXPECT_TRUE(request.BodyUntouched());
    }
    {
        SCOPED_TRACE("woken through another window of the client's thread");
        Request request(++number, 64 * 1024, frame);
        ASSERT_TRUE(request.Send(mdi));
        EXPECT_EQ(request.Header().state, menureply::Pending);
        EXPECT_TRUE(request.BodyUntouched());
    }
    {
        SCOPED_TRACE("a WM_NULL with no request behind it");
        DWORD_PTR result = 0;
        EXPECT_NE(SendMessageTimeoutA(frame, WM_NULL, GetCurrentProcessId(), ++number,
                                      SMTO_ABORTIFHUNG, 2000, &result),
                  0);
    }
    EXPECT_TRUE(client.Alive());
    EXPECT_EQ(Narrow(AolVersion()), "6.0");
}

// ---- A client that does not answer; sizes and times ----------------------------------------

// A window of the test's thread, and a message sent to it from another thread 300 ms later.
struct LateMessage {
    HWND window = nullptr;
    bool handled = false;

    LateMessage() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &Proc;
        windowClass.lpszClassName = "menu_tests_late";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "menu_tests_late", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 nullptr, nullptr);
    }
    ~LateMessage() { DestroyWindow(window); }

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
        if (message != WM_APP) return DefWindowProcA(hwnd, message, wp, lp);
        reinterpret_cast<LateMessage*>(lp)->handled = true;
        return 0;
    }
    static DWORD WINAPI Send(void* self) {
        Sleep(300);
        SendMessageA(static_cast<LateMessage*>(self)->window, WM_APP, 0,
                     reinterpret_cast<LPARAM>(self));
        return 0;
    }
};

TEST(MenuAcrossProcesses, HungClientIsTypeMismatchAfterTheTimeOut) {
    SimProcess client("--version 8.0");
    ASSERT_TRUE(client.Started());
    HWND frame = Frame();
    ASSERT_TRUE(sim::Control("--hang 6000"));
    // Wait until the client's thread is really blocked.
    DWORD_PTR result = 0;
    auto hangStart = Clock::now();
    while (SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 50, &result) &&
           MsSince(hangStart) < 2000)
        Sleep(5);

    // A message sent to this thread's window while the probe waits is handled only after it.
    LateMessage late;
    HANDLE sender = CreateThread(nullptr, 0, &LateMessage::Send, &late, 0, nullptr);
    ASSERT_NE(sender, nullptr);
    auto start = Clock::now();
    EXPECT_EQ(Narrow(AolVersion()), "n/a");
    double probe = MsSince(start);
    EXPECT_GE(probe, 1900);
    EXPECT_LT(probe, 3000);
    EXPECT_FALSE(late.handled);
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE); // handles the waiting sent message
    WaitForSingleObject(sender, 5000);
    CloseHandle(sender);
    EXPECT_TRUE(late.handled);

    start = Clock::now();
    try {
        ChatSend(L"hello");
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& error) {
        EXPECT_EQ(error.Number(), 13);
    }
    EXPECT_LT(MsSince(start), 3000);
    std::printf("[ time     ] probe of a hung client gave up after %.0f ms\n", probe);

    // Once the client answers again, it is read again, and no hook of the abandoned probes
    // acts on the messages it still had queued or on later ones.
    while (!SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 500, &result) &&
           MsSince(hangStart) < 15000) {
    }
    EXPECT_FALSE(LeftoverHookAnswers(frame, kTestRequest + 200));
    EXPECT_EQ(Narrow(AolVersion()), "8.0");
    EXPECT_TRUE(client.Posted().empty());
}

TEST(MenuAcrossProcesses, ReadsA40000ItemMenu) {
    const std::string options =
        "--menu-bar Big --menu-fill 40000 --menu-bar Help --menu-item \"About (AOL 6.0)\"";
    auto start = Clock::now();
    SimProcess client(options);
    ASSERT_TRUE(client.Started());
    double startup = MsSince(start);

    start = Clock::now();
    EXPECT_EQ(Narrow(AolVersion()), "6.0");
    double across = MsSince(start);
    start = Clock::now();
    MenuBar bar(Frame());
    double read = MsSince(start);
    ASSERT_EQ(bar.ItemCount(), 2);
    EXPECT_EQ(bar.SubItemCount(0), 40000);
    EXPECT_EQ(Narrow(bar.SubItemText(0, 39999)).substr(0, 11), std::string("Item 40000") + '\0');
    std::printf("[ time     ] 40,000-item menu: client built it in %.0f ms; probe across "
                "processes %.0f ms (of which reading the menu %.0f ms)\n",
                startup, across, read);
}

// Times of `count` probes, sorted.
std::vector<double> ProbeTimes(int count) {
    std::vector<double> times;
    for (int i = 0; i < count; ++i) {
        auto start = Clock::now();
        std::wstring version = AolVersion();
        times.push_back(MsSince(start));
        EXPECT_EQ(Narrow(version), "8.0");
    }
    std::sort(times.begin(), times.end());
    return times;
}

TEST(MenuAcrossProcesses, RoundTripOfOneProbe) {
    std::vector<double> across;
    {
        SimProcess client("--version 8.0");
        ASSERT_TRUE(client.Started());
        EXPECT_EQ(Narrow(AolVersion()), "8.0"); // loads the helper once
        across = ProbeTimes(50);
    }
    ASSERT_TRUE(sim::StartInProcess("--hidden --version 8.0"));
    std::vector<double> direct = ProbeTimes(50);
    sim::StopInProcess();
    std::printf("[ time     ] one probe of a standard 8.0 menu, median of 50: across processes "
                "%.3f ms (min %.3f, max %.3f); client on another thread of this process %.3f ms\n",
                across[25], across.front(), across.back(), direct[25]);
}

} // namespace
