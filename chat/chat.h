#pragma once
// Chat room output: every line Snorva writes into AOL goes out through ChatSend.
#include <windows.h>
#include <string>

// The open chat room window, or 0.
HWND FindChatRoom();
// "8.0" … "4.0", "3.0", "2.5" from the AOL main window's menu bar, or "n/a".
std::wstring AolVersion();
// Posts one line into the open chat room on the path the AOL version selects.
// An AOL version that is not a number raises the type-mismatch error before any room is sought.
void ChatSend(const std::wstring& line);
