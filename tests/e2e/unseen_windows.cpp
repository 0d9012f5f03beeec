// snorva.exe on a Windows that Wine cannot show, as its arguments choose:
//   --no-short-names  a drive without 8.3 names (exFAT, ReFS, many NTFS data volumes)
//   --aol-elevated    AOL with higher rights (UIPI): WM_SETTEXT answers 0, ERROR_ACCESS_DENIED;
//                     WM_CHAR goes through, so an Enter after a refusal would post an empty line
//   --aol-inside OPTIONS…  the simulated client on a thread of Snorva's process, as on Windows
// Always: Windows' quota of 10,000 posted messages a queue (Wine keeps none) for what Snorva
// posts again, counted until taken (a refusal sets probe::kQueueFull); and memory that runs out
// once a test sets probe::kMemoryGone.
#include "aol/aol.h"
#include "app/skin.h"
#include "app/snorva.h"
#include "sim/sim.h"
#include "tests/e2e/probe.h"
#include "win/events.h"

#include <cstdlib>
#include <cstring>
#include <new>

HANDLE memoryGone = nullptr; // opened as Snorva starts: the runtime's own start-up is not Snorva's
void* operator new(std::size_t size) {
    void* memory = memoryGone && WaitForSingleObject(memoryGone, 0) == WAIT_OBJECT_0
                       ? nullptr
                       : std::malloc(size + !size);
    if (!memory) throw std::bad_alloc();
    return memory;
}

namespace {

LONG queued = 0;
HANDLE queueFull = nullptr;
BOOL WINAPI PostWithinQuota(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (queued >= 10000) return SetEvent(queueFull), SetLastError(ERROR_NOT_ENOUGH_QUOTA), FALSE;
    return PostMessageA(window, message, wParam, lParam) && ++queued;
}
LRESULT CALLBACK Taken(int code, WPARAM removed, LPARAM message) {
    queued -= code == HC_ACTION && removed == PM_REMOVE && queued > 0;
    return CallNextHookEx(nullptr, code, removed, message);
}

LRESULT WINAPI TextRefused(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_SETTEXT) return SendMessageA(window, message, wParam, lParam);
    SetLastError(ERROR_ACCESS_DENIED);
    return 0;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    if (std::strstr(arguments, "--no-short-names"))
        ShortPathName = GetLongPathNameW; // each name as it stands
    if (std::strstr(arguments, "--aol-elevated")) SendToAol = TextRefused;
    memoryGone = CreateEventA(nullptr, TRUE, FALSE, probe::kMemoryGone);
    queueFull = CreateEventA(nullptr, TRUE, FALSE, probe::kQueueFull);
    HeldMessages::PostHeldMessage = PostWithinQuota;
    SetWindowsHookExW(WH_GETMESSAGE, Taken, nullptr, GetCurrentThreadId());
    if (const char* aol = std::strstr(arguments, "--aol-inside"))
        if (!sim::StartInProcess(aol + std::strlen("--aol-inside"))) return 3;
    return RunSnorva(instance);
}
