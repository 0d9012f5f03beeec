// snorva_soak: snorva.exe idling beside a client with a transfer window, ticked again and again
// through its timer's message, watched from outside for anything that grows. Prints rows of the
// results table; the samples go to stderr.
//   SNORVA_SOAK_TICKS   ticks (default 1000); a sample every tenth of them
#include "aol/aol.h"
#include "app/form.h"
#include "bench/measure.h"
#include "tests/support/driver.h"
#include "win/files.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace bench;

namespace {

// Private bytes may settle by this much after the first tenth of the run (heap slack).
constexpr double kNoiseBytes = 64 * 1024;

struct Sample {
    int tick = 0;
    Memory memory;
    int windows = 0;
    DWORD handles = 0;
    DWORD gdi = 0, user = 0; // GetGuiResources; 0 where it is not implemented (Wine)
};

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Top-level windows of a process and all their descendants: its USER windows.
int WindowsOf(DWORD pid) {
    int count = 0;
    for (HWND window = nullptr; (window = FindWindowExA(nullptr, window, nullptr, nullptr));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != pid) continue;
        ++count;
        EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&count));
    }
    return count;
}

Sample Take(int tick, DWORD pid) {
    Sample s;
    s.tick = tick;
    OwnedHandle process = OpenForQuery(pid);
    s.memory = MemoryOf(process.get());
    s.windows = WindowsOf(pid);
    GetProcessHandleCount(process.get(), &s.handles);
    s.gdi = GetGuiResources(process.get(), GR_GDIOBJECTS);
    s.user = GetGuiResources(process.get(), GR_USEROBJECTS);
    std::fprintf(stderr,
                 "soak: tick %5d  private %8.0f KB  working set %8.0f KB  windows %d  handles "
                 "%lu  GDI %lu  USER %lu\n",
                 tick, s.memory.privateBytes / 1024, s.memory.workingSet / 1024, s.windows,
                 static_cast<unsigned long>(s.handles), static_cast<unsigned long>(s.gdi),
                 static_cast<unsigned long>(s.user));
    return s;
}

bool HoldsLine(const std::wstring& transcript, const std::string& text) {
    for (const auto& line : driver::ReadTranscript(transcript)) {
        if (line.bytes.find(text) != std::string::npos) return true;
    }
    return false;
}

int Fail(const std::string& why) {
    Row("Soak", "failed: " + why, "", "", "", "**missed**");
    return 1;
}

// "idle on" from the popup menu, as a user chooses it: a click on the menu glyph, then the
// keyboard (the first Down lands on the disabled title, the second on "idle on").
bool ChooseIdleOn(HWND window) {
    driver::PostClick(window, driver::kMenuGlyph.x, driver::kMenuGlyph.y);
    HWND popup = nullptr;
    if (!driver::WaitUntil([&] { return (popup = driver::FindPopupMenu()) != nullptr; }, 10000))
        return false;
    driver::PostKey(popup, VK_DOWN);
    driver::PostKey(popup, VK_DOWN);
    driver::PostKey(popup, VK_RETURN);
    return driver::WaitUntil([] { return driver::FindPopupMenu() == nullptr; }, 10000);
}

} // namespace

