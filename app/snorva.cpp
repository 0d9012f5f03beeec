#include "app/snorva.h"

#include "app/errors.h"
#include "app/form.h"

#include <ole2.h>

int RunSnorva(HINSTANCE instance) {
    OleInitialize(nullptr); // the skin is loaded through OLE
    Form1 form(instance);
    if (!form.Create()) return 1;
    AtEventBoundary([&] { form.Form_Load(); });
    form.Show();
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
