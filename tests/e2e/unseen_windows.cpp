// snorva.exe on a Windows that Wine cannot show, as its arguments choose:
//   --no-short-names  a drive without 8.3 names (exFAT, ReFS, many NTFS data volumes)
//   --aol-elevated    AOL with higher rights (UIPI): WM_SETTEXT answers 0, ERROR_ACCESS_DENIED;
//                     WM_CHAR goes through, so an Enter after a refusal would post an empty line
//   --aol-inside OPTIONS…  the simulated client on a thread of Snorva's process, as on Windows
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
