// snorva_bench: what Snorva costs under Wine, each beside what it is compared with, measured in
// the same run. Prints rows of one Markdown table; tools/bench adds the header and the sizes.
//   snorva_bench tick | startup | calls | memory      one section's rows
//   snorva_bench --startup-steps FILE                 (internal) time start-up's steps here
// Runs: SNORVA_BENCH_ROUNDS (default 7); ticks per run: SNORVA_BENCH_TICKS (default 10).
#include "aol/aol.h"
#include "aol/call.h"
#include "app/form.h"
#include "bench/floor.h"
#include "bench/measure.h"
#include "chat/chat.h"
#include "core/lines.h"
#include "core/runtime_error.h"
#include "download/download.h"
#include "sim/sim.h"
#include "tests/support/driver.h"
#include "win/events.h"
#include "win/files.h"

#include <ole2.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace bench;

namespace {

const int kRounds = Setting("SNORVA_BENCH_ROUNDS", 7);

// The pause the programs of this kind used: handle events and look at the clock, again and
// again, with no wait in between. Built here only, to be measured against.
void SpinningPause(double seconds) {
    PauseLoop(
        seconds, [] { return NowMs() / 1000.0; }, DoEvents, [](double) {});
}

// The simulated client as its own program, once its menu tells version 8.0 (its frame shows
// before the rest is up); empty when it did not come up.
driver::Process StartAol(const std::wstring& options, bool waitForVersion = true) {
    driver::Process aol = driver::Start(driver::AolSimExe(), options);
    DWORD pid = aol.Id();
    HWND frame = nullptr;
    if (!aol ||
        !driver::WaitUntil([&] { return frame = driver::FindProcessWindow(pid, aolclass::kFrame); },
                           20000))
        return {};
    // Its UI thread takes no message while it builds a large menu; a probe would wait for that,
    // and the measures must not.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(frame, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result)) return {};
    if (waitForVersion && !driver::WaitUntil([] { return AolVersion() == L"8.0"; }, 20000))
        return {};
    return aol;
}

std::string Percent(double ratio) {
    return Fixed(ratio * 100.0, 1) + " %";
}
std::string Times(double ratio) {
    return Fixed(ratio, 2) + "×";
}

void Failed(const std::string& what, const std::string& why) {
    Row(what, "failed: " + why, "", "", "", "**missed**");
}

// ---- CPU per idle tick ----------------------------------------------------------------------

void TickSection() {
    const char* what = "CPU per idle tick with a download line (own + wineserver)";
    const int ticks = Setting("SNORVA_BENCH_TICKS", 10);
    driver::Process aol = StartAol(L"--version 8.0 --transfer --hidden");
    if (!aol) return Failed(what, "aolsim did not start");
    // The client shows its frame before its transfer window is up.
    if (!driver::WaitUntil([] { return AolVersion() == L"8.0" && FindTransferWindow(); }, 10000))
        return Failed(what, "aolsim's version or transfer window not seen");

    std::vector<double> ours, ourOwn, ourServer, spin, spinOwn, spinServer;
    int count = 0;
    // Snorva's own idle tick with a download line, with its pause or with a spinning one.
    auto run = [&](void (*pause)(double), std::vector<double>& total, std::vector<double>& own,
                   std::vector<double>& server) {
        const Idler idler(pause);
        const double own0 = OwnCpuMs(), server0 = WineServerCpuMs();
        for (int i = 0; i < ticks; ++i)
            idler.Tick(std::to_wstring(++count));
        const double ownMs = (OwnCpuMs() - own0) / ticks;
        const double serverMs = (WineServerCpuMs() - server0) / ticks;
        own.push_back(ownMs);
        server.push_back(serverMs);
        total.push_back(ownMs + serverMs);
    };
    for (int r = 0; r < kRounds; ++r) {
        // Each side goes first in every other run, so neither always meets a warmer machine.
        if (r % 2 == 0) run(Pause, ours, ourOwn, ourServer);
        run(SpinningPause, spin, spinOwn, spinServer);
        if (r % 2 == 1) run(Pause, ours, ourOwn, ourServer);
    }
    // Run by run, ours over the spinning one beside it.
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size(); ++i)
        ratios.push_back(ours[i] / spin[i]);
    const Spread a = Summarize(ours), b = Summarize(spin), ratio = Summarize(ratios);
    Row(what,
        Show(a, "ms", 1) + "; own " + Fixed(Summarize(ourOwn).median, 1) + " + server " +
            Fixed(Summarize(ourServer).median, 1),
        "spinning pause: " + Show(b, "ms", 0) + "; own " + Fixed(Summarize(spinOwn).median, 0) +
            " + server " + Fixed(Summarize(spinServer).median, 0),
        Percent(ratio.median) + " (" + Percent(ratio.min) + "–" + Percent(ratio.max) + ")", "≤ 5 %",
        Verdict(ratio.median <= 0.05, b.median > 0));
}

