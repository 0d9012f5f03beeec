// snorva.exe as it runs on a Windows that Wine cannot show, standing in for Windows where Snorva
// asks it. The arguments choose what it shows:
//   --no-short-names  the drive keeps no 8.3 names: GetShortPathNameW gives back the long path,
//                     as it does on exFAT, ReFS and many NTFS data volumes
//   --aol-elevated    AOL runs with higher rights (UIPI): each WM_SETTEXT to it answers 0 with
//                     ERROR_ACCESS_DENIED. WM_CHAR, refused there too, goes through here, so that
//                     an Enter sent after a refusal would post an empty line into the room.
//   --aol-inside OPTIONS…  the simulated client on a thread of Snorva's process, started with
//                     the rest of the line: as on Windows, every call to AOL waits in Snorva.
#include "aol/aol.h"
#include "app/skin.h"
#include "app/snorva.h"
#include "sim/sim.h"

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
    if (const char* aol = std::strstr(arguments, "--aol-inside"))
        if (!sim::StartInProcess(aol + std::strlen("--aol-inside"))) return 3;
    return RunSnorva(instance);
}
