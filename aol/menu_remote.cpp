#include "aol/menu_remote.h"

bool MenuNeedsOwner(HWND, HMENU, int) { return false; }
bool ReadMenuFromOwner(HWND, MenuAnswers&) { return false; }
