#include "download/download.h"

#include "aol/aol.h"
#include "core/fields.h"
#include "win/events.h"

#include <optional>

using aolclass::kStatic;

namespace {

HWND FirstStatic(HWND window) {
    return FindChildByClass(window, nullptr, kStatic);
}

// Both texts are always read, static first, so AOL sees the same reads whatever the answer.
bool PassesTransferTest(HWND child) {
    const std::wstring firstStatic = GetControlText(FirstStatic(child));
    const std::wstring caption = GetCaption(child);
    return IsTransferWindow(firstStatic, caption);
}

// What `read` gives of the transfer window, found afresh and read in the same call to AOL;
// none when there is no transfer window.
template <class Read> std::optional<std::wstring> ReadTransferWindow(Read read) {
    return WalkAol([read]() -> std::optional<std::wstring> {
        HWND transfer = FindTransferWindow();
        if (!transfer) return std::nullopt;
        return read(transfer);
    });
}

} // namespace

HWND FindTransferWindow() {
    return WalkAol([] { return FindAolChild(PassesTransferTest); });
}

// The fields' rules let events run (ReplaceText), so they run here, after the call to AOL.
std::wstring DownloadFileName() {
    const auto text = ReadTransferWindow([](HWND t) { return GetControlText(FirstStatic(t)); });
    return text ? FileNameField(*text, DoEvents) : L"n/a";
}

std::wstring DownloadPercent() {
    const auto caption = ReadTransferWindow([](HWND t) { return GetCaption(t); });
    return caption ? PercentField(*caption, DoEvents) : L"n/a";
}

std::wstring DownloadTimeLeft() {
    const auto text = ReadTransferWindow(
        [](HWND t) { return GetControlText(FindChildByClass(t, FirstStatic(t), kStatic)); });
    return text ? TimeLeftField(*text, DoEvents) : L"n/a";
}
