#pragma once
// Snorva's start-up and run, shared by snorva.exe and the test build that stands in for what
// Wine cannot show of Windows.
#include <windows.h>

// Creates Form1 hidden, runs its load event, shows it, then handles events until the end.
int RunSnorva(HINSTANCE instance);
