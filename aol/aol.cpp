#include "aol/aol.h"

#include "aol/call.h"
#include "aol/menu_remote.h"
#include "aol/menuhook/menu_reply.h"
#include "core/runtime_error.h"

#include <algorithm>
#include <climits>
#include <cstring>

LRESULT(WINAPI* SendToAol)(HWND, UINT, WPARAM, LPARAM) = SendMessageA;

HWND FindWindowByClass(const char* className) {
    return FindWindowA(className, nullptr);
}

HWND FindChildByClass(HWND parent, HWND after, const char* className) {
    // FindWindowEx treats parent 0 as the desktop; a lookup under a missing window finds nothing.
    if (!parent) return nullptr;
    return FindWindowExA(parent, after, className, nullptr);
}

namespace {

// Texts go to AOL's windows in the ANSI code page and come back from them in it.
std::string ToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    return bytes;
}

std::wstring FromAnsi(const std::string& bytes) {
    if (bytes.empty()) return {};
    int size =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), size);
    return text;
}

// Reads through a buffer of the reported length plus one, then keeps what the window copied:
// a window that over-reports leaves NULs behind, which would cut any line built from them.
template <typename Copy> std::string ReadText(LRESULT reported, Copy copy) {
    if (reported <= 0) return {};
    if (reported >= INT_MAX) throw Overflow();
    std::string buffer(static_cast<size_t>(reported) + 1, '\0');
    copy(buffer.data(), static_cast<int>(buffer.size()));
    buffer.resize(strnlen(buffer.data(), buffer.size()));
    return buffer;
}

} // namespace

std::wstring GetCaption(HWND window) {
    if (!window) return {};
    return FromAnsi(CallAol(window, [window] {
        return ReadText(GetWindowTextLengthA(window),
                        [window](char* buffer, int size) { GetWindowTextA(window, buffer, size); });
    }));
}

std::wstring GetControlText(HWND control) {
    if (!control) return {};
    return FromAnsi(CallAol(control, [control] {
        return ReadText(SendToAol(control, WM_GETTEXTLENGTH, 0, 0),
                        [control](char* buffer, int size) {
                            SendToAol(control, WM_GETTEXT, size, reinterpret_cast<LPARAM>(buffer));
                        });
    }));
}

void TypeLine(HWND input, const std::wstring& line) {
    if (!input) return;
    const bool refused = CallAol(input, [input, bytes = ToAnsi(line)] {
        // The error is the one this send leaves, on the thread that made it.
        SetLastError(0);
        if (!SendToAol(input, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes.c_str())) &&
            GetLastError() == ERROR_ACCESS_DENIED)
            return true;
        SendToAol(input, WM_CHAR, '\r', 0);
        return false;
    });
    if (refused)
        throw PermissionDenied(L"Start Snorva the way AOL is started (as administrator): AOL runs "
                               L"with higher rights than Snorva, and Windows keeps Snorva's lines "
                               L"out of it.");
}

MenuBar::MenuBar(HWND window) {
    bar_ = window ? GetMenu(window) : nullptr;
    count_ = GetMenuItemCount(bar_);
    if (MenuMustBeReadInsideOwner(window, bar_, count_)) {
        MenuAnswers answers;
        if (ReadMenuFromOwner(window, answers)) {
            count_ = answers.barCount;
            remote_ = std::make_unique<const MenuAnswers>(std::move(answers));
        }
    }
}

MenuBar::~MenuBar() = default;

int MenuBar::SubItemCount(int i) const {
    if (remote_) {
        return i >= 0 && i < static_cast<int>(remote_->subCounts.size()) ? remote_->subCounts[i]
                                                                         : -1;
    }
    return GetMenuItemCount(GetSubMenu(bar_, i));
}

std::wstring MenuBar::SubItemText(int i, int j) const {
    using menureply::kTextCapacity;
    std::string buffer(kTextCapacity, ' ');
    if (remote_) {
        if (i < 0 || i >= static_cast<int>(remote_->subCounts.size())) return FromAnsi(buffer);
        // Items are stored in probe order: every submenu before i, then item j of i.
        size_t item = 0;
        for (int k = 0; k < i; ++k)
            item += std::max(remote_->subCounts[k], 0);
        size_t offset = (item + j) * kTextCapacity;
        if (j >= 0 && j < remote_->subCounts[i] && offset + kTextCapacity <= remote_->texts.size())
            buffer.assign(remote_->texts, offset, kTextCapacity);
    } else {
        HMENU sub = GetSubMenu(bar_, i);
        UINT id = GetMenuItemID(sub, j);
        // Flags 1: found by the identifier, not by position.
        GetMenuStringA(sub, id, buffer.data(), kTextCapacity, 1);
    }
    // At most 99 characters and an end mark, as Windows writes them; Wine fills all 100.
    buffer[kTextCapacity - 1] = '\0';
    return FromAnsi(buffer);
}
