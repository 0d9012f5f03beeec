#pragma once
// The window-system operations Snorva uses on the AOL client: lookups by class, ANSI texts in
// and out, keys, and the menu bar. Everything that touches user32 for AOL lives here.
#include "aol/call.h"

#include <windows.h>

#include <memory>
#include <string>

// AOL's window classes, as Snorva looks them up (the window system ignores their letter case).
namespace aolclass {
inline constexpr char kFrame[] = "AOL Frame25";    // the main window, with the menu bar
inline constexpr char kMdiClient[] = "MDIClient";  // the frame's client, holding AOL's children
inline constexpr char kChild[] = "AOL Child";      // a chat room, the transfer window, others
inline constexpr char kRichText[] = "RICHCNTL";    // a room's conversation and its input
inline constexpr char kListbox[] = "_AOL_Listbox"; // a room's list of people
inline constexpr char kIcon[] = "_AOL_Icon";       // a button
inline constexpr char kStatic[] = "_AOL_Static";   // a label
} // namespace aolclass

// First top-level window of a class (any letter case), or 0.
HWND FindWindowByClass(const char* className);
// Next direct child of parent after `after` (0: from the first), of a class, or 0.
// Under parent 0 nothing is found.
HWND FindChildByClass(HWND parent, HWND after, const char* className);

// The first AOL child, in child order, that passes `test`, or 0: the children of class
// "AOL Child" under the main window's MDI client, each looked up after the one before.
template <class Test> HWND FindAolChild(Test test) {
    using namespace aolclass;
    HWND mdi = FindChildByClass(FindWindowByClass(kFrame), nullptr, kMdiClient);
    for (HWND child = FindChildByClass(mdi, nullptr, kChild); child;
         child = FindChildByClass(mdi, child, kChild))
        if (test(child)) return child;
    return nullptr;
}

// Runs `walk`, which reads texts of AOL's windows, as one call to AOL (call.h): its reads are
// made together on the caller thread, not one trip each, and AOL takes the same messages in the
// same order. AOL's window going meanwhile ends it with error 13, as for any call. With no AOL
// main window there is nothing to wait for: `walk` runs here. Whatever `walk` uses it holds
// itself (captured by value): a wait that ends early leaves it to the caller thread.
template <class Walk> auto WalkAol(Walk walk) -> decltype(walk()) {
    HWND frame = FindWindowByClass(aolclass::kFrame);
    if (!frame) return walk();
    return CallAol(frame, std::move(walk));
}

// A window's caption and a control's text, read through a buffer of the reported length plus
// one. Cut at the first NUL: what the window actually copied, not what it claimed. Each read is
// one call to AOL (call.h), unless a walk makes it.
std::wstring GetCaption(HWND window);
std::wstring GetControlText(HWND control);

// Every message Snorva sends to AOL's windows goes through this, SendMessageA, on the caller
// thread of call.h. A test build stands in for Windows here with what Wine cannot show: a
// refusal of User Interface Privilege Isolation, for an AOL that runs with higher rights.
extern LRESULT(WINAPI* SendToAol)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Types a line into a chat input as one call to AOL: WM_SETTEXT with the line in the ANSI code
// page, then WM_CHAR with Enter, each answered before the next goes. Results are not read, but
// for Windows' refusal of the text (an AOL with higher rights), which raises error 70 and sends
// no Enter: the line could never reach the room.
void TypeLine(HWND input, const std::wstring& line);

struct MenuAnswers; // aol/menu_remote.h

// The AOL main window's menu bar, as the version probe reads it: the bar's item count, each
// bar item's submenu item count, and each submenu item's text fetched by its command
// identifier into a 100-character buffer of spaces. Where the window system will not read
// another process's menu directly (Wine), the answers are gathered inside that process.
class MenuBar {
  public:
    explicit MenuBar(HWND window);
    ~MenuBar();
    // GetMenuItemCount of the bar: -1 when there is no bar or it cannot be read.
    int ItemCount() const { return count_; }
    // GetMenuItemCount of the submenu at bar position i: -1 when it has none.
    int SubItemCount(int i) const;
    // The 100-character buffer after GetMenuStringA of item j of submenu i, by command.
    std::wstring SubItemText(int i, int j) const;

  private:
    HMENU bar_ = nullptr;
    int count_ = -1;
    std::unique_ptr<const MenuAnswers> remote_; // set when the answers came from the owner
};
