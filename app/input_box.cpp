#include "app/input_box.h"

#include "app/errors.h"
#include "app/resource.h"

#include <vector>

namespace {

struct InputBoxData {
    std::wstring prompt;
    std::wstring title;
    std::wstring answer;
};

std::wstring ReadDialogText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    std::vector<wchar_t> buffer(GetWindowTextLengthW(control) + 1);
    int length = GetWindowTextW(control, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), length > 0 ? length : 0);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        auto* data = reinterpret_cast<InputBoxData*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowTextW(dialog, data->title.c_str());
        SetDlgItemTextW(dialog, IDC_PROMPT, data->prompt.c_str());
        SetDlgItemTextW(dialog, IDC_ANSWER, data->answer.c_str());
        SetFocus(GetDlgItem(dialog, IDC_ANSWER));
        return FALSE; // focus set here
    }
    case WM_COMMAND: {
        auto* data = reinterpret_cast<InputBoxData*>(GetWindowLongPtrW(dialog, DWLP_USER));
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

std::wstring InputBox(HINSTANCE instance, const std::wstring& prompt, const std::wstring& title,
                      const std::wstring& initial) {
    InputBoxData data{prompt, title, initial};
    INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_INPUT), nullptr, InputBoxProc,
                                     reinterpret_cast<LPARAM>(&data));
    return result == IDOK ? data.answer : std::wstring();
}
