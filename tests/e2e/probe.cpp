// probe.dll looks inside Snorva's process (probe.h). As its REGION.DLL, it writes the path MakeRgn
// is given into MakeRgn.txt beside the program, then answers as REGION-real.dll there, or none.
#include "tests/e2e/probe.h"
#include "win/owners.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include <tlhelp32.h>

namespace {

void WriteDown(HMENU menu, const std::wstring& indent, std::wstring& out) {
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        wchar_t caption[256] = {};
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU | MIIM_CHECKMARKS;
        item.dwTypeData = caption;
        item.cch = 256;
        GetMenuItemInfoW(menu, i, TRUE, &item);
        const bool separator = item.fType & MFT_SEPARATOR; // always disabled, never greyed
        out += indent + (separator ? L"-" : caption);
        if (item.fState & MFS_GRAYED && !separator) out += L" (greyed)";
        if (item.fState & MFS_CHECKED || item.hbmpUnchecked) out += L" (check mark)";
        if (item.fState & MFS_DEFAULT) out += L" (default)";
        out += L"\n";
        if (item.hSubMenu) WriteDown(item.hSubMenu, indent + L"  ", out);
    }
}

// The GDI objects this process holds. Wine 8's GetGuiResources always answers 0, but its gdi32
// finds an object by its handle's slot alone when the rest of the handle is 0, and a slot stays
// taken until its object is deleted: the taken slots are counted.
int GdiObjects() {
    int taken = 0;
    for (UINT_PTR slot = 1; slot <= 0xFFFF; ++slot)
        taken += GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0;
    return taken;
}

std::wstring PaintLeaks(HWND window) {
    const auto paint = [window](int times) {
        for (int i = 0; i < times; ++i)
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    };
    paint(10); // what a first paint makes once and keeps (fonts realised, caches)
    const int before = GdiObjects();
    if (!before) return L"no count"; // the fonts and pictures it holds are objects too
    paint(probe::kPaints);
    return std::to_wstring(GdiObjects() - before);
}

// Wine's GetProcessHandleCount answers 0, but every handle value that names an object answers
// GetHandleInformation, and Wine gives out the lowest free values first.
std::wstring Threads() {
    const OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{sizeof entry};
    std::wstring threads;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more;
         more = Thread32Next(snapshot.get(), &entry)) {
        const OwnedHandle thread(OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID));
        FILETIME began{}, unused[3];
        if (entry.th32OwnerProcessID == GetCurrentProcessId() && thread &&
            GetThreadTimes(thread.get(), &began, &unused[0], &unused[1], &unused[2]))
            threads += std::to_wstring(entry.th32ThreadID) + L"@" +
                       std::to_wstring(began.dwLowDateTime) + L" ";
    }
    int handles = 0;
    DWORD flags;
    for (UINT_PTR value = 4; value < 0x10000; value += 4)
        handles += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    return std::to_wstring(handles) + L":" + threads;
}

WNDPROC behind = nullptr;
LRESULT CALLBACK InFront(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(behind, window, message, wParam, lParam);
}

std::wstring Answer(HWND window, WPARAM ask) {
    if (ask == probe::kPaintLeaks) return PaintLeaks(window);
    if (ask == probe::kThreads) return Threads();
    if (ask == probe::kCpuMs) {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto ms = [](FILETIME t) {
            return (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 10000;
        };
        return std::to_wstring(ms(kernel) + ms(user));
    }
    if (ask == probe::kInFront) {
        HMODULE self; // kept loaded once the hook has gone: the window calls into it
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(&InFront), &self);
        behind = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InFront)));
        return L"in front";
    }
    wchar_t folder[MAX_PATH];
    if (ask == probe::kFolder) return {folder, GetCurrentDirectoryW(MAX_PATH, folder)};
    std::wstring text;
    HMENU menu = reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0));
    for (int i = 0, count = GetMenuItemCount(menu); ask == probe::kSelected && i < count; ++i) {
        wchar_t caption[64] = {};
        if (!(GetMenuState(menu, i, MF_BYPOSITION) & MF_HILITE)) continue;
        GetMenuStringW(menu, i, caption, 64, MF_BYPOSITION);
        text += (text.empty() ? L"" : L"/") + std::wstring(caption);
        menu = GetSubMenu(menu, i), i = -1, count = GetMenuItemCount(menu);
    }
    if (ask == probe::kSelected) return text;
    WriteDown(menu, L"", text);
    return text;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_NULL && sent->wParam >= probe::kPopup &&
        sent->wParam <= probe::kSelected) {
        const std::wstring text = Answer(sent->hwnd, sent->wParam);
        const OwnedHandle mapping(OpenFileMappingA(FILE_MAP_WRITE, FALSE, probe::kMapping));
        const OwnedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
        if (view) lstrcpynW(static_cast<wchar_t*>(view.get()), text.c_str(), probe::kSize / 2);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

extern "C" __declspec(dllexport) HRGN
    __stdcall MakeRgn(const char* path, int32_t red, int32_t green, int32_t blue) {
    wchar_t program[MAX_PATH];
    GetModuleFileNameW(nullptr, program, MAX_PATH);
    const std::filesystem::path folder = std::filesystem::path(program).parent_path();
    std::ofstream(folder / "MakeRgn.txt", std::ios::binary) << path;
    using Make = HRGN(__stdcall*)(const char*, int32_t, int32_t, int32_t);
    HMODULE real = LoadLibraryW((folder / "REGION-real.dll").c_str());
    const auto make =
        real ? reinterpret_cast<Make>(reinterpret_cast<void*>(GetProcAddress(real, "MakeRgn")))
             : nullptr;
    return make ? make(path, red, green, blue) : nullptr;
}
