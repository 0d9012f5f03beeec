// Start-up end to end: the handle dialog, the greeting lines, the shaped topmost window, and
// every way the start-up can end in a run-time error.
#include "tests/e2e/e2e.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using driver::SnorvaRun;
using driver::SnorvaSetup;

bool InRegion(HWND window, int x, int y) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    bool inside = GetWindowRgn(window, region) != ERROR && PtInRegion(region, x, y);
    DeleteObject(region);
    return inside;
}

bool HasRegion(HWND window) {
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    bool has = GetWindowRgn(window, region) != ERROR;
    DeleteObject(region);
    return has;
}

bool Magenta(COLORREF c) {
    return GetRValue(c) > 200 && GetGValue(c) < 70 && GetBValue(c) > 200;
}

// Answers the dialog and watches the window until both greeting lines are in: it must not be
// shown before the second. Returns the lines.
std::vector<driver::PostedLine> GreetWatchingTheWindow(SnorvaRun& run, const std::string& answer,
                                                       bool ok) {
    HWND dialog = run.WaitForHandleDialog();
    EXPECT_TRUE(dialog) << "no handle dialog";
    if (!dialog) return {};
    // The dialog comes first: nothing posted, nothing shown.
    EXPECT_TRUE(run.Lines().empty());
    EXPECT_FALSE(run.Window() && IsWindowVisible(run.Window()));
    EXPECT_EQ(driver::GetText(dialog), "handle");
    if (answer == "SomeOne Else") { // once, for people to look at
        RECT rect;
        GetWindowRect(dialog, &rect);
        driver::SaveScreenshot(rect, e2e::ShotPath(L"handle-dialog.bmp"));
    }
    EXPECT_TRUE(driver::AnswerDialog(dialog, answer, ok));
    std::vector<driver::PostedLine> lines;
    bool shownEarly = false;
    driver::WaitUntil(
        [&] {
            // Visibility first: once shown, the second line is already in the transcript.
            bool visible = run.Window() && IsWindowVisible(run.Window());
            lines = run.Lines();
            if (visible && lines.size() < 2) shownEarly = true;
            return visible && lines.size() >= 2;
        },
        30000, 5);
    EXPECT_FALSE(shownEarly) << "window shown before the loads line";
    return lines;
}

void ExpectGreeting(const std::vector<driver::PostedLine>& lines) {
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].bytes, e2e::kByLine);
    EXPECT_EQ(lines[1].bytes, e2e::kLoadsLine);
    EXPECT_EQ(lines[0].room, "room1");
    EXPECT_GE(lines[1].ms - lines[0].ms, 500.0 - 0.01);
}

TEST(StartUp, TypedHandleGreetsTheRoomThenShowsTheShapedTopmostWindow) {
    SnorvaRun run;
    ASSERT_TRUE(run.Started()) << run.Error();
    std::printf("AOL client %s\n",
                run.SeparateProcesses() ? "as its own program" : "in Snorva's process (test host)");
    auto lines = GreetWatchingTheWindow(run, "SomeOne Else", true);
    ExpectGreeting(lines);

    HWND window = run.Window();
    ASSERT_TRUE(window);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 112);
    EXPECT_EQ(rect.bottom - rect.top, 21);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(driver::GetText(window), "Snorva");
    // The strip's key-colour triangles (bottom left, top right) are cut away; its band stays.
    EXPECT_FALSE(InRegion(window, 0, 20));
    EXPECT_FALSE(InRegion(window, 111, 0));
    EXPECT_TRUE(InRegion(window, 50, 10));
    EXPECT_TRUE(InRegion(window, 0, 0));

    Sleep(300); // let it paint
    driver::SaveScreenshot(rect, e2e::ShotPath(L"startup.bmp"));
    // What shows at the cut corner is whatever lies behind, not the key colour.
    EXPECT_FALSE(Magenta(driver::ScreenPixel(rect.right - 1, rect.top)));
    EXPECT_TRUE(run.Program().Running());
}

TEST(StartUp, CancelledOrEmptyHandleGreetsTheSame) {
    for (bool ok : {false, true}) {
        SnorvaRun run;
        ASSERT_TRUE(run.Started()) << run.Error();
        ExpectGreeting(GreetWatchingTheWindow(run, "", ok));
    }
}

TEST(StartUp, ClassicVersionPostsThroughTheSecondChatInput) {
    // On 4.0 only the room's second RICHCNTL posts; a line sent to the first is lost.
    SnorvaRun run({.aol = "--version 4.0"});
    ASSERT_TRUE(run.Started()) << run.Error();
    ExpectGreeting(GreetWatchingTheWindow(run, "x", true));
}

// The error box titled "Snorva": its text, one OK button; then the exit status.
void ExpectErrorBox(SnorvaRun& run, int number, const std::string& textStart,
                    const std::string& alsoContains = {}) {
    auto box = driver::WaitForMessageBox("Snorva", 30000, run.Program().Id());
    ASSERT_TRUE(box) << "no error box";
    EXPECT_EQ(box->text.rfind(textStart, 0), 0u) << box->text;
    if (!alsoContains.empty()) {
        EXPECT_NE(box->text.find(alsoContains), std::string::npos) << box->text;
    }
    EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
    EXPECT_FALSE(run.Window() && IsWindowVisible(run.Window()));
    EXPECT_TRUE(run.Program().Running()) << "ended before the box was closed";
    driver::DismissMessageBox(box->window);
    auto status = run.Program().Wait(10000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, static_cast<DWORD>(number));
    EXPECT_TRUE(run.Lines().empty());
}

