#pragma once
// The modal input box: a prompt, a title, one text field, OK and Cancel.
#include <windows.h>

#include <string>

// The typed text on OK; an empty text on Cancel or when the box is closed.
std::string InputBox(HINSTANCE instance, const char* prompt, const char* title,
                     const char* initial = "");
