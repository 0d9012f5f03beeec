#pragma once
// The modal input box: a prompt, a title, one text field, OK and Cancel.
#include <windows.h>

#include <string>

// The typed text on OK; an empty text on Cancel or when the box is closed.
std::wstring InputBox(HINSTANCE instance, const std::wstring& prompt, const std::wstring& title,
                      const std::wstring& initial = {});
