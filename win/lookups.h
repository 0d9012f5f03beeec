#pragma once
// What some of the Windows that Snorva runs on (95, 98, ME, NT 4.0 and later) lack: each function
// is looked up once, in the one table below, and used beside the fallback that keeps its
// behaviour without it. A look-up answers as the running Windows would: one older than the
// function's first takes the fallback even where the DLL exports the function (Wine exports
// everything, whichever Windows it reports). None of these is imported at load time; the imports
// check lists them apart (tests/imports/run-time-lookups.tsv).
#include <windows.h>

#include <commctrl.h>

namespace lookups {

// Versions as GetVersion gives them, major and minor in one number: 98 is 4.10, ME 4.90, NT 4.0
// is 4.0; kNone: no Windows of that family has it.
constexpr WORD k98 = 0x40A, kMe = 0x45A, kNt4 = 0x400, k2000 = 0x500, kXp = 0x501, kNone = 0xFFFF;

// Where a function is and the first Windows of each family that has it; once asked, what the
// running Windows answered: the function where it is at least that Windows and the DLL has it,
// else null. Only the user-interface thread asks.
struct Place {
    const char* dll;
    const char* name;
    WORD first9x, firstNt;
    bool asked;
    void* found;
};
[[gnu::noinline]] inline void* Look(Place& place) {
    if (!place.asked) {
        const DWORD version = GetVersion();
        const WORD first = version & 0x80000000 ? place.first9x : place.firstNt;
        const HMODULE module = GetModuleHandleA(place.dll);
        if (MAKEWORD(HIBYTE(version), LOBYTE(version)) >= first && module)
            place.found = reinterpret_cast<void*>(GetProcAddress(module, place.name));
        place.asked = true;
    }
    return place.found;
}
template <class Function> struct Row {
    constexpr Row(const char* dll, const char* name, WORD first9x, WORD firstNt)
        : place{dll, name, first9x, firstNt, false, nullptr} {}
    Function* operator()() { return reinterpret_cast<Function*>(Look(place)); }
    Place place;
};

// The table.
inline struct Table {
    // XP SP1: its service pack is not in the version, there the DLL answers.
    Row<BOOL WINAPI(LPCWSTR)> setDllDirectoryW{"kernel32.dll", "SetDllDirectoryW", kNone, kXp};
    Row<decltype(OpenThread)> openThread{"kernel32.dll", "OpenThread", kMe, k2000};
    // NT 4.0 SP4: likewise.
    Row<decltype(GetAncestor)> getAncestor{"user32.dll", "GetAncestor", k98, kNt4};
    // With MWMO_INPUTAVAILABLE: NT 4.0 has the function and refuses the flag.
    Row<decltype(MsgWaitForMultipleObjectsEx)> msgWait{"user32.dll", "MsgWaitForMultipleObjectsEx",
                                                       k98, k2000};
    // comctl32 4.70: 95 and NT 4.0 have it only from Internet Explorer 3 on.
    Row<decltype(InitCommonControlsEx)> initCommonControlsEx{"comctl32.dll", "InitCommonControlsEx",
                                                             k98, k2000};
} table;

} // namespace lookups

// DLLs are loaded by full path or from the system folder, never from the working folder. Older
// Windows cannot be told so.
inline void KeepWorkingFolderOutOfDllSearch() {
    if (auto set = lookups::table.setDllDirectoryW()) set(L"");
}

// A handle to wait on for the end of a thread of another program; null where no such handle can
// be had (95, 98, NT 4.0): a waiter then sees the thread go with its windows.
inline HANDLE OpenThreadToWaitFor(DWORD id) {
    auto open = lookups::table.openThread();
    return open ? open(SYNCHRONIZE, FALSE, id) : nullptr;
}

// The top-level window that `window` lies in: up its parents while it is a child.
inline HWND RootWindow(HWND window) {
    if (auto ancestor = lookups::table.getAncestor()) return ancestor(window, GA_ROOT);
    while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        window = GetParent(window);
    return window;
}

// Waits until one of `handles` is set, input of any kind is in the queue, or `ms` have passed;
// input already in the queue, looked at but not taken, ends the wait too (MWMO_INPUTAVAILABLE).
// Without the flag, such input ends it before it begins: new input wakes any wait.
[[gnu::noinline, gnu::noclone]] inline DWORD
WaitForObjectsOrInput(DWORD count, const HANDLE* handles, DWORD ms) {
    if (auto wait = lookups::table.msgWait())
        return wait(count, handles, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (HIWORD(GetQueueStatus(QS_ALLINPUT))) return WAIT_OBJECT_0 + count;
    return MsgWaitForMultipleObjects(count, handles, FALSE, ms, QS_ALLINPUT);
}

// Registers the common controls that dialogs and message boxes use. With the Common Controls 6
// manifest, XP creates neither until they are; older comctl32 takes only the first form.
inline void StartCommonControls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    auto start = lookups::table.initCommonControlsEx();
    if (!start || !start(&controls)) InitCommonControls();
}