// ---- Start-up -------------------------------------------------------------------------------

// Start-up's own steps, timed inside a fresh process with the program's functions: a child of
// the benchmark, so that every run starts cold. Wine starts its display driver at a process's
// first window, whichever step makes it; a bare window made first takes that cost apart.
// Writes the ms of each step, in the order of kSteps.
const char* const kSteps[] = {"Wine: first bare window (display driver start)",
                              "OLE initialise",
                              "window creation (Form1::Create)",
                              "picture load (Form1::LoadBackground: file read, OleLoadPicture)",
                              "region (Form1::CutOutline: REGION.DLL, MakeRgn, SetWindowRgn)",
                              "show (Form1::Show: ShowWindow + first paint)"};
constexpr int kStepCount = 6;

int StartupSteps(const std::wstring& out) {
    double t[kStepCount + 1];
    t[0] = NowMs();
    DestroyWindow(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  nullptr, nullptr));
    t[1] = NowMs();
    OleInitialize(nullptr);
    t[2] = NowMs();
    Form1 form(GetModuleHandleW(nullptr));
    if (!form.Create()) return 1;
    t[3] = NowMs();
    // Form_Load's steps up to the handle dialog, the program's own.
    const std::wstring skin = ProgramFolder() + L"\\gfx\\main.jpg";
    try {
        StayOnTop(form.Handle());
        form.LoadBackground(skin);
        t[4] = NowMs();
        form.CutOutline(skin);
        t[5] = NowMs();
    } catch (const RunTimeError&) {
        return 2;
    }
    form.Show();
    t[6] = NowMs();
    std::ofstream file{std::filesystem::path(out)};
    for (int i = 1; i <= kStepCount; ++i)
        file << (t[i] - t[i - 1]) << ' ';
    return file ? 0 : 3;
}

