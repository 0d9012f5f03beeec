#include "chat/chat.h"

#include "aol/aol.h"
#include "core/lower_case.h"
#include "core/runtime_error.h"
#include "core/version_number.h"

HWND FindChatRoom() {
    HWND mdi = FindChildByClass(FindWindowByClass("AOL Frame25"), nullptr, "MDIClient");
    for (HWND child = FindChildByClass(mdi, nullptr, "AOL Child"); child;
         child = FindChildByClass(mdi, child, "AOL Child")) {
        // A chat room holds all four; each is looked up, in this order.
        bool rich = FindChildByClass(child, nullptr, "RICHCNTL");
        bool list = FindChildByClass(child, nullptr, "_AOL_Listbox");
        bool icon = FindChildByClass(child, nullptr, "_AOL_Icon");
        bool label = FindChildByClass(child, nullptr, "_AOL_Static");
        if (rich && list && icon && label) return child;
    }
    return nullptr;
}

std::wstring AolVersion() {
    MenuBar bar(FindWindowByClass("AOL Frame25"));
    int count = bar.ItemCount();
    if (count == 8) return L"3.0";
    if (count == 7) return L"2.5";

    static const struct {
        const wchar_t* pattern;
        const wchar_t* version;
    } versions[] = {{L"aol 8.0", L"8.0"},
                    {L"aol 7.0", L"7.0"},
                    {L"aol 6.0", L"6.0"},
                    {L"aol 5.0", L"5.0"},
                    {L"aol 4.0", L"4.0"}};
    // Every item is scanned, however many the menus hold.
    for (int i = 0; i < count; ++i) {
        int items = bar.SubItemCount(i);
        for (int j = 0; j < items; ++j) {
            std::wstring text = LowerCase(bar.SubItemText(i, j));
            for (const auto& v : versions) {
                if (text.find(v.pattern) != std::wstring::npos) return v.version;
            }
        }
    }
    return L"n/a";
}

void ChatSend(const std::wstring& line) {
    std::optional<double> version = ReadVersionNumber(AolVersion());
    if (!version) {
        throw TypeMismatch(L"No AOL client is running, or its version could not be told: "
                           L"start AOL, enter a chat room, then start Snorva again.");
    }
    if (*version > 5.0) {
        ChatSendModern(line);
    } else {
        ChatSendClassic(line);
    }
}

void ChatSendClassic(std::wstring line) {
    HWND room = FindChatRoom();
    HWND view = FindChildByClass(room, nullptr, "RICHCNTL");
    HWND input = view ? FindChildByClass(room, view, "RICHCNTL") : nullptr;
    SetControlText(input, line);
    SendCharKey(input, '\r');
}

void ChatSendModern(std::wstring line) {
    HWND input = FindChildByClass(FindChatRoom(), nullptr, "richcntl");
    SetControlText(input, line);
    SendCharKey(input, '\r');
}
