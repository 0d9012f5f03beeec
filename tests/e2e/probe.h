#pragma once
// What a test and probe.dll, hooked onto Snorva's UI thread, share: a WM_NULL sent to one of the
// thread's windows with wParam one of the asks below has the DLL write its answer, a wide text
// ending in a NUL, into the file mapping kMapping.
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
// Puts a procedure in front of the window's own, as an accessibility tool or an input method
// does, that hands every message on unchanged; answers "in front".
inline constexpr WPARAM kInFront = kPopup + 3;
// The process's CPU time so far, user and kernel, in milliseconds. (Wine answers another
// process's GetProcessTimes from figures it seldom updates; a process's own are read afresh.)
inline constexpr WPARAM kCpuMs = kPopup + 4;
// The process's threads and the kernel handles it holds: "<threads> <handles>".
inline constexpr WPARAM kThreadsAndHandles = kPopup + 5;
inline constexpr char kMapping[] = "snorva-probe";
// Events of unseen_windows.cpp's build: set by a test, every allocation fails from then on; set
// by the build, Snorva filled its queue to Windows' quota.
inline constexpr char kMemoryGone[] = "snorva-memory-gone";
inline constexpr char kQueueFull[] = "snorva-queue-full";
inline constexpr DWORD kSize = 4096; // bytes
} // namespace probe
