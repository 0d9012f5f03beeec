#include "app/input_box.h"

#include "app/errors.h"
#include "app/resource.h"

#include <vector>

namespace {

struct InputBoxData {
    const char* prompt;
    const char* title;
    std::string answer;
};

std::string ReadDialogText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    std::vector<char> buffer(GetWindowTextLengthA(control) + 1);
    int length = GetWindowTextA(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), length > 0 ? length : 0);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* data = reinterpret_cast<InputBoxData*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        SetWindowTextA(dialog, data->title);
        SetDlgItemTextA(dialog, IDC_PROMPT, data->prompt);
        SetDlgItemTextA(dialog, IDC_ANSWER, data->answer.c_str());
        SetFocus(GetDlgItem(dialog, IDC_ANSWER));
        return FALSE; // focus set here
    }
    case WM_COMMAND: {
        auto* data = reinterpret_cast<InputBoxData*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (LOWORD(wParam)) {
        case IDOK: // a window's handler: nothing thrown may cross into the window system
            AtEventBoundary(dialog, [&] { data->answer = ReadDialogText(dialog, IDC_ANSWER); });
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            data->answer.clear();
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

} // namespace

std::string InputBox(HINSTANCE instance, const char* prompt, const char* title,
                     const char* initial) {
    InputBoxData data{prompt, title, initial};
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_INPUT), nullptr, InputBoxProc,
                                     reinterpret_cast<LPARAM>(&data));
    return result == IDOK ? data.answer : std::string();
}
