#pragma once
// What the benchmarks measure with: a monotonic clock, CPU time of this process and of the
// Wine server, a process's memory, and a median with its spread over repeated runs.
#include "win/owners.h"

#include <string>
#include <vector>

namespace bench {

// Milliseconds on the performance counter; comparable across processes of one machine.
double NowMs();

// User plus kernel time of this process, in ms (10 ms steps under Wine, which gives no true
// times for other processes).
double OwnCpuMs();
// User plus system time of this prefix's wineserver, read from Z:\proc\<pid>\stat; 0 when
// there is no such file (not under Wine).
double WineServerCpuMs();

// Working set and private bytes of a process, in bytes. Private bytes are the commit charge on
// Windows; Wine reports the resident anonymous memory plus swap instead.
struct Memory {
    double workingSet = 0;
    double privateBytes = 0;
};
Memory MemoryOf(HANDLE process);

// The median of some runs and their range.
struct Spread {
    double median = 0, min = 0, max = 0;
    int runs = 0;
};
Spread Summarize(std::vector<double> values);
// "12.3 ms (11.9–13.0, n=7)"
std::string Show(const Spread& s, const char* unit, int decimals = 1);
std::string Fixed(double value, int decimals);

// One row of the results table (Markdown): what, Snorva, beside it, ratio, target, verdict.
void Row(const std::string& what, const std::string& ours, const std::string& beside,
         const std::string& ratio, const std::string& target, const std::string& verdict);
// "met" or "missed"; "nothing read" when the measurement read nothing to judge
const char* Verdict(bool met, bool read = true);

// A whole number from the environment, or `fallback`.
int Setting(const char* name, int fallback);

// A handle to another process, opened to read its memory; closed when dropped.
OwnedHandle OpenForQuery(DWORD pid);

} // namespace bench
