#pragma once
// The waiting rule behind Pause, apart from the window system so that it can be tested with a
// clock of our own: handle events, read the clock, and between turns sleep until the next
// event or the deadline, whichever comes first.

// `now` gives seconds on a clock that never runs backwards; `handleEvents` handles everything
// pending; `waitAtMost(seconds)` returns when an event arrives or the time is up. No state is
// kept between calls, so a handler may pause again inside `handleEvents`.
template <class Now, class HandleEvents, class WaitAtMost>
void PauseLoop(double seconds, Now now, HandleEvents handleEvents, WaitAtMost waitAtMost) {
    const double start = now();
    // Not `!(elapsed < seconds)`: a NaN pause returns at once too.
    if (!(now() - start < seconds)) return;
    for (;;) {
        handleEvents();
        const double elapsed = now() - start;
        if (elapsed >= seconds) return;
        waitAtMost(seconds - elapsed);
    }
}
