#pragma once
// The download monitor: AOL's transfer window and the three fields of the download line.
// Each field finds the transfer window afresh and reads "n/a" when there is none.
#include <windows.h>
#include <string>

HWND FindTransferWindow();
std::wstring DownloadFileName();
std::wstring DownloadPercent();
std::wstring DownloadTimeLeft();
