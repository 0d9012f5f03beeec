#pragma once
// What some of the Windows that Snorva runs on (95, 98, ME, NT 4.0 and later) lack: each function
// is looked up once, in the one table below, and used beside the fallback that keeps
// its behaviour without it. A look-up answers as the running Windows would: one older than the
// function's first takes the fallback even where the DLL exports the function (Wine exports
// everything, whichever Windows it reports). None of these is imported at load time; the imports
// check lists them apart (tests/imports/run-time-lookups.tsv).
#include <windows.h>

#include <commctrl.h>

namespace lookups {

// Versions as GetVersion gives them, major and minor in one number: 95 and NT 4.0 are 4.0, 98 is
// 4.10, ME 4.90; kNone: no Windows of that family has it.
constexpr WORD k95 = 0x400, k98 = 0x40A, kMe = 0x45A, kNt4 = 0x400, k2000 = 0x500, kXp = 0x501,
               kNone = 0xFFFF;

// `name` of the loaded `dll`, where the running Windows is at least `first9x` (95, 98, ME) or
// `firstNt` (NT); null where it is older or the DLL lacks it.
template <class Function>
Function* Find(const char* dll, const char* name, WORD first9x, WORD firstNt) {
    const DWORD version = GetVersion();
    if (MAKEWORD(HIBYTE(version), LOBYTE(version)) < (version & 0x80000000 ? first9x : firstNt))
        return nullptr;
    const HMODULE module = GetModuleHandleA(dll);
    return reinterpret_cast<Function*>(
        reinterpret_cast<void*>(module ? GetProcAddress(module, name) : nullptr));
}

// The table: each function with the first Windows of each family that has it.
struct Table {
    // XP SP1 (its service pack is not in the version: there the DLL answers)
    BOOL(WINAPI* setDllDirectoryW)
    (LPCWSTR) = Find<BOOL WINAPI(LPCWSTR)>("kernel32.dll", "SetDllDirectoryW", kNone, kXp);
    decltype(&OpenThread) openThread =
        Find<decltype(OpenThread)>("kernel32.dll", "OpenThread", kMe, k2000);
    // NT 4.0 SP4 (likewise)
    decltype(&GetAncestor) getAncestor =
        Find<decltype(GetAncestor)>("user32.dll", "GetAncestor", k98, kNt4);
    // With MWMO_INPUTAVAILABLE: NT 4.0 has the function and refuses the flag.
    decltype(&MsgWaitForMultipleObjectsEx) msgWaitForMultipleObjectsEx =
        Find<decltype(MsgWaitForMultipleObjectsEx)>("user32.dll", "MsgWaitForMultipleObjectsEx",
                                                    k98, k2000);
    // comctl32 4.70: 95 and NT 4.0 have it only from Internet Explorer 3 on.
    decltype(&InitCommonControlsEx) initCommonControlsEx =
        Find<decltype(InitCommonControlsEx)>("comctl32.dll", "InitCommonControlsEx", k98, k2000);
};
// Looked up at the first use, once.
inline const Table& Found() {
    static const Table table;
    return table;
}

} // namespace lookups

// DLLs are loaded by full path or from the system folder, never from the working folder. Older
// Windows cannot be told so.
inline void KeepWorkingFolderOutOfDllSearch() {
    if (auto set = lookups::Found().setDllDirectoryW) set(L"");
}

// A handle to wait on for the end of a thread of another program; null where no such handle can
// be had (95, 98, NT 4.0): a waiter then sees the thread go with its windows.
inline HANDLE OpenThreadToWaitFor(DWORD id) {
    auto open = lookups::Found().openThread;
    return open ? open(SYNCHRONIZE, FALSE, id) : nullptr;
}

// The top-level window that `window` lies in: up its parents while it is a child.
inline HWND RootWindow(HWND window) {
    if (auto ancestor = lookups::Found().getAncestor) return ancestor(window, GA_ROOT);
    while (window && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD))
        window = GetParent(window);
    return window;
}

// Waits until one of `handles` is set, input of any kind is in the queue, or `ms` have passed;
// input already in the queue, looked at but not taken, ends the wait too (MWMO_INPUTAVAILABLE).
// Without the flag, such input ends it before it begins: new input wakes any wait.
inline DWORD WaitForObjectsOrInput(DWORD count, const HANDLE* handles, DWORD ms) {
    if (auto wait = lookups::Found().msgWaitForMultipleObjectsEx)
        return wait(count, handles, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (HIWORD(GetQueueStatus(QS_ALLINPUT))) return WAIT_OBJECT_0 + count;
    return MsgWaitForMultipleObjects(count, handles, FALSE, ms, QS_ALLINPUT);
}

// Registers the common controls that dialogs and message boxes use. With the Common Controls 6
// manifest, XP creates neither until they are; older comctl32 takes only the first form.
inline void StartCommonControls() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    auto start = lookups::Found().initCommonControlsEx;
    if (!start || !start(&controls)) InitCommonControls();
}