TEST(StartUpErrors, NoAolClientEndsWithTypeMismatchAfterTheDialog) {
    for (bool anyClient : {false, true}) {
        SCOPED_TRACE(anyClient ? "client of no known version" : "no client");
        SnorvaRun run({.withAol = anyClient, .aol = "--version unknown"});
        ASSERT_TRUE(run.Started()) << run.Error();
        HWND dialog = run.WaitForHandleDialog();
        ASSERT_TRUE(dialog);
        driver::AnswerDialog(dialog, "me");
        ExpectErrorBox(run, 13, "Run-time error '13':\n\nType mismatch\n\n", "AOL");
    }
}

// An error before the dialog: the dialog must never have appeared.
void ExpectErrorBeforeDialog(const SnorvaSetup& setup, int number, const std::string& textStart,
                             const std::string& alsoContains = {}) {
    SnorvaRun run(setup);
    ASSERT_TRUE(run.Started()) << run.Error();
    bool dialogSeen = false;
    driver::WaitUntil(
        [&] {
            if (FindWindowA("#32770", "handle")) dialogSeen = true;
            return FindWindowA("#32770", "Snorva") != nullptr;
        },
        30000, 5);
    EXPECT_FALSE(dialogSeen);
    ExpectErrorBox(run, number, textStart, alsoContains);
    EXPECT_FALSE(dialogSeen || FindWindowA("#32770", "handle"));
}

TEST(StartUpErrors, MissingSkinIsFileNotFoundBeforeTheDialog) {
    ExpectErrorBeforeDialog({.changeFolder =
                                 [](const std::wstring& folder) {
                                     DeleteFileW((folder + L"\\gfx\\main.jpg").c_str());
                                 }},
                            53, "Run-time error '53':\n\nFile not found", "main.jpg");
}

TEST(StartUpErrors, SkinThatIsNoPictureIsInvalidPicture) {
    ExpectErrorBeforeDialog({.changeFolder =
                                 [](const std::wstring& folder) {
                                     driver::WriteFileBytes(folder + L"\\gfx\\main.jpg",
                                                            "this is no picture at all\n");
                                 }},
                            481, "Run-time error '481':\n\nInvalid picture");
}

TEST(StartUpErrors, MissingRegionDllIsFileNotFound) {
    ExpectErrorBeforeDialog(
        {.changeFolder =
             [](const std::wstring& folder) { DeleteFileW((folder + L"\\REGION.DLL").c_str()); }},
        53, "Run-time error '53':\n\nFile not found", "REGION.DLL");
}

std::wstring Widen(const char* text) {
    return std::wstring(text, text + strlen(text));
}

TEST(StartUpErrors, RegionDllWithoutMakeRgnIsEntryPointNotFound) {
    ExpectErrorBeforeDialog(
        {.changeFolder =
             [](const std::wstring& folder) {
                 CopyFileW(Widen(REGION_NOENTRY_DLL).c_str(), (folder + L"\\REGION.DLL").c_str(),
                           FALSE);
             }},
        453, "Run-time error '453':\n\nCan't find DLL entry point MakeRgn in REGION.DLL");
}

TEST(StartUpErrors, RegionDllIsTakenOnlyFromTheProgramFolder) {
    // A REGION.DLL in the working folder (searched by a load by name) is not taken instead.
    driver::TempFolder elsewhere;
    CopyFileW((driver::DistFolder() + L"\\REGION.DLL").c_str(),
              (elsewhere.Path() + L"\\REGION.DLL").c_str(), FALSE);
    ExpectErrorBeforeDialog(
        {.changeFolder =
             [](const std::wstring& folder) { DeleteFileW((folder + L"\\REGION.DLL").c_str()); },
         .startIn = elsewhere.Path()},
        53, "Run-time error '53':\n\nFile not found", "REGION.DLL");
}

TEST(StartUpErrors, MakeRgnFindingNoRegionLeavesTheWindowRectangular) {
    SnorvaRun run({.changeFolder = [](const std::wstring& folder) {
        CopyFileW(Widen(REGION_NULL_DLL).c_str(), (folder + L"\\REGION.DLL").c_str(), FALSE);
    }});
    ASSERT_TRUE(run.Started()) << run.Error();
    ExpectGreeting(GreetWatchingTheWindow(run, "me", true));
    HWND window = run.Window();
    ASSERT_TRUE(window);
    EXPECT_FALSE(HasRegion(window));
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 112);
    EXPECT_EQ(rect.bottom - rect.top, 21);
    Sleep(300);
    driver::SaveScreenshot(rect, e2e::ShotPath(L"startup-rectangular.bmp"));
    // Now the key colour of the strip's corner shows.
    EXPECT_TRUE(Magenta(driver::ScreenPixel(rect.right - 1, rect.top)));
}

} // namespace
