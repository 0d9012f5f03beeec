#pragma once
// The rules that turn the transfer window's texts into the download line's fields:
// portable, no window system. Each deletion handles pending events through `pump`.
#include "core/replace_text.h"
#include <string>

// Whether an AOL child with this first static text and caption is the transfer window.
bool IsTransferWindow(const std::wstring& firstStatic, const std::wstring& caption);
// File name from the first static: AOL's words deleted, cut to 15 characters.
std::wstring FileNameField(std::wstring firstStatic, const EventPump& pump);
// Percent from the caption: what follows the first " - ", every "%" deleted.
std::wstring PercentField(const std::wstring& caption, const EventPump& pump);
// Time left from the second static: "about ", " remaining." and "ml" deleted.
std::wstring TimeLeftField(std::wstring secondStatic, const EventPump& pump);
