#include "app/pause.h"

#include "app/pause_loop.h"
#include "aol/aol.h"

#include <cmath>

double MonotonicSeconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / frequency;
}

namespace {

// Sleeps until input of any kind arrives (MWMO_INPUTAVAILABLE: also input that is already
// queued but not yet looked at) or the time is up, instead of spinning a core.
void WaitForInput(double seconds) {
    const double ms = std::ceil(seconds * 1000.0);
    const DWORD timeout = ms >= 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(ms);
    MsgWaitForMultipleObjectsEx(0, nullptr, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

} // namespace

void Pause(double seconds) {
    PauseLoop(seconds, MonotonicSeconds, DoEvents, WaitForInput);
}
