#include "app/snorva.h"

#include "app/errors.h"
#include "app/form.h"
#include "core/lines.h"

#include <commctrl.h>
#include <ole2.h>

// XP SP1 has it; the XP headers leave it out.
extern "C" __declspec(dllimport) BOOL WINAPI SetDllDirectoryW(LPCWSTR folder);

int RunSnorva(HINSTANCE instance) {
    // DLLs are loaded by full path or from the system folder, never from the working folder.
    SetDllDirectoryW(L"");
    // With the Common Controls 6 manifest, XP creates no dialog or message box until they are
    // registered; later Windows load them on demand.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
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
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (got < 0) AtEventBoundary(form.Handle(), [&] { refused(L"give Snorva its next message"); });
    return static_cast<int>(message.wParam);
}
