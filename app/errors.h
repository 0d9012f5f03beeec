#pragma once
// The one place where a run-time error becomes a message box and the end of the program.
#include "aol/runtime_error.h"

#include <new>
#include <string>

// "Run-time error 'N':", a blank line, the message, and the hint after another blank line.
std::wstring RunTimeErrorText(const RunTimeError& error);

// Shows the error's box titled "Snorva" and ends the process with the error's number.
[[noreturn]] void EndWithRunTimeError(const RunTimeError& error);

// Runs one event's handler. Nothing thrown leaves it: an error ends the program here, so no
// exception ever crosses the window system.
template <class Handler> void AtEventBoundary(Handler&& handler) noexcept {
    try {
        handler();
    } catch (const RunTimeError& error) {
        EndWithRunTimeError(error);
    } catch (const std::bad_alloc&) {
        EndWithRunTimeError(RunTimeError(7, L"Out of memory"));
    } catch (...) {
        EndWithRunTimeError(RunTimeError(51, L"Internal error"));
    }
}
