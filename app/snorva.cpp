#include "app/snorva.h"

#include "app/errors.h"
#include "app/form.h"
#include "core/lines.h"
#include "win/lookups.h"

#include <ole2.h>

int RunSnorva(HINSTANCE instance) {
    KeepWorkingFolderOutOfDllSearch();
    StartCommonControls();
    OleInitialize(nullptr); // the skin is loaded through OLE
    Form1 form(instance);
    // Each end that follows an error shows its box and ends with its number (errors.h).
    const auto refused = [](const wchar_t* what) {
        const DWORD error = GetLastError();
        throw InternalError(what, lines::CounterText(error));
    };
    AtEventBoundary(nullptr, [&] {
        if (!form.Create()) refused(L"create Snorva's window");
    });
    AtEventBoundary(form.Handle(), [&] { form.Form_Load(); });
    form.Show();
    MSG message{};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (got < 0) AtEventBoundary(form.Handle(), [&] { refused(L"give Snorva its next message"); });
    return static_cast<int>(message.wParam);
}
