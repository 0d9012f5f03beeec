#pragma once
// Handling what is pending, pausing while events go on being handled, and keeping what arrives
// while the thread may not handle it.
#include "win/lookups.h"

#include <windows.h>

#include <cmath>
#include <cstddef>
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
// system hands a busy program its queue. A timer's tick that is already kept is not kept twice
// (a timer never delivers a backlog), and a mouse move over the same window with the same buttons
// as the move kept last takes its place, as the window system merges moves.
class HeldMessages {
  public:
    // False when there is no memory left to keep it: the caller says so rather than lose it.
    static bool Hold(const MSG& message) noexcept {
        if (!held_.empty() && IsMove(message.message)) {
            MSG& last = held_.back();
            if (last.message == message.message && last.hwnd == message.hwnd &&
                last.wParam == message.wParam) {
                last = message;
                return true;
            }
        }
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
    // A message to a window that has gone meanwhile is dropped: nobody is left to take it. When
    // the queue is full (Windows queues 10,000 posted messages a program), the rest stays kept,
    // in order, and goes once the queue has room: a timer's tick comes only when it is empty.
    static void PostAgain() noexcept {
        if (retry_) KillTimer(nullptr, retry_);
        retry_ = 0;
        size_t posted = 0;
        for (; posted < held_.size(); ++posted) {
            const MSG& m = held_[posted];
            if (m.hwnd && !IsWindow(m.hwnd)) continue;
            if (!Post(m)) break;
        }
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(posted));
        if (!held_.empty()) retry_ = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, Retry);
    }
    // A run-time error ends the program: nothing kept may run under its box.
    static void Drop() noexcept { held_.clear(); }
    // PostMessageA. A test build stands in for Windows here with its quota of posted messages,
    // which Wine does not keep.
    static inline BOOL(WINAPI* PostHeldMessage)(HWND, UINT, WPARAM, LPARAM) = PostMessageA;

  private:
    static bool IsMove(UINT message) {
        return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE;
    }
    static bool Post(const MSG& m) {
        if (m.message == WM_QUIT) { // a quit is the thread's state, not a message to post
            PostQuitMessage(static_cast<int>(m.wParam));
            return true;
        }
        return m.hwnd ? PostHeldMessage(m.hwnd, m.message, m.wParam, m.lParam) != FALSE
                      : PostThreadMessageA(GetCurrentThreadId(), m.message, m.wParam, m.lParam);
    }
    static void CALLBACK Retry(HWND, UINT, UINT_PTR, DWORD) { PostAgain(); }

    static inline std::vector<MSG> held_;
    static inline UINT_PTR retry_ = 0; // the thread's timer that posts the rest, while some is kept
};
