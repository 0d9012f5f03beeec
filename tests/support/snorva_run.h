#pragma once
// Snorva started the way a user starts it, beside the simulated AOL client, in a copy of the
// program folder that a test may change first (remove the skin, swap REGION.DLL, ...).
//
// Two arrangements: the client as its own program (aolsim.exe) beside snorva.exe, as a user
// runs AOL; or, where Snorva cannot read another process's menus (Wine without the menu
// helper), the test host (snorva_host.exe), which starts the client on a thread of its own
// and then runs Snorva's start-up unchanged. SNORVA_E2E_MODE=separate|host picks one; by
// default the separate arrangement is used when the program folder holds menuhook.dll.
#include "tests/support/driver.h"

#include <functional>
#include <string>

namespace driver {

// The built program folder, the simulated client and the test host.
std::wstring DistFolder();
std::wstring AolSimExe();
std::wstring HostExe();

struct SnorvaSetup {
    bool withAol = true;
    // Options of the simulated client (sim/options.h); the transcript is added.
    std::string aol = "--version 8.0";
    // Called with the program folder's copy before the program starts.
    std::function<void(const std::wstring& folder)> changeFolder;
    // Snorva's working folder; empty: the program folder.
    std::wstring startIn;
};

// Snorva's window class, and where its pictures sit on it (client coordinates).
inline constexpr char kFormClass[] = "Snorva";
inline constexpr POINT kCloseGlyph{18, 5};
inline constexpr POINT kMenuGlyph{27, 16};
inline constexpr POINT kStrip{8, 5};

class SnorvaRun {
  public:
    explicit SnorvaRun(const SnorvaSetup& setup = {});
    ~SnorvaRun();
    SnorvaRun(const SnorvaRun&) = delete;
    SnorvaRun& operator=(const SnorvaRun&) = delete;

    // False when something could not be started; Error() says what.
    bool Started() const { return started_; }
    const std::string& Error() const { return error_; }
    bool SeparateProcesses() const { return separate_; }

    Process& Program() { return program_; }
    const std::wstring& Folder() const { return folder_; }
    const std::wstring& Transcript() const { return transcript_; }
    std::vector<PostedLine> Lines() const { return ReadTranscript(transcript_); }
    std::vector<PostedLine> WaitForLines(size_t count, DWORD timeoutMs = 30000) const {
        return driver::WaitForLines(transcript_, count, timeoutMs);
    }

    // Snorva's main window, shown or not; 0 before it exists.
    HWND Window() const;
    // The "handle" input box once it is shown; 0 on time-out.
    HWND WaitForHandleDialog(DWORD timeoutMs = 30000) const;
    // Answers the input box and waits for the two greeting lines and the shown window.
    bool PassStartUp(const std::string& handle = "zibbet");
    // A command to the running simulated client (sim::Control).
    bool Aol(const std::string& command) const;

  private:
    TempFolder temp_;
    std::wstring folder_;
    std::wstring transcript_;
    Process aol_;
    Process program_;
    bool separate_ = false;
    bool started_ = false;
    std::string error_;
};

} // namespace driver
