#include "chat/chat.h"

#include "aol/aol.h"
#include "core/lower_case.h"
#include "core/runtime_error.h"
#include "core/version_number.h"

namespace {

// Up to AOL 5.0: the room's second RICHCNTL is its input.
void ChatSendClassic(const std::wstring& line) {
    HWND room = FindChatRoom();
    HWND view = FindChildByClass(room, nullptr, aolclass::kRichText);
    TypeLine(view ? FindChildByClass(room, view, aolclass::kRichText) : nullptr, line);
}

// From AOL 6.0 on: its first.
void ChatSendModern(const std::wstring& line) {
    TypeLine(FindChildByClass(FindChatRoom(), nullptr, aolclass::kRichText), line);
}

} // namespace

HWND FindChatRoom() {
    return FindAolChild([](HWND child) {
        using namespace aolclass;
        // A chat room holds all four; each is looked up, in this order.
        bool rich = FindChildByClass(child, nullptr, kRichText);
        bool list = FindChildByClass(child, nullptr, kListbox);
        bool icon = FindChildByClass(child, nullptr, kIcon);
        bool label = FindChildByClass(child, nullptr, kStatic);
        return rich && list && icon && label;
    });
}

std::wstring AolVersion() {
    MenuBar bar(FindWindowByClass(aolclass::kFrame));
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
    if (!version) throw NoAol();
    if (*version > 5.0) {
        ChatSendModern(line);
    } else {
        ChatSendClassic(line);
    }
}
