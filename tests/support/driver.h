#pragma once
// Drives Snorva from another process as a person would, from a copy of its program folder beside
// the simulated AOL client. Free of any test framework: the demo and the benchmarks use it too.
#include "win/owners.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace driver {

void KillProcess(HANDLE process); // unless it has ended; then closes the handle
// A started process; killed when dropped while still running.
class Process {
  public:
    Process() = default;
    Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
    explicit operator bool() const { return handle_ != nullptr; }
    DWORD Id() const { return id_; }
    HANDLE Handle() const { return handle_.get(); }
    bool Running() const { return handle_ && WaitForSingleObject(Handle(), 0) == WAIT_TIMEOUT; }
    std::optional<DWORD> Wait(DWORD timeoutMs) const;
    void Kill() { handle_.reset(); }

  private:
    Owned<HANDLE, KillProcess> handle_;
    DWORD id_ = 0;
};

// Starts `program` in `folder` (empty: its own); `at`: where its starter asks its window to be.
Process Start(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder = {}, std::optional<POINT> at = {});
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 10);

// Top-level windows of a class (and title, unless null) of process `pid` (any when 0).
std::vector<HWND> FindWindows(const char* className, const char* title = nullptr, DWORD pid = 0);
inline HWND FindProcessWindow(DWORD pid, const char* className) {
    const std::vector<HWND> found = FindWindows(className, nullptr, pid);
    return found.empty() ? nullptr : found[0];
}
// The first shown one, once there is one; 0 on time-out.
HWND WaitForVisibleWindow(const char* className, const char* title, DWORD timeoutMs, DWORD pid = 0,
                          DWORD stepMs = 10);
inline int CountVisibleWindows(const char* className, DWORD pid = 0) {
    const std::vector<HWND> found = FindWindows(className, nullptr, pid);
    return static_cast<int>(std::count_if(found.begin(), found.end(), IsWindowVisible));
}
inline HWND FindPopupMenu() { // the open popup menu, or 0
    return WaitForVisibleWindow("#32768", nullptr, 0);
}
std::string GetText(HWND window);
// Texts of ours, paths among them (the temporary folder's name), are ASCII.
inline std::wstring Widen(const std::string& text) {
    return {text.begin(), text.end()};
}
inline std::string Narrow(const std::wstring& text) {
    return {text.begin(), text.end()};
}

bool AnswerDialog(HWND dialog, const std::string& text, bool ok = true);

inline void DismissMessageBox(HWND box) { // OK: WM_CLOSE would answer Cancel under Wine
    SendMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

inline void PostButton(HWND window, UINT message, int x, int y) {
    PostMessageA(window, message, message == WM_LBUTTONDOWN ? MK_LBUTTON : 0, MAKELPARAM(x, y));
}
inline void PostClick(HWND window, int x, int y) {
    PostButton(window, WM_LBUTTONDOWN, x, y);
    PostButton(window, WM_LBUTTONUP, x, y);
}
void PostKey(HWND window, UINT virtualKey);

// One line the simulated client took into a room: <ms>\t<room>\t<bytes>\n in its transcript.
struct PostedLine {
    double ms = 0;
    std::string room;
    std::string bytes;
};
std::vector<PostedLine> ReadTranscript(const std::wstring& path);

// A fresh folder under the temporary folder, removed with all it holds when dropped.
struct TempFolder {
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    ~TempFolder();
    const std::wstring& Path() const { return path; }
    std::wstring path;
};
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

std::wstring AolSimExe();

// The simulated AOL client, once it takes commands; an empty Process when not within 30 s.
Process StartAol(const std::string& options, const std::wstring& transcript,
                 const std::wstring& folder = {});

struct SnorvaSetup {
    bool withAol = true;
    std::string aol = "--version 8.0"; // the simulated client's options; its logs are added
    bool aolInside = false; // the client on a thread of Snorva's process: by a test build of
                            // Snorva that takes `--aol-inside OPTIONS` (put by changeFolder)
    std::wstring folderName = L"snorva"; // the program folder's copy, named with any characters
    std::function<void(const std::wstring& folder)> changeFolder; // called before the start
    std::wstring startIn;    // Snorva's working folder; empty: the program folder
    std::wstring arguments;  // its command line, read only by a test build that stands in for it
    std::optional<POINT> at; // where Snorva's starter asks its window to open
    std::string wineDebug;   // Wine's log channels (WINEDEBUG) for Snorva's process alone
};

// Snorva's window class, and where its pictures sit on it (client coordinates).
inline constexpr char kFormClass[] = "Snorva";
inline constexpr POINT kCloseGlyph{18, 5};
inline constexpr POINT kMenuGlyph{27, 16};
inline constexpr POINT kStrip{8, 5};

class SnorvaRun {
  public:
    explicit SnorvaRun(const SnorvaSetup& setup = {});
    SnorvaRun(const SnorvaRun&) = delete;
    bool Started() const { return error_.empty(); }
    const std::string& Error() const { return error_; }
    Process& Program() { return program_; }
    Process& Aol() { return aol_; } // when a program of its own
    const std::wstring& Folder() const { return folder_; }
    std::vector<PostedLine> Lines() const { return ReadTranscript(transcript_); }
    // What the client's windows were sent, as its message log holds it: <window>, <message>.
    std::vector<PostedLine> Messages() const { return ReadTranscript(messages_); }
    HWND Window() const { return FindProcessWindow(program_.Id(), kFormClass); }
    HWND WaitForHandleDialog(DWORD timeoutMs = 30000) const {
        return WaitForVisibleWindow("#32770", "handle", timeoutMs, program_.Id());
    }

  private:
    TempFolder temp_; // dropped last: the processes go first
    std::wstring folder_, transcript_, messages_;
    Process aol_, program_;
    std::string error_;
};

} // namespace driver
