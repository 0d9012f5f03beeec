#pragma once
// The skin: the picture that is the window's background, and the region REGION.DLL cuts from it.
#include "win/owners.h"

#include <string>

// Loads a picture file (JPEG, BMP, GIF…) as a bitmap. A missing file raises error 53 naming
// it; anything else that cannot be read as a picture raises 481.
OwnedBitmap LoadPictureFile(const std::wstring& path);

// GetShortPathNameW, through which the skin's short path is asked for. A test build stands in
// for Windows here with what Wine cannot show: a drive that keeps no short names.
extern DWORD(WINAPI* ShortPathName)(LPCWSTR path, LPWSTR shortPath, DWORD size);

// MakeRgn of the REGION.DLL beside the program, loaded by full path at this first call (never
// from the search path). Missing DLL: error 53; no MakeRgn in it: 453; a picture path that
// REGION.DLL cannot be given in the ANSI code page: 53. The region may be 0.
HRGN RegionDllMakeRgn(const std::wstring& picture, int red, int green, int blue);
