// Start-up end to end: the handle dialog, the greeting, the shaped topmost window, and the
// program folders and surroundings that end the start-up in a run-time error or bend it.
#include "tests/e2e/e2e.h"

#include <fstream>
#include <iterator>

namespace {

using e2e::Session;
using Change = std::function<void(const std::wstring& folder)>;

Change Put(const std::string& from, const wchar_t* file) { // a file copied into the folder
    return [=](const std::wstring& folder) {
        CopyFileW(std::wstring(from.begin(), from.end()).c_str(), (folder + file).c_str(), FALSE);
    };
}

Change Skin(const std::string& bytes) {
    return [=](const std::wstring& folder) {
        driver::WriteFileBytes(folder + L"\\gfx\\main.jpg", bytes);
    };
}

bool InRegion(HWND window, int x, int y) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    bool inside = GetWindowRgn(window, region) != ERROR && PtInRegion(region, x, y);
    DeleteObject(region);
    return inside;
}

// The window is the strip's size, and the screen shows the skin's key colour at its top right
// corner within `timeoutMs`.
bool ShowsKeyColour(HWND window, DWORD timeoutMs) {
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 112);
    EXPECT_EQ(rect.bottom - rect.top, 21);
    HDC screen = GetDC(nullptr);
    const bool shown = driver::WaitUntil(
        [&] {
            const COLORREF c = GetPixel(screen, rect.right - 1, rect.top); // as JPEG left it
            return GetRValue(c) > 200 && GetGValue(c) < 70 && GetBValue(c) > 200;
        },
        timeoutMs);
    ReleaseDC(nullptr, screen);
    return shown;
}

TEST(StartUp, DialogThenGreetingThenTheShapedTopmostWindow) {
    for (bool typed : {true, false}) { // a handle typed and OK, or Cancel: the same greeting
        SCOPED_TRACE(typed ? "typed" : "cancelled");
        Session s({}, false);
        HWND dialog = s.WaitForHandleDialog();
        ASSERT_TRUE(dialog);
        EXPECT_EQ(driver::GetText(dialog), "handle");
        EXPECT_TRUE(s.Lines().empty() && !IsWindowVisible(s.Window()));
        ASSERT_TRUE(driver::AnswerDialog(dialog, typed ? "SomeOne Else" : "", typed));
        std::vector<driver::PostedLine> lines;
        bool shownEarly = false;
        driver::WaitUntil(
            [&] {
                const bool shown = IsWindowVisible(s.Window()); // first: then both are in
                lines = s.Lines();
                shownEarly |= shown && lines.size() < 2;
                return shown && lines.size() >= 2;
            },
            30000, 5);
        EXPECT_FALSE(shownEarly) << "the window was shown before the loads line";
        ASSERT_EQ(lines.size(), 2u);
        EXPECT_EQ(lines[0].bytes, e2e::kByLine);
        EXPECT_EQ(lines[1].bytes, e2e::kLoadsLine);
        EXPECT_EQ(lines[0].room, "room1");
        EXPECT_GE(lines[1].ms - lines[0].ms, 500.0 - 0.01);
        HWND window = s.Window();
        EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(driver::GetText(window), "Snorva");
        // The skin's key-colour corners are cut away and show what lies behind; its band stays.
        EXPECT_FALSE(InRegion(window, 0, 20) || InRegion(window, 111, 0));
        EXPECT_TRUE(InRegion(window, 50, 10) && InRegion(window, 0, 0));
        EXPECT_FALSE(ShowsKeyColour(window, 1000));
    }
}

TEST(StartUp, OnlyTheProgramFoldersRegionDllShapesTheWindow) {
    {
        // One that finds no region leaves the window a rectangle: the key colour shows.
        Session s({.changeFolder = Put(REGION_NULL_DLL, L"\\REGION.DLL")});
        EXPECT_FALSE(InRegion(s.Window(), 50, 10));
        EXPECT_TRUE(ShowsKeyColour(s.Window(), 5000));
    }
    // That one in the working folder, where a load by name would look, is not taken.
    driver::TempFolder working;
    Put(REGION_NULL_DLL, L"\\REGION.DLL")(working.Path());
    Session s({.startIn = working.Path()});
    EXPECT_TRUE(InRegion(s.Window(), 50, 10) && !InRegion(s.Window(), 111, 0));
}

