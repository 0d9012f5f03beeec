#include "tests/e2e/e2e.h"

namespace e2e {

static std::string List(const std::vector<std::string>& lines) {
    std::string list = lines.empty() ? " nothing" : "";
    for (const std::string& line : lines)
        list += "\n    " + line.substr(0, 300);
    return list;
}

Session::Session(const driver::SnorvaSetup& setup, bool greet) : SnorvaRun(setup) {
    HWND dialog = nullptr;
    if (!Started())
        ADD_FAILURE() << Error();
    else if (greet && !((dialog = WaitForHandleDialog()) && driver::AnswerDialog(dialog, "zibbet")))
        ADD_FAILURE() << "no handle dialog to answer";
    else if (greet && Expect({kByLine, kLoadsLine}) &&
             !driver::WaitUntil([&] { return IsWindowVisible(Window()); }, 10000))
        ADD_FAILURE() << "the window was not shown after the greeting";
}

bool Session::Expect(const std::vector<std::string>& expected, DWORD timeoutMs) {
    const size_t want = heard_ + expected.size();
    HWND box = nullptr;
    driver::WaitUntil(
        [&] {
            const size_t lines = Lines().size();
            box = driver::WaitForVisibleWindow("#32770", "Snorva", 0, Program().Id());
            return lines > want || (!expected.empty() && lines == want) || box ||
                   !Program().Running();
        },
        expected.empty() ? 1000 : timeoutMs, 20);
    const std::vector<driver::PostedLine> lines = Lines(); // all, also when Snorva ended
    std::vector<std::string> got;
    for (size_t i = heard_; i < lines.size() && (expected.empty() || i < want); ++i)
        got.push_back(lines[i].bytes);
    heard_ += got.size();
    if (got == expected && (!expected.empty() || (!box && Program().Running()))) return true;
    ADD_FAILURE() << "expected the room to get next:" << List(expected)
                  << "\n  it got:" << List(got)
                  << (box ? "\n  and a box says: " + driver::GetText(GetDlgItem(box, 0xFFFF)) : "")
                  << (Program().Running() ? "" : "\n  and Snorva ended");
    return false;
}

bool Sees(const std::function<bool()>& done, const std::string& failure, DWORD timeoutMs) {
    if (driver::WaitUntil(done, timeoutMs)) return true;
    ADD_FAILURE() << failure;
    return false;
}

// The press is posted, as a person's, so the move loop starts at its place, and seen taken (the
// capture); then the release is sent, which runs the popup or the move loop until it ends: the
// window system may cancel either at once, and a release handled to its end without `took` seen
// has surely started nothing that stays; so click again.
static ULONG_PTR clicks = 0, ended = 0; // the last click made, the last whose release returned
static void CALLBACK Ended(HWND, UINT, ULONG_PTR click, LRESULT) {
    ended = click;
}

bool Session::Click(POINT at, const std::function<bool()>& took, const std::string& failure) {
    ULONG_PTR mine = 0;
    bool pressed = false;
    MSG unused;
    return Sees(
        [&] {
            PeekMessageA(&unused, nullptr, 0, 0, PM_NOREMOVE); // takes in what Ended is told
            if (took()) return true;
            if (pressed && GuiThread(Window()).hwndCapture == Window())
                SendMessageCallbackA(Window(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y), Ended,
                                     mine = ++clicks);
            else if (!pressed && (!mine || ended == mine))
                driver::PostButton(Window(), WM_LBUTTONDOWN, at.x, at.y);
            else
                return false;
            pressed = !pressed;
            return false;
        },
        failure);
}

HWND Session::OpenPopup(const std::function<void()>& meanwhile) {
    HWND popup = nullptr;
    const auto open = [&] { // Snorva's own, shown
        return (popup = driver::WaitForVisibleWindow("#32768", nullptr, 0, Program().Id()));
    };
    const char* failure = "a click on the menu glyph opened no popup";
    if (!meanwhile) return Click(driver::kMenuGlyph, open, failure) ? popup : nullptr;
    driver::PostClick(Window(), driver::kMenuGlyph.x, driver::kMenuGlyph.y); // waits for AOL: once
    meanwhile();
    return Sees(open, failure) ? popup : nullptr;
}

bool Session::Pick(Item item, const std::function<void()>& meanwhile) {
    HWND popup = OpenPopup(meanwhile);
    const auto shown = [](int popups, const char* failure) {
        return Sees([&] { return driver::CountVisibleWindows("#32768") == popups; }, failure);
    };
    if (!popup) return false;
    // By the keyboard, the pointer off the popup: the popup comes under it, which may move the
    // selection once, late. The walk from the first item, the same however often it is made, is
    // made again until the probe sees the item selected.
    const RECT at = Rect(popup);
    SetCursorPos(at.left > 0 ? at.left - 1 : at.right, at.top > 0 ? at.top - 1 : at.bottom);
    const wchar_t* names[] = {L"Snorva",   L"idle on", L"idle off",  L"info",
                              L"minimize", L"unload",  L"info/about"};
    bool selected = false;
    for (int walk = 0; walk < 5 && !selected; ++walk) {
        driver::PostKey(popup, VK_HOME);
        for (int i = 0; i < static_cast<int>(item == Item::About ? Item::Info : item); ++i)
            driver::PostKey(popup, VK_DOWN);
        if (item == Item::About) driver::PostKey(popup, VK_RIGHT);
        selected = driver::WaitUntil(
            [&] { return Probe(popup, probe::kSelected) == names[static_cast<int>(item)]; }, 2000);
    }
    if (!Sees([&] { return selected; }, "the keys did not select the item", 0)) return false;
    driver::PostKey(popup, VK_RETURN);
    if (item == Item::Info && shown(2, "Return on info opened no submenu")) { // and no more
        driver::PostKey(popup, VK_ESCAPE);
        driver::PostKey(popup, VK_ESCAPE);
    }
    return shown(0, "the popup stayed open after its item was chosen");
}

bool Session::Choose(Item item) {
    if (!Pick(item)) return false;
    switch (item) {
    case Item::IdleOn:
        return Expect({kEngaged});
    case Item::IdleOff:
        return Expect({kDisengaged});
    case Item::Unload:
        return Expect({kUnloadBy, kUnloads}) && ExpectEnd(0);
    case Item::About: { // then the box is gone, nothing posted, still running
        const auto box = ExpectBox(kAbout);
        if (box) driver::DismissMessageBox(box);
        return box && Expect({});
    }
    case Item::Minimize:
        return Sees([&] { return IsIconic(Window()) != FALSE; },
                    "minimize left the strip as it was");
    default:
        return Expect({});
    }
}

bool Session::Tick(const std::vector<std::string>& lines) {
    // As the timer raises it: WM_TIMER with the timer's id, behind what is already queued.
    SendNotifyMessageA(Window(), WM_TIMER, Form1::kTimer1, 0);
    return Expect(lines);
}

bool Session::HangThenTick(const std::string& hang) {
    const std::wstring now = ShownCounter(Window()), next = std::to_wstring(_wtoi(now.c_str()) + 1);
    if (!hang.empty() && !sim::Control(hang)) ADD_FAILURE() << "AOL took no " << hang;
    SendNotifyMessageA(Window(), WM_TIMER, Form1::kTimer1, 0);
    return Sees([&] { return Counter(Window()) == next; },
                "the counter did not rise from " + driver::Narrow(now) + " with AOL hung");
}

bool Session::Restore() {
    PostMessageA(Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    return Sees([&] { return !IsIconic(Window()) && IsWindowVisible(Window()); },
                "the task bar's restore left the strip minimised");
}

bool Session::Drag(int dx, int dy) {
    HWND window = Window();
    const RECT start = Rect(window);
    const POINT grip{start.left + driver::kStrip.x, start.top + driver::kStrip.y};
    SetCursorPos(grip.x, grip.y);
    if (!Click(
            driver::kStrip, [&] { return Moving(window); }, "a click on the strip started no move"))
        return false;
    SetCursorPos(grip.x + dx, grip.y + dy);
    const bool followed = Sees(
        [&] { return Rect(window).left == start.left + dx && Rect(window).top == start.top + dy; },
        "the strip did not follow the pointer");
    driver::PostButton(window, WM_LBUTTONUP, driver::kStrip.x, driver::kStrip.y);
    return Sees([&] { return !Moving(window); }, "the move outlived the button") && followed &&
           Expect({});
}

HWND Session::ExpectBox(const std::string& text) {
    HWND box = nullptr;
    std::string says = "none came"; // or what the last one said
    driver::WaitUntil(
        [&] {
            for (HWND w : driver::FindWindows("#32770", "Snorva", Program().Id()))
                if (IsWindowVisible(w) && (says = driver::GetText(GetDlgItem(w, 0xFFFF))) == text)
                    return (box = w) != nullptr;
            return false;
        },
        10000);
    std::string reads = box ? driver::GetText(box) + ":" : ""; // its title, buttons and icons
    for (HWND button = nullptr; box && (button = FindWindowExA(box, button, "Button", nullptr));)
        reads += " " + driver::GetText(button);
    for (HWND child = nullptr; box && (child = FindWindowExA(box, child, nullptr, nullptr));)
        reads += SendMessageA(child, STM_GETICON, 0, 0) ? " icon" : "";
    if (reads == "Snorva: OK") return box;
    ADD_FAILURE() << "expected a box titled Snorva, saying: " << text << "\n  "
                  << (box ? "it reads " + reads : "it says: " + says);
    return nullptr;
}

bool Session::ExpectEnd(DWORD status) {
    const std::optional<DWORD> ended = Program().Wait(10000);
    if (ended == status) return true;
    ADD_FAILURE() << "expected Snorva to end with status " << status << "; "
                  << (ended ? "it ended with " + std::to_string(*ended) : "it still runs");
    return false;
}

std::wstring Probe(HWND window, WPARAM ask) {
    const OwnedHandle mapping(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                                 probe::kSize, probe::kMapping));
    const OwnedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    const OwnedModule dll(LoadLibraryA(PROBE_DLL));
    {
        const OwnedHook hook(
            SetWindowsHookExA(WH_CALLWNDPROC,
                              reinterpret_cast<HOOKPROC>(
                                  reinterpret_cast<void*>(GetProcAddress(dll.get(), "ProbeHook"))),
                              dll.get(), GetWindowThreadProcessId(window, nullptr)));
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window, WM_NULL, ask, 0, SMTO_NORMAL, 30000, &result);
    }
    const auto* text = static_cast<const wchar_t*>(view.get());
    return text ? text : L"";
}

