#pragma once
// What a test and menu_probe.dll, hooked onto Snorva's thread, share: a WM_NULL with wParam
// kAsk sent to an open popup menu has the DLL write it down into the file mapping kMapping, one
// line an item: its caption or "-", then " (greyed)", " (check mark)" or " (default)" where it
// shows one; a submenu's items follow their item, indented by two blanks.
#include <windows.h>

namespace menuprobe {
inline constexpr WPARAM kAsk = 0x50524F42;
inline constexpr char kMapping[] = "snorva-menu-probe";
inline constexpr DWORD kSize = 4096; // the text ends in a NUL within it
} // namespace menuprobe
