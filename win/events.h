#pragma once
// Handling what is pending, pausing while events go on being handled, and keeping what arrives
// while the thread may not handle it.
#include "win/lookups.h"

#include <windows.h>

#include <cmath>
#include <vector>

// Handles all pending events of this thread's windows, then returns.
inline void DoEvents() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Seconds on a clock that never runs backwards or wraps, from an arbitrary start.
inline double MonotonicSeconds() {
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return static_cast<double>(count.QuadPart) / frequency;
}

// The waiting rule behind Pause, apart from the window system so that it can be tested with a
// clock of our own: handle events, read the clock, and between turns sleep until the next
// event or the deadline, whichever comes first. `now` gives seconds on a clock that never runs
// backwards; `handleEvents` handles everything pending; `waitAtMost(seconds)` returns when an
// event arrives or the time is up. No state is kept between calls, so a handler may pause again
// inside `handleEvents`.
template <class Now, class HandleEvents, class WaitAtMost>
void PauseLoop(double seconds, Now now, HandleEvents handleEvents, WaitAtMost waitAtMost) {
    const double start = now();
    // "Not less than", rather than "at least": a NaN pause returns at once too.
    if (!(now() - start < seconds)) return;
    for (;;) {
        handleEvents();
        const double elapsed = now() - start;
        if (elapsed >= seconds) return;
        waitAtMost(seconds - elapsed);
    }
}

// Waits at least `seconds` while this thread's windows keep handling their events. Zero or
// less returns at once without handling any. Re-entrant: a handler may pause inside a pause.
inline void Pause(double seconds) {
    // Between turns it sleeps until input of any kind is there or the time is up, instead of
    // spinning a core.
    PauseLoop(seconds, MonotonicSeconds, DoEvents, [](double left) {
        const double ms = std::ceil(left * 1000.0);
        const DWORD timeout = ms >= 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(ms);
        WaitForObjectsOrInput(0, nullptr, timeout);
    });
}

// Messages that arrive while the thread must not run them (it waits for another program): kept
// in the order they came and posted again, in that order, when the wait is over, as the window
// system hands a busy program its queue. A timer's tick that is already kept is not kept twice:
// a timer never delivers a backlog.
class HeldMessages {
  public:
    // False when there is no memory left to keep it: the caller says so rather than lose it.
    static bool Hold(const MSG& message) noexcept {
        for (const MSG& held : held_)
            if (message.message == WM_TIMER && held.message == WM_TIMER &&
                held.hwnd == message.hwnd && held.wParam == message.wParam)
                return true;
        try {
            held_.push_back(message);
        } catch (...) {
            return false;
        }
        return true;
    }
    static void PostAgain() {
        std::vector<MSG> held;
        held.swap(held_);
        for (const MSG& m : held) {
            if (m.hwnd)
                PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
            else
                PostThreadMessageA(GetCurrentThreadId(), m.message, m.wParam, m.lParam);
        }
    }

  private:
    static inline std::vector<MSG> held_;
};
