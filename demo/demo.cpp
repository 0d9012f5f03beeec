// Shows Snorva at work beside the simulated AOL client.
//   snorva_demo OUTDIR          headless: drives Snorva as a person would, prints the room's
//                               transcript as lines arrive, saves screenshots in OUTDIR
//   snorva_demo --interactive   starts both for the user and prints lines until Snorva ends
#include "aol/aol.h"
#include "tests/support/driver.h"

#include <cstdio>
#include <string>

namespace {

using namespace driver;

// The simulated client in AOL 8.0, in a chat room, downloading a file.
const char kAol[] = "--version 8.0 --transfer --transfer-file snorva_demo.zip "
                    "--transfer-percent 4 --transfer-minutes 9 --transfer-speed 1";

SnorvaSetup DemoSetup() {
    SnorvaSetup setup;
    setup.aol = kAol;
    return setup;
}

void Say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

// The room's bytes are in the ANSI code page; the terminal wants UTF-8.
std::string ToUtf8(const std::string& ansi) {
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                    wide.data(), static_cast<int>(wide.size())));
    std::string utf8(wide.size() * 3, '\0');
    utf8.resize(WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                    utf8.data(), static_cast<int>(utf8.size()), nullptr, nullptr));
    return utf8;
}

class Transcript {
  public:
    explicit Transcript(const SnorvaRun& run) : run_(run) {}
    // Prints the lines that arrived since the last call; returns how many there are in all.
    size_t PrintNew() {
        std::vector<PostedLine> lines = run_.Lines();
        for (; printed_ < lines.size(); ++printed_) {
            const PostedLine& line = lines[printed_];
            if (start_ < 0) start_ = line.ms;
            std::printf("  room | %7.3f s | %s\n", (line.ms - start_) / 1000.0,
                        ToUtf8(line.bytes).c_str());
        }
        std::fflush(stdout);
        return printed_;
    }
    // Waits until `count` lines have arrived in all, printing them as they come.
    bool WaitFor(size_t count, DWORD timeoutMs) {
        return WaitUntil([&] { return PrintNew() >= count; }, timeoutMs, 50);
    }

  private:
    const SnorvaRun& run_;
    size_t printed_ = 0;
    double start_ = -1;
};

RECT WindowRect(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

RECT Around(const RECT& rect, int margin) {
    return {rect.left - margin, rect.top - margin, rect.right + margin, rect.bottom + margin};
}

// Screenshots are taken from outside Wine (xwd), so that they show what X shows, popup menus
// included: a request file names the rectangle, and the demo's script answers it.
void Shot(const std::wstring& folder, const wchar_t* name, RECT rect, int scale = 100) {
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&rect, &rect, &screen);
    std::wstring request = folder + L"\\" + name + L".request";
    char text[64];
    std::snprintf(text, sizeof text, "%ld %ld %ld %ld %d\n", rect.left, rect.top,
                  rect.right - rect.left, rect.bottom - rect.top, scale);
    if (!WriteFileBytes(request + L".tmp", text) ||
        !MoveFileW((request + L".tmp").c_str(), request.c_str()) ||
        !WaitUntil([&] { return GetFileAttributesW(request.c_str()) == INVALID_FILE_ATTRIBUTES; },
                   10000, 50)) {
        std::printf("  (no screenshot %ls)\n", name);
    }
}

