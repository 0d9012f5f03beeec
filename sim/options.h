#pragma once
// Options of the simulated AOL client. The same words configure the client on aolsim's command
// line and, sent later through sim::Control, change a running client; one parser reads both.
//
// Words are separated by blanks; "double quotes" group blanks into one word ("" is an empty
// word) and \" is a literal quote. A later option overrides an earlier one; a command sent at
// run time starts from the client's current options, so "--transfer" alone opens a transfer
// window and leaves everything else as it is. Every flag --X has a --no-X that turns it off.
//
// Values named TEXT are window texts, taken byte for byte (ANSI), with these escapes:
//   \\ a backslash   \0 a NUL byte   \xHH the byte HH   \{N} N more copies of the byte before
// so "\0\{99}" is 100 NULs and "File Transfer - 5%x\{1048575}" is a caption of about 1 MB.
// PATH values are taken as they are (no escapes).
#include <string>
#include <string_view>
#include <vector>

namespace sim {

// The list that `aolsim --help` prints: one line per option.
inline constexpr char kUsage[] =
    "Usage: aolsim [options]   (the same words work as commands sent with sim::Control)\n"
    "General\n"
    "  --help                    print this list and exit\n"
    "  --hidden                  do not show the main window (it still exists)\n"
    "  --transcript PATH         append each line sent into a room to PATH as\n"
    "                            <ms, 3 decimals, QueryPerformanceCounter>TAB<room>TAB<bytes>LF\n"
    "                            (\"\" for none; the default)\n"
    "  --close                   close the whole client (main window and all; aolsim exits)\n"
    "  --hang MS                 block the UI thread for MS milliseconds (a hung client)\n"
    "  --hang-after-line MS      once the next line has gone into a room, block the UI thread\n"
    "                            for MS milliseconds (the sender of its Enter is answered first)\n"
    "  --hang-on WHAT MS         block the UI thread for MS milliseconds inside the next such\n"
    "                            message, before answering it: text (a room input's WM_SETTEXT),\n"
    "                            enter (its WM_CHAR 13), read (the transfer window's first\n"
    "                            static asked for its length), menu (WM_NULL to the main window)\n"
    "                            (a hang ends early when a test releases it: sim::Release)\n"
    "  --message-log PATH        append each WM_SETTEXT, WM_CHAR, WM_GETTEXTLENGTH, WM_GETTEXT\n"
    "                            and WM_NULL the client's windows take to PATH as\n"
    "                            <ms>TAB<window>TAB<message>LF (\"\" for none; the default)\n"
    "Menu bar\n"
    "  --version V               standard menu bar of AOL V: 2.5 (7 items), 3.0 (8 items),\n"
    "                            4.0 5.0 6.0 7.0 8.0 (6 items, Help names \"AOL V\"),\n"
    "                            unknown (5 items naming no version), none (no menu bar);\n"
    "                            default 8.0\n"
    "  --menu-bar TEXT           custom menu: add a bar item TEXT opening a submenu; the\n"
    "                            next --menu-item/--menu-fill go into that submenu\n"
    "  --menu-plain TEXT         custom menu: add a bar item TEXT without a submenu\n"
    "  --menu-item TEXT          custom menu: add an item TEXT to the last submenu\n"
    "  --menu-fill N             custom menu: add N items \"Item 1\"..\"Item N\" to the last\n"
    "                            submenu\n"
    "  --menu-bar-fill N         custom menu: add N bar items \"Bar 1\"..\"Bar N\" without "
    "submenus\n"
    "  --menu-reset              forget the custom menu (back to the --version bar)\n"
    "                            (a custom menu, once given, replaces the standard bar)\n"
    "Chat rooms\n"
    "  --rooms N                 number of chat rooms, 0 to 2 (\"room1\", \"room2\"); default 1\n"
    "  --decoys N                N AOL children before the rooms, each lacking one of\n"
    "                            RICHCNTL, _AOL_Listbox, _AOL_Icon, _AOL_Static, in turn\n"
    "  --input first|second|auto which RICHCNTL of a room is the chat input (the other is the\n"
    "                            read-only conversation); auto: first above version 5, else\n"
    "                            second (the default)\n"
    "  --single-input            rooms have a single RICHCNTL, the chat input\n"
    "  --room-closes-on-text     a room closes as soon as its input receives WM_SETTEXT\n"
    "File transfer (a command that changes any of these opens the windows afresh)\n"
    "  --transfer                a transfer window is open (--no-transfer closes it)\n"
    "  --transfer-first          the transfer window comes before the decoys and rooms in\n"
    "                            child order (default: after them)\n"
    "  --transfer-file NAME      the file downloaded; default \"snorva_demo.zip\"\n"
    "  --transfer-percent N      percent done when the transfer opens, 0 to 100; default 0\n"
    "  --transfer-minutes N      minutes left when the transfer opens; default 12\n"
    "  --transfer-speed N        percent gained per second (0: still, the default); the time\n"
    "                            left shrinks with it, and at 100% the window closes\n"
    "  --transfer-caption TEXT   exact caption instead of \"File Transfer - NN%\"\n"
    "  --transfer-static1 TEXT   exact first static instead of \"Now Downloading <file>\"\n"
    "  --transfer-static2 TEXT   exact second static instead of \"about N minutes remaining.\"\n"
    "  --transfer-single-static  the transfer window has only its first static\n"
    "  --transfer-caption-extra N  the caption's WM_GETTEXTLENGTH answers N more than its text\n"
    "  --transfer-static1-extra N  the first static's WM_GETTEXTLENGTH answers N more\n"
    "  --transfer-close-after N|never  after N reads of the first static (each asks for its\n"
    "                            length first), the next one closes the transfer window before\n"
    "                            answering\n"
    "  --transfer-reset          all transfer options back to their defaults (closed)\n"
    "  --lookalike               an AOL child first in child order that looks like a transfer\n"
    "                            window: caption \"File Transfer - 50%\", first static\n"
    "                            \"Now downloading lookalike.zip\" (small d: it does not pass),\n"
    "                            second static \"about 9 minutes remaining.\"\n"
    "  --lookalike-caption TEXT  the look-alike's caption (implies --lookalike)\n"
    "  --lookalike-static TEXT   the look-alike's first static (implies --lookalike)\n";

// One item of the menu bar in a custom menu.
struct MenuBarItem {
    std::string text;
    bool hasSubmenu = true;
    std::vector<std::string> items; // texts of the submenu's items
    bool operator==(const MenuBarItem&) const = default;
};

struct MenuOptions {
    std::string version = "8.0";     // --version
    std::vector<MenuBarItem> custom; // --menu-bar, --menu-plain, --menu-item, --menu-*fill
    bool operator==(const MenuOptions&) const = default;
};

struct RoomOptions {
    int rooms = 1;              // --rooms
    int decoys = 0;             // --decoys
    std::string input = "auto"; // --input
    bool singleInput = false;   // --single-input
    bool closesOnText = false;  // --room-closes-on-text
    bool operator==(const RoomOptions&) const = default;
};

struct TransferOptions {
    bool open = false;                    // --transfer
    bool first = false;                   // --transfer-first
    std::string file = "snorva_demo.zip"; // --transfer-file
    int percent = 0;                      // --transfer-percent
    int minutes = 12;                     // --transfer-minutes
    int speed = 0;                        // --transfer-speed
    bool hasCaption = false;              // --transfer-caption given
    std::string caption;
    bool hasStatic1 = false; // --transfer-static1 given
    std::string static1;
    bool hasStatic2 = false; // --transfer-static2 given
    std::string static2;
    bool singleStatic = false; // --transfer-single-static
    int captionExtra = 0;      // --transfer-caption-extra
    int static1Extra = 0;      // --transfer-static1-extra
    int closeAfterReads = -1;  // --transfer-close-after (-1: never)
    bool lookalike = false;    // --lookalike (also set by the two below)
    // --lookalike-caption, --lookalike-static
    std::string lookalikeCaption = "File Transfer - 50%";
    std::string lookalikeStatic = "Now downloading lookalike.zip";
    bool operator==(const TransferOptions&) const = default;
};

struct Options {
    bool hidden = false;    // --hidden
    std::string transcript; // --transcript
    std::string messageLog; // --message-log
    MenuOptions menu;
    RoomOptions room;
    TransferOptions transfer;
    // One-shot requests, acted on once and not kept.
    bool help = false;       // --help
    bool close = false;      // --close
    int hangMs = 0;          // --hang
    int hangAfterLineMs = 0; // --hang-after-line: kept until the next line
    std::string hangOn;      // --hang-on: kept until that message comes
    int hangOnMs = 0;
};

struct Parsed {
    Options options;
    std::string error; // empty when every word was understood
};

// Reads `text` as options applied on top of `base` (all or nothing: on an error the result
// holds `base` unchanged, with the one-shot requests cleared).
Parsed ParseOptions(std::string_view text, const Options& base = {});
// Splits a command into words as described above; `error` is set on an unclosed quote.
std::vector<std::string> SplitWords(std::string_view text, std::string& error);
// Decodes the escapes of a TEXT value; `error` is set on a bad escape.
std::string DecodeText(std::string_view text, std::string& error);
// The version's path picks the first RICHCNTL as input above version 5.
bool InputIsFirst(const Options& options);

} // namespace sim
