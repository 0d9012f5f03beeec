#include "app/errors.h"

#include "core/lines.h"

#include <windows.h>

namespace {

bool ending = false;

// "Run-time error 'N':", a blank line, the message, and the hint after another blank line.
std::wstring RunTimeErrorText(const RunTimeError& error) {
    std::wstring text =
        L"Run-time error '" + lines::CounterText(error.Number()) + L"':\n\n" + error.Message();
    if (!error.Hint().empty()) text += L"\n\n" + error.Hint();
    return text;
}

} // namespace

bool ProgramEnding() {
    return ending;
}

void EndWithRunTimeError(const RunTimeError& error, HWND owner) {
    if (ending) return; // the first error's box is up; it alone ends the program
    ending = true;
    // Owned by the strip, which it disables, and topmost and in front as the strip is, so that
    // the strip can never hide it.
    MessageBoxW(owner, RunTimeErrorText(error).c_str(), L"Snorva",
                MB_OK | MB_TOPMOST | MB_SETFOREGROUND);
    ExitProcess(static_cast<UINT>(error.Number()));
}
