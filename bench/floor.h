#pragma once
// The floor of the window-system work: the very Win32 calls that ChatSend and
// FindTransferWindow make, in the same order, issued bare into fixed buffers, so that what
// our code adds on top of the calls can be told apart from what the calls cost.
#include <windows.h>

// ChatSend's calls for a client above version 5: the version probe over the menu bar, the
// chat room walk, then WM_SETTEXT and Enter into the room's first RICHCNTL.
void ChatSendFloor(const wchar_t* line);
// FindTransferWindow's calls: every AOL child's first static and caption, read in full.
HWND FindTransferWindowFloor();
