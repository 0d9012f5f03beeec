#include "app/errors.h"

#include "core/lines.h"
#include "win/events.h"

#include <windows.h>

namespace {

bool ending = false;
UINT status = 0;

// "Run-time error 'N':", a blank line, the message, and the hint after another blank line.
std::wstring RunTimeErrorText(const RunTimeError& error) {
    std::wstring text =
        L"Run-time error '" + lines::CounterText(error.Number()) + L"':\n\n" + error.Message();
    if (!error.Hint().empty()) text += L"\n\n" + error.Hint();
    return text;
}

void End(const wchar_t* text, UINT number, HWND owner) noexcept {
    ending = true;
    status = number;
    HeldMessages::Drop(); // what waited for AOL does not run under the box either
    // Owned by the strip, which it disables, and topmost and in front as the strip is, so that
    // the strip can never hide it.
    MessageBoxW(owner, text, L"Snorva", MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
    ExitProcess(number);
}

} // namespace

bool ProgramEnding() {
    return ending;
}

UINT ExitStatus() {
    return status;
}

void EndWithRunTimeError(const RunTimeError& error, HWND owner) noexcept {
    if (ending) return; // the first error's box is up; it alone ends the program
    std::wstring text;
    try {
        text = RunTimeErrorText(error);
    } catch (const std::bad_alloc&) {
        return EndOutOfMemory(owner);
    }
    End(text.c_str(), static_cast<UINT>(error.Number()), owner);
}

void EndOutOfMemory(HWND owner) noexcept {
    if (!ending) End(L"Run-time error '7':\n\nOut of memory", 7, owner);
}