TEST(StartUp, HugeDetailedSkinStartsUpAndShapesTheWindowFromItsCorner) {
    // 8000 x 8000: a checkerboard of the key colour and blue, a blue block in the corner.
    Session s({.changeFolder = Put(HUGE_SKIN, L"\\gfx\\main.jpg")});
    EXPECT_TRUE(InRegion(s.Window(), 2, 2) && InRegion(s.Window(), 50, 18));
    EXPECT_FALSE(InRegion(s.Window(), 70, 10) || InRegion(s.Window(), 105, 2));
    EXPECT_FALSE(ShowsKeyColour(s.Window(), 0));
    EXPECT_TRUE(s.Expect({})); // and runs on
}

TEST(StartUpErrors, EachEndsWithItsBoxAndStatusPostingNothingShowingNothing) {
    driver::TempFolder working; // holds a good REGION.DLL
    Put(std::string(SNORVA_DIST) + "\\REGION.DLL", L"\\REGION.DLL")(working.Path());
    std::ifstream in(SNORVA_DIST "\\gfx\\main.jpg", std::ios::binary);
    const std::string skin(std::istreambuf_iterator<char>(in), {});
    const Change noDll = [](const std::wstring& f) { DeleteFileW((f + L"\\REGION.DLL").c_str()); };
    const std::string mismatch = "Run-time error '13':\n\nType mismatch\n\n";
    const std::string notFound = "Run-time error '53':\n\nFile not found: ";
    const std::string invalid = "Run-time error '481':\n\nInvalid picture";
    const struct {
        const char* what;
        driver::SnorvaSetup setup;
        DWORD number;
        std::string text, names; // how the box begins, and what else it names
    } failures[] = {
        {"no AOL client", {.withAol = false}, 13, mismatch, "AOL"},
        {"AOL of no known version", {.aol = "--version unknown"}, 13, mismatch, "AOL"},
        {"skin missing",
         {.changeFolder =
              [](const std::wstring& f) { DeleteFileW((f + L"\\gfx\\main.jpg").c_str()); }},
         53,
         notFound,
         "main.jpg"},
        {"skin of text", {.changeFolder = Skin("this is no picture\n")}, 481, invalid, ""},
        {"skin empty", {.changeFolder = Skin("")}, 481, invalid, ""},
        {"skin of noise after a JPEG header",
         {.changeFolder = Skin("\xFF\xD8\xFF\xE0" + std::string(4096, '\x5A'))},
         481,
         invalid,
         ""},
        {"skin cut after its headers",
         {.changeFolder = Skin(skin.substr(0, 20))},
         481,
         invalid,
         ""},
        {"REGION.DLL missing", {.changeFolder = noDll}, 53, notFound, "REGION.DLL"},
        {"REGION.DLL missing, one in the working folder",
         {.changeFolder = noDll, .startIn = working.Path()},
         53,
         notFound,
         "REGION.DLL"},
        {"REGION.DLL without MakeRgn",
         {.changeFolder = Put(REGION_NOENTRY_DLL, L"\\REGION.DLL")},
         453,
         "Run-time error '453':\n\nCan't find DLL entry point MakeRgn in REGION.DLL",
         ""}};
    for (const auto& f : failures) {
        SCOPED_TRACE(f.what);
        Session s(f.setup, false);
        const bool afterDialog = f.number == 13; // AOL is first asked for after the dialog
        HWND dialog = afterDialog ? s.WaitForHandleDialog() : nullptr;
        ASSERT_TRUE(!afterDialog || (dialog && driver::AnswerDialog(dialog, "me")));
        bool dialogSeen = false, windowSeen = false;
        driver::WaitUntil(
            [&] {
                dialogSeen |= !afterDialog && FindWindowA("#32770", "handle");
                windowSeen |= IsWindowVisible(s.Window()) != FALSE;
                return FindWindowA("#32770", "Snorva") != nullptr;
            },
            30000, 5);
        auto box = s.ExpectBox(f.text);
        ASSERT_TRUE(box);
        EXPECT_NE(box->text.find(f.names), std::string::npos) << box->text;
        EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
        EXPECT_FALSE(dialogSeen || windowSeen);
        EXPECT_TRUE(s.Program().Running()) << "ended before its box was closed";
        driver::DismissMessageBox(box->window);
        EXPECT_TRUE(s.ExpectEnd(f.number));
        EXPECT_TRUE(s.Lines().empty());
    }
}

} // namespace
