#pragma once
// A WM_NULL sent to a window of Snorva's UI thread with wParam one of these asks has probe.dll,
// hooked onto the thread, write its answer (a wide text) into the file mapping kMapping.
#include <windows.h>

namespace probe {
// The popup menu sent to, one line an item: its caption or "-", then " (greyed)", " (check mark)"
// or " (default)" where it shows one; a submenu's items follow, indented by two blanks.
inline constexpr WPARAM kPopup = 0x50524F42;
// The process's current folder.
inline constexpr WPARAM kFolder = kPopup + 1;
// The GDI objects the process holds more after the window has painted itself kPaints times.
inline constexpr WPARAM kPaintLeaks = kPopup + 2;
inline constexpr int kPaints = 200;
// Puts a procedure that hands on every message in front of the window's own, as an input method
// does; answers "in front".
inline constexpr WPARAM kInFront = kPopup + 3;
// The process's CPU time so far, user and kernel, in ms (Wine's figures for another process lag).
inline constexpr WPARAM kCpuMs = kPopup + 4;
// The process's threads and kernel handles: "<handles>: <id>@<began> <id>@<began> ...".
inline constexpr WPARAM kThreads = kPopup + 5;
// The items shown selected, the popup's own, then its open submenu's: "info/about".
inline constexpr WPARAM kSelected = kPopup + 6;
inline constexpr char kMapping[] = "snorva-probe";
// Events of unseen_windows.cpp's build: set by a test, every allocation fails from then on; set
// by the build, Snorva filled its queue to Windows' quota.
inline constexpr char kMemoryGone[] = "snorva-memory-gone";
inline constexpr char kQueueFull[] = "snorva-queue-full";
inline constexpr DWORD kSize = 4096; // bytes
} // namespace probe
