// menu_probe.dll: under Wine only a menu's own process can read it, so the tests hook this onto
// Snorva's UI thread to read its open popup menu there.
#include "tests/e2e/menu_probe.h"
#include "win/owners.h"

#include <string>

namespace {

void WriteDown(HMENU menu, const std::string& indent, std::string& out) {
    for (int i = 0, count = GetMenuItemCount(menu); i < count; ++i) {
        char caption[256] = {};
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_STRING | MIIM_SUBMENU | MIIM_CHECKMARKS;
        item.dwTypeData = caption;
        item.cch = sizeof caption;
        GetMenuItemInfoA(menu, i, TRUE, &item);
        const bool separator = item.fType & MFT_SEPARATOR; // always disabled, never greyed
        out += indent + (separator ? "-" : caption);
        if (item.fState & MFS_GRAYED && !separator) out += " (greyed)";
        if (item.fState & MFS_CHECKED || item.hbmpUnchecked) out += " (check mark)";
        if (item.fState & MFS_DEFAULT) out += " (default)";
        out += "\n";
        if (item.hSubMenu) WriteDown(item.hSubMenu, indent + "  ", out);
    }
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK
    ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && sent->message == WM_NULL && sent->wParam == menuprobe::kAsk) {
        std::string text;
        WriteDown(reinterpret_cast<HMENU>(SendMessageA(sent->hwnd, MN_GETHMENU, 0, 0)), "", text);
        const OwnedHandle mapping(OpenFileMappingA(FILE_MAP_WRITE, FALSE, menuprobe::kMapping));
        const OwnedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
        if (view) lstrcpynA(static_cast<char*>(view.get()), text.c_str(), menuprobe::kSize);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
