// probe.dll: the tests hook it onto Snorva's UI thread to look where another process cannot:
// into its open popup menu (Wine keeps menus per process), its current folder, and the GDI
// objects its paints hold.
#include "tests/e2e/probe.h"
#include "win/owners.h"

#include <string>

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

// The GDI objects this process holds. Windows counts them; Wine 8's count is always 0, but it
// finds an object by its handle's slot alone when the rest of the handle is 0, and a slot stays
// taken until its object is deleted: the taken slots are counted instead.
int GdiObjects() {
    if (DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return counted;
    int taken = 0;
    for (UINT_PTR slot = 1; slot <= 0xFFFF; ++slot)
        taken += GetObjectType(reinterpret_cast<HGDIOBJ>(slot)) != 0;
    return taken;
}

int PaintLeaks(HWND window) {
    const auto paint = [window](int times) {
        for (int i = 0; i < times; ++i)
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    };
    paint(10); // what a first paint makes once and keeps (fonts realised, caches)
    const int before = GdiObjects();
    paint(probe::kPaints);
    return GdiObjects() - before;
}

std::wstring Answer(HWND window, WPARAM ask) {
    if (ask == probe::kPaintLeaks) return std::to_wstring(PaintLeaks(window));
    std::wstring text;
    if (ask == probe::kFolder) {
        text.resize(GetCurrentDirectoryW(0, nullptr));
        text.resize(GetCurrentDirectoryW(static_cast<DWORD>(text.size()), text.data()));
    } else {
        WriteDown(reinterpret_cast<HMENU>(SendMessageW(window, MN_GETHMENU, 0, 0)), L"", text);
    }
    return text;
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_NULL && sent->wParam >= probe::kPopup &&
        sent->wParam <= probe::kPaintLeaks) {
        const std::wstring text = Answer(sent->hwnd, sent->wParam);
        const OwnedHandle mapping(OpenFileMappingA(FILE_MAP_WRITE, FALSE, probe::kMapping));
        const OwnedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
        if (view) lstrcpynW(static_cast<wchar_t*>(view.get()), text.c_str(), probe::kSize / 2);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