void StartupSection() {
    const char* what = "Start-up overhead beyond Wine's own loading";
    driver::Process aol = StartAol(L"--version 8.0 --hidden");
    if (!aol) return Failed(what, "aolsim did not start");
    const std::wstring folder = ProgramFolder();
    const std::wstring steps = folder + L"\\startup-steps.txt";

    // What one greeting line costs when posted into a client in another process, as Snorva
    // posts them: subtracted from the time after the dialog with the half-second pause.
    std::vector<double> posts;
    for (int i = 0; i < 20; ++i) {
        const double t0 = NowMs();
        ChatSend(lines::StartupByLine());
        posts.push_back(NowMs() - t0);
    }
    const double post = Summarize(posts).median;

    std::vector<double> ended, wine, before, after, beyond;
    std::vector<double> parts[kStepCount];
    // Wall-clock times on a shared machine: cheap runs, so twice as many.
    const int rounds = 2 * kRounds + 1;
    for (int r = 0; r < rounds; ++r) {
        // Wine's own cost of starting a program with the same system DLLs: started and ended,
        // and started until a bare window of its own is shown (which loads the display driver
        // too). The second is what Snorva's start-up is measured beyond.
        double t0 = NowMs();
        driver::Process empty = driver::Start(folder + L"\\bench_empty.exe", L"");
        if (!empty || !empty.Wait(20000)) return Failed(what, "bench_empty did not run");
        ended.push_back(NowMs() - t0);
        t0 = NowMs();
        empty = driver::Start(folder + L"\\bench_empty.exe", L"--window");
        const DWORD emptyPid = empty.Id();
        if (!driver::WaitForVisibleWindow("BenchEmpty", nullptr, 20000, emptyPid, 1))
            return Failed(what, "bench_empty showed no window");
        wine.push_back(NowMs() - t0);
        empty.Kill();

        // Snorva itself, timed from outside: created → dialog shown; OK → window shown.
        t0 = NowMs();
        driver::Process snorva = driver::Start(folder + L"\\snorva.exe", L"");
        HWND dialog = driver::WaitForVisibleWindow("#32770", "handle", 20000, 0, 1);
        if (!dialog) return Failed(what, "no handle dialog");
        const double t1 = NowMs();
        driver::AnswerDialog(dialog, "zibbet");
        const DWORD pid = snorva.Id();
        HWND window = driver::WaitForVisibleWindow(driver::kFormClass, nullptr, 20000, pid, 1);
        if (!window) return Failed(what, "the window was not shown");
        const double t2 = NowMs();
        snorva.Kill();
        before.push_back(t1 - t0);
        after.push_back(t2 - t1 - 500.0 - 2 * post);
        beyond.push_back(before.back() + after.back() - wine.back());

        driver::Process child =
            driver::Start(folder + L"\\snorva_bench.exe", L"--startup-steps \"" + steps + L"\"");
        if (!child || child.Wait(20000) != 0u) return Failed(what, "the step timer failed");
        std::ifstream file{std::filesystem::path(steps)};
        for (auto& part : parts) {
            double ms = 0;
            file >> ms;
            part.push_back(ms);
        }
    }
    Row("Start-up, from outside: process created → handle dialog shown",
        Show(Summarize(before), "ms", 0),
        "Wine's own, a program importing the same DLLs: created → its bare window shown " +
            Show(Summarize(wine), "ms", 0) + "; created → ended " + Show(Summarize(ended), "ms", 0),
        "", "", "");
    Row("Start-up, from outside: OK pressed → window shown, less the 0.5 s pause and 2 posts",
        Show(Summarize(after), "ms", 0),
        "a post (ChatSend to aolsim.exe): " + Fixed(post, 1) + " ms", "", "", "");
    const Spread b = Summarize(beyond);
    Row(what + std::string(" (the two above, less the bare window)"), Show(b, "ms"), "", "",
        "≤ 50 ms", Verdict(b.median <= 50, b.runs > 0 && Summarize(wine).median > 0));
    for (int i = 0; i < kStepCount; ++i)
        Row(std::string("— step in a fresh process: ") + kSteps[i], Show(Summarize(parts[i]), "ms"),
            "", "", "", "");
    DeleteFileW(steps.c_str());
}

// ---- Calls beside their floor ---------------------------------------------------------------

// Times `a` and `b` call by call in turns, `calls` of each per run, each going first every other
// time, so that both meet the same moments of a busy machine; gives the ms per call of each run.
void Compare(int calls, const std::function<void()>& a, const std::function<void()>& b,
             std::vector<double>& msA, std::vector<double>& msB) {
    auto time = [](const std::function<void()>& f) {
        const double t0 = NowMs();
        f();
        return NowMs() - t0;
    };
    for (int r = 0; r < kRounds; ++r) {
        double sumA = 0, sumB = 0;
        for (int i = 0; i < calls; ++i) {
            if (i % 2 == 0) sumA += time(a);
            sumB += time(b);
            if (i % 2 == 1) sumA += time(a);
        }
        msA.push_back(sumA / calls);
        msB.push_back(sumB / calls);
    }
}

// The ratio is taken run by run, ours over the floor measured beside it, so that a run on a
// busier machine weighs on both sides alike; its median is the verdict.
void RowBesideFloor(const std::string& what, const std::vector<double>& ours,
                    const std::vector<double>& floor, double target = 1.3) {
    std::vector<double> ratios;
    for (size_t i = 0; i < ours.size() && i < floor.size(); ++i)
        ratios.push_back(ours[i] / floor[i]);
    const Spread ratio = Summarize(ratios);
    Row(what, Show(Summarize(ours), "ms", 3), "bare calls: " + Show(Summarize(floor), "ms", 3),
        Times(ratio.median) + " (" + Fixed(ratio.min, 2) + "–" + Fixed(ratio.max, 2) + ")",
        "≤ " + Times(target), Verdict(ratio.median <= target, Summarize(floor).median > 0));
}