// Real input, as a hand on the mouse and keyboard gives it.
void ClickAt(POINT point) {
    SetCursorPos(point.x, point.y);
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_MOUSE;
    input[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    input[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, input, sizeof(INPUT));
}

void PressKey(WORD key) {
    INPUT input[2]{};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
    Sleep(150);
}

POINT OnWindow(HWND window, POINT client) {
    ClientToScreen(window, &client);
    return client;
}

// Opens the popup from the menu glyph; 0 when it did not open.
HWND OpenMenu(HWND form) {
    ClickAt(OnWindow(form, kMenuGlyph));
    HWND popup = nullptr;
    WaitUntil([&] { return (popup = FindPopupMenu()) && IsWindowVisible(popup); }, 5000);
    Sleep(200);
    return popup;
}

int Headless(const std::wstring& out) {
    Say("Starting the simulated AOL client (AOL 8.0, in a chat room, downloading a file)");
    Say("and Snorva beside it, each as its own program.");
    SnorvaRun run(DemoSetup());
    if (!run.Started()) {
        std::printf("demo: %s\n", run.Error().c_str());
        return 1;
    }
    Transcript room(run);

    HWND dialog = run.WaitForHandleDialog();
    if (!dialog) return Say("demo: the handle dialog did not come"), 1;
    Say("Snorva asks for a handle; answering \"zibbet\".");
    Shot(out, L"1-handle", Around(WindowRect(dialog), 4), 200);
    AnswerDialog(dialog, "zibbet");

    if (!room.WaitFor(2, 20000)) return Say("demo: the greeting lines did not come"), 1;
    HWND form = nullptr;
    WaitUntil([&] { return (form = run.Window()) && IsWindowVisible(form); }, 10000);
    if (!form) return Say("demo: Snorva's window did not show"), 1;
    Sleep(300);
    Say("Snorva greeted the room and shows its strip (topmost, shaped by its skin).");
    Shot(out, L"2-snorva", WindowRect(form), 400);
    HWND aol = FindWindowA(aolclass::kFrame, nullptr);
    RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    Shot(out, L"2-room", aol ? WindowRect(aol) : screen);

    Say("Opening Snorva's menu with a click on the menu glyph.");
    HWND popup = OpenMenu(form);
    if (!popup) return Say("demo: the menu did not open"), 1;
    RECT menuRect = WindowRect(popup);
    RECT formRect = WindowRect(form);
    UnionRect(&menuRect, &menuRect, &formRect);
    Shot(out, L"3-menu", Around(menuRect, 6), 300);
    Say("Choosing \"idle on\" (Down, Down, Return: past the \"Snorva\" heading).");
    PressKey(VK_DOWN);
    PressKey(VK_DOWN);
    PressKey(VK_RETURN);
    if (!room.WaitFor(3, 10000)) return Say("demo: idling did not switch on"), 1;

    Say("Moving the strip beside the AOL window: a click on the strip, then the pointer.");
    ClickAt(OnWindow(form, kStrip));
    Sleep(300);
    POINT grip = OnWindow(form, kStrip);
    for (int step = 1; step <= 10; ++step) {
        SetCursorPos(grip.x + 66 * step, grip.y + 4 * step);
        Sleep(40);
    }
    PressKey(VK_RETURN); // ends the move where it is
    RECT moved = WindowRect(form);
    std::printf("  the strip now stands at (%ld, %ld)\n", moved.left, moved.top);

    Say("Waiting for the first idle tick, one minute after \"idle on\":");
    DWORD start = GetTickCount();
    bool ticked = false;
    for (int left = 60; !ticked; left -= 10) {
        if (left > 0) std::printf("  ... first tick in about %d s\n", left), std::fflush(stdout);
        ticked = room.WaitFor(5, left > 0 ? 10000 : 30000);
        if (left <= 0) break;
    }
    if (!ticked) return Say("demo: no tick came"), 1;
    std::printf("The tick came after %.1f s: the user line, then the download line.\n",
                (GetTickCount() - start) / 1000.0);
    Sleep(300);
    Shot(out, L"4-tick", WindowRect(form), 400);
    RECT desktop = aol ? WindowRect(aol) : screen;
    RECT strip = WindowRect(form);
    UnionRect(&desktop, &desktop, &strip);
    Shot(out, L"5-desktop", Around(desktop, 8));

    Say("Unloading through the menu (Up lands on \"unload\", then Return).");
    if (!OpenMenu(form)) return Say("demo: the menu did not open"), 1;
    PressKey(VK_UP);
    PressKey(VK_RETURN);
    room.WaitFor(7, 10000);
    std::optional<DWORD> status = run.Program().Wait(10000);
    if (!status) return Say("demo: Snorva did not end"), 1;
    std::printf("Snorva ended with status %lu. The room got %zu lines.\n", *status,
                room.PrintNew());
    return *status == 0 && room.PrintNew() == 7 ? 0 : 1;
}

int Interactive() {
    Say("Snorva and the simulated AOL client are running. Use Snorva's menu glyph (the small");
    Say("square with the dot) to switch idling on; unload it or close it to end the demo.");
    SnorvaRun run(DemoSetup());
    if (!run.Started()) {
        std::printf("demo: %s\n", run.Error().c_str());
        return 1;
    }
    Transcript room(run);
    while (!run.Program().Wait(200))
        room.PrintNew();
    room.PrintNew();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--interactive") return Interactive();
    if (argc != 2) {
        std::fprintf(stderr, "usage: snorva_demo OUTDIR | --interactive\n");
        return 2;
    }
    std::string out = argv[1];
    return Headless(std::wstring(out.begin(), out.end()));
}
