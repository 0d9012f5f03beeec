// snorva.exe as it runs on a Windows that Wine cannot show, standing in for Windows where Snorva
// asks it. The arguments choose what it shows:
//   --no-short-names  the drive keeps no 8.3 names: GetShortPathNameW gives back the long path,
//                     as it does on exFAT, ReFS and many NTFS data volumes
//   --aol-elevated    AOL runs with higher rights than Snorva: Windows refuses each WM_SETTEXT to
//                     its windows, answering 0 with ERROR_ACCESS_DENIED (User Interface Privilege
//                     Isolation). Windows refuses WM_CHAR too; here it goes through, so that an
//                     Enter sent after a refusal would post an empty line into the room.
#include "aol/aol.h"
#include "app/skin.h"
#include "app/snorva.h"

#include <cstring>

namespace {

DWORD WINAPI LongPathOnly(LPCWSTR path, LPWSTR shortPath, DWORD size) {
    const DWORD length = lstrlenW(path);
    if (size <= length) return length + 1;
    lstrcpyW(shortPath, path);
    return length;
}

LRESULT WINAPI TextRefused(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETTEXT) return SendMessageA(window, message, wParam, lParam);
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    if (std::strstr(arguments, "--no-short-names")) ShortPathName = LongPathOnly;
    if (std::strstr(arguments, "--aol-elevated")) SendToAol = TextRefused;
    return RunSnorva(instance);
}