void CallsSection() {
    // ChatSend: a fresh client every run, so its room's growing conversation weighs the same.
    {
        const char* what = "One ChatSend, client on its own thread";
        const std::wstring line = lines::UserLine(L"1");
        std::vector<double> ours, floor;
        for (int r = 0; r < kRounds; ++r) {
            if (!sim::StartInProcess("--version 8.0 --hidden")) return Failed(what, "no client");
            if (AolVersion() != L"8.0" || !FindChatRoom())
                return Failed(what, "the client's version or room not seen");
            std::vector<double> a, b;
            Compare(
                100, [&] { ChatSend(line); }, [&] { ChatSendFloor(line.c_str()); }, a, b);
            ours.push_back(Summarize(a).median);
            floor.push_back(Summarize(b).median);
            sim::StopInProcess();
        }
        RowBesideFloor(what, ours, floor);
    }
    // What the one wait for AOL adds to each call: an empty call carried by the caller thread,
    // beside the same call made here.
    {
        const char* what = "The one wait for AOL, per call (an empty call)";
        if (!sim::StartInProcess("--version 8.0 --hidden")) return Failed(what, "no client");
        HWND frame = FindWindowA(aolclass::kFrame, nullptr);
        std::vector<double> carried, here;
        Compare(
            1000, [&] { CallAol(frame, [] { return 0; }); }, [] {}, carried, here);
        Row(what, "on the caller thread: " + Show(Summarize(carried), "ms", 3),
            "made here: " + Show(Summarize(here), "ms", 3), "", "time only", "");
    }
    // What waiting costs while AOL takes no message: a line that AOL holds for 2 s.
    {
        const char* what = "CPU per second of waiting for a hung AOL (own + wineserver)";
        std::vector<double> perSecond;
        for (int r = 0; r < kRounds; ++r) {
            if (!sim::Control("--hang-on text 2000")) return Failed(what, "the hang was refused");
            const double t0 = NowMs(), cpu0 = OwnCpuMs() + WineServerCpuMs();
            ChatSend(lines::UserLine(L"1"));
            perSecond.push_back((OwnCpuMs() + WineServerCpuMs() - cpu0) / (NowMs() - t0) * 1000);
        }
        sim::StopInProcess();
        Row(what, Show(Summarize(perSecond), "ms", 1), "", "", "time only", "");
    }
    if (!sim::StartInProcess("--version 8.0 --hidden --decoys 1000 --transfer"))
        return Failed("FindTransferWindow", "no client");
    {
        const char* what = "FindTransferWindow over 1,000 AOL children (transfer window last)";
        HWND found = FindTransferWindow();
        if (!found || found != FindTransferWindowFloor())
            return Failed(what, "the transfer window not found");
        const unsigned trips = aolcall::TripsHanded();
        std::vector<double> ours, floor;
        Compare(
            5, [] { FindTransferWindow(); }, [] { FindTransferWindowFloor(); }, ours, floor);
        const unsigned walks = 5 * kRounds;
        RowBesideFloor(what + std::string(", ") +
                           Fixed(double(aolcall::TripsHanded() - trips) / walks, 0) +
                           " call(s) to the caller thread each",
                       ours, floor, 1.1);
    }
    {
        const char* what = "AolVersion over a 40,000-item menu (AOL 8.0 named last)";
        if (!sim::Control("--menu-bar File --menu-fill 20000 --menu-bar Edit --menu-fill 20000 "
                          "--menu-bar Help --menu-item \"About America Online (AOL 8.0)...\""))
            return Failed(what, "the client refused the menu");
        std::vector<double> in, out;
        for (int r = 0; r < kRounds; ++r) {
            const double t0 = NowMs();
            if (AolVersion() != L"8.0") return Failed(what, "version not found on its thread");
            in.push_back(NowMs() - t0);
        }
        sim::StopInProcess();
        // The same menu in a client of its own, read through the menu helper as under Wine.
        driver::Process aol =
            StartAol(L"--version 8.0 --hidden --menu-bar File --menu-fill 20000 --menu-bar Edit "
                     L"--menu-fill 20000 --menu-bar Help --menu-item \"About America Online "
                     L"(AOL 8.0)...\"",
                     false);
        if (!aol) return Failed(what, "aolsim did not start");
        std::wstring version;
        for (int r = 0; r < kRounds; ++r) {
            const double t0 = NowMs();
            version = AolVersion();
            out.push_back(NowMs() - t0);
        }
        Row(what, "client on its own thread: " + Show(Summarize(in), "ms", 0),
            "client in its own process, through the menu helper: " + Show(Summarize(out), "ms", 0) +
                " → \"" + std::string(version.begin(), version.end()) + "\"",
            "", "time only", version == L"8.0" ? "" : "**wrong version**");
    }
}

