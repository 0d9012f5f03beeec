#include "bench/measure.h"

#include "win/events.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace bench {
namespace {

double FileTimeMs(const FILETIME& t) {
    ULARGE_INTEGER v;
    v.LowPart = t.dwLowDateTime;
    v.HighPart = t.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 10000.0;
}

// A small file of /proc, whole; empty when it cannot be read.
std::string ReadSmallFile(const std::string& path) {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {};
    OwnedHandle file(handle);
    std::string text;
    char chunk[4096];
    DWORD got = 0;
    // /proc files claim size 0: read until the end.
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0 &&
           text.size() < 1 << 20)
        text.append(chunk, got);
    return text;
}

// The pid of this prefix's wineserver: given by tools/bench, else the one wineserver in
// /proc, else the one whose environment names our prefix.
int FindWineServer() {
    if (int given = Setting("SNORVA_WINESERVER_PID", 0)) return given;
    std::vector<int> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &entry);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        int pid = std::atoi(entry.cFileName);
        // "wineserver", or "wineserver64" where the server is 64-bit.
        if (pid > 0 &&
            ReadSmallFile("Z:\\proc\\" + std::to_string(pid) + "\\comm").rfind("wineserver", 0) ==
                0)
            found.push_back(pid);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    if (found.size() == 1) return found[0];
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix) return 0;
    // Variables are NUL-separated: match a whole one.
    const std::string nul(1, '\0');
    const std::string wanted = nul + "WINEPREFIX=" + prefix + nul;
    for (int pid : found) {
        std::string environment =
            nul + ReadSmallFile("Z:\\proc\\" + std::to_string(pid) + "\\environ");
        if (environment.find(wanted) != std::string::npos) return pid;
    }
    return 0;
}

} // namespace

double NowMs() {
    return MonotonicSeconds() * 1000.0;
}

double OwnCpuMs() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    return FileTimeMs(kernel) + FileTimeMs(user);
}

double WineServerCpuMs() {
    static const int pid = FindWineServer();
    if (!pid) return 0;
    std::string stat = ReadSmallFile("Z:\\proc\\" + std::to_string(pid) + "\\stat");
    size_t close = stat.rfind(')');
    if (close == std::string::npos) return 0;
    // After the name: state is field 3, utime field 14 and stime field 15, in clock ticks.
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    double ticks = 0;
    for (int n = 3; n <= 15 && fields >> field; ++n) {
        if (n >= 14) ticks += std::atof(field.c_str());
    }
    return ticks * 10.0; // USER_HZ is 100 on Linux
}

Memory MemoryOf(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return {};
    // Wine leaves PrivateUsage 0 and reports the commit charge as PagefileUsage, which Windows
    // keeps equal to it.
    double privateBytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    return {static_cast<double>(counters.WorkingSetSize), privateBytes};
}

Spread Summarize(std::vector<double> values) {
    Spread s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.min = values.front();
    s.max = values.back();
    s.runs = static_cast<int>(n);
    return s;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string Show(const Spread& s, const char* unit, int decimals) {
    return Fixed(s.median, decimals) + " " + unit + " (" + Fixed(s.min, decimals) + "–" +
           Fixed(s.max, decimals) + ", n=" + std::to_string(s.runs) + ")";
}

void Row(const std::string& what, const std::string& ours, const std::string& beside,
         const std::string& ratio, const std::string& target, const std::string& verdict) {
    std::printf("| %s | %s | %s | %s | %s | %s |\n", what.c_str(), ours.c_str(), beside.c_str(),
                ratio.c_str(), target.c_str(), verdict.c_str());
    std::fflush(stdout);
}

const char* Verdict(bool met, bool read) {
    if (!read) return "**nothing read**";
    return met ? "met" : "**missed**";
}

int Setting(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::atoi(value) : fallback;
}

OwnedHandle OpenForQuery(DWORD pid) {
    return OwnedHandle(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
}

} // namespace bench
