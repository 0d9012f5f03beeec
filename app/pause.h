#pragma once
// Waits at least `seconds` while this thread's windows keep handling their events. Zero or
// less returns at once without handling any. Re-entrant: a handler may pause inside a pause.
void Pause(double seconds);

// Seconds on a clock that never runs backwards or wraps, from an arbitrary start.
double MonotonicSeconds();
