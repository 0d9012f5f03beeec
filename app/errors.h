#pragma once
// The one place where a run-time error becomes a message box and the end of the program.
#include "core/runtime_error.h"

#include <windows.h>

#include <new>
#include <string>

// Shows the error's box titled "Snorva", owned by `owner`, and ends the process with the
// error's number. From the first call on, the program is ending: a later error adds no box.
void EndWithRunTimeError(const RunTimeError& error, HWND owner) noexcept;
// The same for run-time error 7, out of memory, without allocating any.
void EndOutOfMemory(HWND owner) noexcept;
// Whether a run-time error is on its way to ending the program: no click, tick or command of
// the window may run any more, only its painting.
bool ProgramEnding();
// What Snorva ends with now, whatever ends it: the number of that error, else 0.
UINT ExitStatus();

// Runs one event's handler of the window `owner`. Nothing thrown leaves it: an error ends the
// program here, so no exception ever crosses the window system.
template <class Handler> void AtEventBoundary(HWND owner, Handler&& handler) noexcept {
    try {
        handler();
    } catch (const RunTimeError& error) {
        EndWithRunTimeError(error, owner);
    } catch (const std::bad_alloc&) {
        EndOutOfMemory(owner);
    } catch (...) {
        EndWithRunTimeError(RunTimeError(51, L"Internal error"), owner);
    }
}
