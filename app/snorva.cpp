#include "app/snorva.h"

#include "app/errors.h"
#include "app/form.h"
#include "win/lookups.h"

#include <ole2.h>

int RunSnorva(HINSTANCE instance) {
    KeepWorkingFolderOutOfDllSearch();
    StartCommonControls();
    OleInitialize(nullptr); // the skin is loaded through OLE
    Form1 form(instance);
    if (!form.Create()) return 1;
    AtEventBoundary(form.Handle(), [&] { form.Form_Load(); });
    form.Show();
    MSG message{};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return got == 0 ? static_cast<int>(message.wParam) : 1; // -1: the loop itself failed
}
