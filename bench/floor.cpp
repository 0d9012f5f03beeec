#include "bench/floor.h"

#include "aol/aol.h"

#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

constexpr int kMenuText = 100;
constexpr int kText = 4096; // the simulated client's texts are far shorter

// The version above 5, as the probe finds it; only the calls matter here, not the answer.
bool ModernVersionFloor() {
    HWND main = FindWindowA(aolclass::kFrame, nullptr);
    HMENU bar = main ? GetMenu(main) : nullptr;
    int count = GetMenuItemCount(bar);
    if (count == 8 || count == 7) return false;
    static const wchar_t* const patterns[] = {L"aol 8.0", L"aol 7.0", L"aol 6.0", L"aol 5.0",
                                              L"aol 4.0"};
    for (int i = 0; i < count; ++i) {
        int items = GetMenuItemCount(GetSubMenu(bar, i));
        for (int j = 0; j < items; ++j) {
            HMENU sub = GetSubMenu(bar, i);
            UINT id = GetMenuItemID(sub, j);
            char buffer[kMenuText];
            std::memset(buffer, ' ', kMenuText);
            GetMenuStringA(sub, id, buffer, kMenuText, 1);
            buffer[kMenuText - 1] = '\0';
            wchar_t text[kMenuText];
            MultiByteToWideChar(CP_ACP, 0, buffer, kMenuText, text, kMenuText);
            for (wchar_t& c : text)
                c = static_cast<wchar_t>(std::towlower(c));
            for (int p = 0; p < 5; ++p) {
                if (std::wcsstr(text, patterns[p])) return p < 3;
            }
        }
    }
    return false;
}

HWND FindChatRoomFloor() {
    HWND main = FindWindowA(aolclass::kFrame, nullptr);
    HWND mdi = main ? FindWindowExA(main, nullptr, aolclass::kMdiClient, nullptr) : nullptr;
    if (!mdi) return nullptr;
    for (HWND child = FindWindowExA(mdi, nullptr, aolclass::kChild, nullptr); child;
         child = FindWindowExA(mdi, child, aolclass::kChild, nullptr)) {
        bool rich = FindWindowExA(child, nullptr, aolclass::kRichText, nullptr);
        bool list = FindWindowExA(child, nullptr, aolclass::kListbox, nullptr);
        bool icon = FindWindowExA(child, nullptr, aolclass::kIcon, nullptr);
        bool label = FindWindowExA(child, nullptr, aolclass::kStatic, nullptr);
        if (rich && list && icon && label) return child;
    }
    return nullptr;
}

// The text a window copied, reported length plus one, as wide characters.
void ReadControlText(HWND control, wchar_t* text) {
    text[0] = L'\0';
    if (!control) return;
    char buffer[kText];
    LRESULT length = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return;
    int size = length + 1 < kText ? static_cast<int>(length) + 1 : kText;
    SendMessageA(control, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer));
    int n = MultiByteToWideChar(CP_ACP, 0, buffer, -1, text, kText);
    text[n > 0 ? n - 1 : 0] = L'\0';
}

void ReadCaption(HWND window, wchar_t* text) {
    text[0] = L'\0';
    if (!window) return;
    char buffer[kText];
    int length = GetWindowTextLengthA(window);
    if (length <= 0) return;
    GetWindowTextA(window, buffer, length + 1 < kText ? length + 1 : kText);
    int n = MultiByteToWideChar(CP_ACP, 0, buffer, -1, text, kText);
    text[n > 0 ? n - 1 : 0] = L'\0';
}

bool PassesFloor(HWND child) {
    static wchar_t label[kText], caption[kText];
    ReadControlText(child ? FindWindowExA(child, nullptr, aolclass::kStatic, nullptr) : nullptr,
                    label);
    ReadCaption(child, caption);
    return std::wcsstr(label, L"Downloading") && std::wcsstr(caption, L"File Transfer");
}

} // namespace

void ChatSendFloor(const wchar_t* line) {
    if (!ModernVersionFloor()) return; // the benchmark's client is AOL 8.0
    HWND room = FindChatRoomFloor();
    HWND input = room ? FindWindowExA(room, nullptr, aolclass::kRichText, nullptr) : nullptr;
    if (!input) return;
    static char bytes[kText];
    int n = WideCharToMultiByte(CP_ACP, 0, line, -1, bytes, kText, nullptr, nullptr);
    bytes[n > 0 ? n - 1 : 0] = '\0';
    SendMessageA(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes));
    SendMessageA(input, WM_CHAR, '\r', 0);
}

HWND FindTransferWindowFloor() {
    HWND main = FindWindowA(aolclass::kFrame, nullptr);
    HWND mdi = main ? FindWindowExA(main, nullptr, aolclass::kMdiClient, nullptr) : nullptr;
    HWND child = mdi ? FindWindowExA(mdi, nullptr, aolclass::kChild, nullptr) : nullptr;
    if (PassesFloor(child)) return child;
    do {
        child = mdi ? FindWindowExA(mdi, child, aolclass::kChild, nullptr) : nullptr;
        if (PassesFloor(child)) return child;
    } while (child);
    return nullptr;
}
