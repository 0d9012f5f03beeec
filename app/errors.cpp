#include "app/errors.h"

#include "app/lines.h"

#include <windows.h>

std::wstring RunTimeErrorText(const RunTimeError& error) {
    std::wstring text =
        L"Run-time error '" + lines::CounterText(error.Number()) + L"':\n\n" + error.Message();
    if (!error.Hint().empty()) text += L"\n\n" + error.Hint();
    return text;
}

void EndWithRunTimeError(const RunTimeError& error) {
    MessageBoxW(nullptr, RunTimeErrorText(error).c_str(), L"Snorva", MB_OK);
    ExitProcess(static_cast<UINT>(error.Number()));
}