namespace {

// The counter's digits 0 to 9 as the strip shows them, side by side a blank column apart: '#' a
// lit pixel, '+' a dim one (a smoothed edge), '.' the strip's own.
const std::vector<std::string> kDigits = {
    ".###+.###...###+..###+...+##...####..+###.#####..####..###+",
    ".#+##..##..##.##..#.##...###...#.....##......##.+#.+#.##.+#",
    "##..#..##.....+#....##..+###...#....##.......#+..#.+#.##.+#",
    "##..#..##.....#+..+##+..#.##...###+.#####....#...####..####",
    "##..#..##....#+.....+#.##.##.....##.##..#...##..##.+#.....#",
    ".#+##..##...##...##.+#.#####+....##..#..#...#+..##.+#....##",
    ".###+.####.#####..####....##..#####..####..+#....####..###.",
};

// The marks of pixel rows, parted by columns without any, each as its columns one after another.
std::vector<std::string> Marks(const std::vector<std::string>& rows) {
    std::vector<std::string> marks(1);
    for (size_t x = 0; x <= rows[0].size(); ++x) {
        std::string column;
        for (const std::string& row : rows)
            column += x < row.size() ? row[x] : '.';
        if (column.find_first_not_of('.') != column.npos)
            marks.back() += column;
        else if (!marks.back().empty())
            marks.emplace_back();
    }
    marks.pop_back();
    return marks;
}

// The pixels, row by row, of one of the strip's pictures, or with none of the screen at `at`.
std::vector<COLORREF> Pixels(const char* picture, SIZE size, POINT at = {}) {
    const OwnedBitmap bitmap(static_cast<HBITMAP>(LoadImageA(
        nullptr, (SNORVA_ROOT "\\app\\res\\" + std::string(picture ? picture : "")).c_str(),
        IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
    const OwnedDc dc(CreateCompatibleDC(nullptr));
    SelectedObject selected(dc.get(), bitmap.get());
    const WindowDc screen(nullptr);
    std::vector<COLORREF> pixels;
    for (int i = 0; i < size.cx * size.cy; ++i)
        pixels.push_back(
            GetPixel(picture ? dc.get() : screen.Get(), at.x + i % size.cx, at.y + i / size.cx));
    return pixels;
}

} // namespace

std::wstring Counter(HWND window) {
    constexpr int kWide = 112, kHigh = 21;
    const std::vector<COLORREF> shown = Pixels(nullptr, {kWide, kHigh},
                                               {Rect(window).left, Rect(window).top}),
                                strip = Pixels("strip.bmp", {kWide, kHigh});
    std::string free = Outline(window); // '+' where the strip shows and no glyph lies
    if (free == "none") free.assign(kHigh * (kWide + 1), '+');
    const auto pixel = [&](int i) -> char& { return free[i / kWide * (kWide + 1) + i % kWide]; };
    // Each glyph's picture whole on the strip, under the point a person clicks to work it.
    for (const auto& [name, point] :
         {std::pair{"close.bmp", driver::kCloseGlyph}, {"menu.bmp", driver::kMenuGlyph}}) {
        const std::vector<COLORREF> glyph = Pixels(name, {7, 7});
        bool found = false;
        for (int at = 0; at < 49 && !found; ++at) { // the glyph's corner, up and left of the point
            const int top = point.y - at / 7, left = point.x - at % 7, corner = top * kWide + left;
            if (top < 0 || left < 0 || top > kHigh - 7) continue;
            found = true;
            for (int i = 0; i < 49 && found; ++i)
                found = glyph[i] == shown[corner + i / 7 * kWide + i % 7];
            for (int i = 0; i < 49 && found; ++i)
                pixel(corner + i / 7 * kWide + i % 7) = 'g';
        }
        if (!found) return L"no " + driver::Widen(name);
    }
    // Elsewhere the strip's picture, but for the counter's digits.
    std::vector<std::string> rows(kHigh);
    for (int i = 0; i < kWide * kHigh; ++i)
        rows[i / kWide] += pixel(i) != '+' || shown[i] == strip[i] ? '.'
                           : GetGValue(shown[i]) >= 0x80           ? '#'
                                                                   : '+';
    std::erase_if(rows,
                  [](const std::string& row) { return row.find_first_not_of('.') == row.npos; });
    if (rows.size() != kDigits.size()) return rows.empty() ? L"" : L"?";
    const std::vector<std::string> digits = Marks(kDigits);
    std::wstring read;
    for (const std::string& mark : Marks(rows)) {
        const auto digit = std::find(digits.begin(), digits.end(), mark) - digits.begin();
        read += digit < 10 ? static_cast<wchar_t>(L'0' + digit) : L'?';
    }
    return read;
}

std::wstring ShownCounter(HWND window) {
    std::wstring read;
    Sees([&] { return std::iswdigit((read = Counter(window))[0]) != 0; }, "the strip is not whole");
    return read;
}

} // namespace e2e
