#pragma once
// Drives a Windows program from another process as a person would: starts it, waits for its
// windows, answers dialogs, reads message boxes, clicks, presses keys and takes screenshots.
// Nothing here knows Snorva; snorva_run.h puts it together for Snorva and the simulated client.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace driver {

// A started process; killed when dropped while still running.
class Process {
  public:
    Process() = default;
    Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    explicit operator bool() const { return handle_ != nullptr; }
    DWORD Id() const { return id_; }
    bool Running() const;
    // The exit status once the process has ended within `timeoutMs`, else nothing.
    std::optional<DWORD> Wait(DWORD timeoutMs) const;
    void Kill();

  private:
    HANDLE handle_ = nullptr;
    DWORD id_ = 0;
};

// Starts `program` with `arguments` (already quoted as needed) in `folder` (empty: the
// program's own). An empty Process when it could not start.
Process Start(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder = {});

// Polls `done` every `stepMs` until it holds or `timeoutMs` has passed; true when it held.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs = 10);

// The first top-level window of process `pid` with this class (any case), shown or not.
HWND FindProcessWindow(DWORD pid, const char* className);
// Waits for a visible top-level window of this class and title (of process `pid` unless 0);
// 0 on time-out.
HWND WaitForVisibleWindow(const char* className, const char* title, DWORD timeoutMs, DWORD pid = 0,
                          DWORD stepMs = 10);
// A window's text, in the ANSI code page, through WM_GETTEXT.
std::string GetText(HWND window);

// A dialog's edit: set its text and press OK (or Cancel).
bool AnswerDialog(HWND dialog, const std::string& text, bool ok = true);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string text;                 // the static with id 0xFFFF
    std::vector<std::string> buttons; // texts of its buttons, in child order
    bool hasIcon = false;             // a picture static beside the text
};
// Waits for a visible message box with this title and reads it.
std::optional<MessageBoxInfo> WaitForMessageBox(const char* title, DWORD timeoutMs, DWORD pid = 0);
// Presses its OK button (WM_CLOSE would answer Cancel under Wine).
void DismissMessageBox(HWND box);

// Input posted to a window at client coordinates.
void PostClick(HWND window, int x, int y);
void PostButtonDown(HWND window, int x, int y);
void PostButtonUp(HWND window, int x, int y);
void PostKey(HWND window, UINT virtualKey);

// The open popup menu (class #32768), or 0.
HWND FindPopupMenu();

// Saves the screen's pixels in `rect` (screen coordinates) as a 24-bit BMP.
bool SaveScreenshot(const RECT& rect, const std::wstring& path);
// The colour of one screen pixel.
COLORREF ScreenPixel(int x, int y);

// One line the simulated client received: <ms>\t<room>\t<bytes>\n in its transcript.
struct PostedLine {
    double ms = 0;
    std::string room;
    std::string bytes;
};
std::vector<PostedLine> ReadTranscript(const std::wstring& path);
// Waits until the transcript holds at least `count` lines; returns what it holds then.
std::vector<PostedLine> WaitForLines(const std::wstring& path, size_t count, DWORD timeoutMs);

// A fresh folder under the temporary folder, removed with everything in it when dropped.
class TempFolder {
  public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();
    const std::wstring& Path() const { return path_; }

  private:
    std::wstring path_;
};

// Copies a folder tree; false when something could not be copied.
bool CopyFolder(const std::wstring& from, const std::wstring& to);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

} // namespace driver
