#include "download/download.h"

#include "aol/aol.h"
#include "core/fields.h"
#include "win/events.h"

using aolclass::kStatic;

namespace {

// Both texts are always read, static first, so AOL sees the same reads whatever the answer.
bool PassesTransferTest(HWND child) {
    const std::wstring firstStatic = GetControlText(FindChildByClass(child, nullptr, kStatic));
    const std::wstring caption = GetCaption(child);
    return IsTransferWindow(firstStatic, caption);
}

} // namespace

HWND FindTransferWindow() {
    return FindAolChild(PassesTransferTest);
}

std::wstring DownloadFileName() {
    HWND transfer = FindTransferWindow();
    if (transfer == nullptr) return L"n/a";
    return FileNameField(GetControlText(FindChildByClass(transfer, nullptr, kStatic)), DoEvents);
}

std::wstring DownloadPercent() {
    HWND transfer = FindTransferWindow();
    if (transfer == nullptr) return L"n/a";
    return PercentField(GetCaption(transfer), DoEvents);
}

std::wstring DownloadTimeLeft() {
    HWND transfer = FindTransferWindow();
    if (transfer == nullptr) return L"n/a";
    HWND firstStatic = FindChildByClass(transfer, nullptr, kStatic);
    HWND secondStatic = FindChildByClass(transfer, firstStatic, kStatic);
    return TimeLeftField(GetControlText(secondStatic), DoEvents);
}