// ---- Memory after start-up ------------------------------------------------------------------

void MemorySection() {
    const char* what = "snorva.exe after start-up: working set";
    driver::Process aol = StartAol(L"--version 8.0 --hidden");
    if (!aol) return Failed(what, "aolsim did not start");
    const std::wstring folder = ProgramFolder();
    std::vector<double> ws, priv, baseWs, basePriv;
    for (int r = 0; r < kRounds; ++r) {
        driver::Process snorva = driver::Start(folder + L"\\snorva.exe", L"");
        HWND dialog = driver::WaitForVisibleWindow("#32770", "handle", 20000, 0, 1);
        if (!dialog) return Failed(what, "no handle dialog");
        driver::AnswerDialog(dialog, "zibbet");
        const DWORD pid = snorva.Id();
        if (!driver::WaitForVisibleWindow(driver::kFormClass, nullptr, 20000, pid, 1))
            return Failed(what, "the window was not shown");
        Sleep(300); // let the first paint settle
        Memory m = MemoryOf(OpenForQuery(pid).get());
        ws.push_back(m.workingSet / 1048576.0);
        priv.push_back(m.privateBytes / 1048576.0);

        // Wine's floor for any GUI program: an empty one showing a small window.
        driver::Process empty = driver::Start(folder + L"\\bench_empty.exe", L"--window");
        const DWORD emptyPid = empty.Id();
        if (!driver::WaitForVisibleWindow("BenchEmpty", nullptr, 20000, emptyPid, 1))
            return Failed(what, "bench_empty showed no window");
        Sleep(300);
        m = MemoryOf(OpenForQuery(emptyPid).get());
        baseWs.push_back(m.workingSet / 1048576.0);
        basePriv.push_back(m.privateBytes / 1048576.0);
    }
    const Spread w = Summarize(ws), bw = Summarize(baseWs);
    Row(what, Show(w, "MB", 1),
        "empty GUI program under Wine: " + Show(bw, "MB", 1) + "; Snorva's own share " +
            Fixed(w.median - bw.median, 1) + " MB",
        "", "≤ 8 MB", Verdict(w.median <= 8, w.median > 0 && bw.median > 0));
    Row("snorva.exe after start-up: private bytes", Show(Summarize(priv), "MB", 1),
        "empty GUI program under Wine: " + Show(Summarize(basePriv), "MB", 1), "", "", "");
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--startup-steps") {
        int size = MultiByteToWideChar(CP_ACP, 0, argv[2], -1, nullptr, 0);
        std::wstring out(size, L'\0');
        MultiByteToWideChar(CP_ACP, 0, argv[2], -1, out.data(), size);
        out.resize(size - 1);
        return StartupSteps(out);
    }
    const struct {
        const char* name;
        void (*run)();
    } sections[] = {{"tick", TickSection},
                    {"startup", StartupSection},
                    {"calls", CallsSection},
                    {"memory", MemorySection}};
    for (int i = 1; i < argc; ++i) {
        bool known = false;
        for (const auto& section : sections) {
            if (std::string(argv[i]) != section.name) continue;
            known = true;
            try {
                section.run();
            } catch (const RunTimeError& error) {
                Failed(section.name, "run-time error " + std::to_string(error.Number()));
            }
        }
        if (!known) {
            std::fprintf(stderr, "snorva_bench: unknown section %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
