#pragma once
// The simulated AOL client: our own stand-in that answers what Snorva relies on in the AOL
// client's windows. It shares no code with Snorva, so one mistake cannot hide in both.
//
// It is configured by options written as on its command line ("--version 8.0 --transcript
// C:\t.txt"); the same options, sent later as commands, change a running client. The full list
// of options is in sim/options.h.
#include <string>

namespace sim {

// WM_COPYDATA's dwData for a command ("SAOL"); the data is the command's ANSI bytes, no NUL
// needed. The client answers 1 when it applied the command, 0 when the command was bad.
inline constexpr unsigned long kControlMagic = 0x4C4F4153;

// Starts the client on its own UI thread inside this process; returns once its windows exist
// (false when the options are wrong or a client already runs here). Used where a test needs the
// client in the same process (menus can be read only inside their own process under Wine).
bool StartInProcess(const std::string& options);
// Ends the in-process client and waits for its thread.
void StopInProcess();
// Sends a command (options syntax) to the running client, in this or another process, through
// WM_COPYDATA to its main window, and waits for it (30 s at most, for a hung client). Returns
// false when no client answered or the command was bad.
bool Control(const std::string& command);
// Ends the client's hang (--hang, --hang-after-line, --hang-on) at once; a release that comes
// before the hang ends it as it begins. The client is hung, so this goes around its windows.
inline constexpr char kReleaseEvent[] = "aolsim-release";
bool Release();

} // namespace sim