int main() {
    const int ticks = Setting("SNORVA_SOAK_TICKS", 1000);
    const int every = ticks >= 10 ? ticks / 10 : 1;
    const std::wstring folder = ProgramFolder();
    const std::wstring transcript = folder + L"\\soak-transcript.txt";
    DeleteFileW(transcript.c_str());

    driver::Process aol = driver::Start(driver::AolSimExe(), L"--version 8.0 --transfer --hidden "
                                                             L"--transcript \"" +
                                                                 transcript + L"\"");
    const DWORD aolPid = aol.Id();
    if (!driver::WaitUntil([&] { return driver::FindProcessWindow(aolPid, aolclass::kFrame); },
                           20000))
        return Fail("aolsim did not start");
    driver::Process snorva = driver::Start(folder + L"\\snorva.exe", L"");
    const DWORD pid = snorva.Id();
    HWND dialog = driver::WaitForVisibleWindow("#32770", "handle", 20000, 0, 1);
    if (!dialog || !driver::AnswerDialog(dialog, "zibbet")) return Fail("no handle dialog");
    HWND window = driver::WaitForVisibleWindow(driver::kFormClass, nullptr, 20000, pid, 1);
    if (!window) return Fail("the window was not shown");
    if (!ChooseIdleOn(window) ||
        !driver::WaitUntil([&] { return HoldsLine(transcript, "<b>I</b>dler <b>E</b>ngaged"); },
                           10000))
        return Fail("idling could not be switched on");

    std::vector<Sample> samples{Take(0, pid)};
    const double t0 = NowMs();
    for (int tick = 1; tick <= ticks; ++tick) {
        DWORD_PTR result = 0;
        // Sent, so the next tick starts when this one (its half-second pause included) is done.
        if (!SendMessageTimeoutA(window, WM_TIMER, Form1::kTimer1, 0, SMTO_NORMAL, 30000, &result))
            return Fail("tick " + std::to_string(tick) + " did not return");
        if (tick % every == 0) samples.push_back(Take(tick, pid));
    }
    const double minutes = (NowMs() - t0) / 60000.0;
    if (!snorva.Running()) return Fail("snorva.exe ended during the soak");
    size_t downloadLines = 0;
    for (const auto& line : driver::ReadTranscript(transcript)) {
        if (line.bytes.find("<b>F</b>ile <b>d</b>l: snorva_demo.zip, 0%, 12 minutesl") !=
            std::string::npos)
            ++downloadLines;
    }

    const Sample& first = samples.front();
    const Sample& settled = samples.size() > 1 ? samples[1] : first;
    const Sample& last = samples.back();
    const std::string what = "Soak: " + std::to_string(ticks) +
                             " idle ticks with a transfer window (WM_TIMER), " + Fixed(minutes, 1) +
                             " min, " + std::to_string(downloadLines) + " download lines posted";
    const double growth = last.memory.privateBytes - settled.memory.privateBytes;
    auto kb = [](double bytes) { return Fixed(bytes / 1024, 0) + " KB"; };
    Row(what + ": private bytes",
        kb(first.memory.privateBytes) + " → " + kb(settled.memory.privateBytes) + " (tick " +
            std::to_string(settled.tick) + ") → " + kb(last.memory.privateBytes),
        "working set " + kb(first.memory.workingSet) + " → " + kb(last.memory.workingSet),
        "growth after tick " + std::to_string(settled.tick) + ": " + kb(growth),
        "no growth beyond noise (≤ 64 KB)",
        Verdict(growth <= kNoiseBytes && downloadLines >= static_cast<size_t>(ticks),
                first.memory.privateBytes > 0 && last.memory.privateBytes > 0));
    std::string series;
    for (const Sample& sample : samples)
        series += (series.empty() ? "" : ", ") + Fixed(sample.memory.privateBytes / 1024, 0);
    Row("Soak: private bytes every " + std::to_string(every) + " ticks, KB", series, "", "", "",
        "");
    Row("Soak: USER windows and kernel handles of snorva.exe",
        "windows " + std::to_string(first.windows) + " → " + std::to_string(last.windows) +
            "; handles " +
            (first.handles ? std::to_string(first.handles) + " → " + std::to_string(last.handles)
                           : std::string("n/a (GetProcessHandleCount gives 0 under Wine 8)")),
        "", "", "no growth",
        Verdict(last.windows <= first.windows && last.handles <= first.handles, first.windows > 0));
    const bool guiKnown = first.gdi || first.user || last.gdi || last.user;
    Row("Soak: GDI and USER objects (GetGuiResources)",
        guiKnown ? "GDI " + std::to_string(first.gdi) + " → " + std::to_string(last.gdi) +
                       "; USER " + std::to_string(first.user) + " → " + std::to_string(last.user)
                 : std::string("not available: GetGuiResources is a stub in Wine 8 (returns 0)"),
        "", "", "no growth",
        guiKnown ? Verdict(last.gdi <= first.gdi && last.user <= first.user) : "n/a");
    DeleteFileW(transcript.c_str());
    return 0;
}
