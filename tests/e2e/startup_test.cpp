// Start-up end to end: the program folders and surroundings that end the start-up in a run-time
// error or bend it.
#include "tests/e2e/e2e.h"

#include <map>

namespace {

using e2e::Change;
using e2e::InRegion;
using e2e::Put;
using e2e::Session;

Change Delete(const wchar_t* file) {
    return [=](const std::wstring& folder) { DeleteFileW((folder + file).c_str()); };
}

Change Skin(const std::string& bytes) {
    return [=](const std::wstring& folder) {
        driver::WriteFileBytes(folder + L"\\gfx\\main.jpg", bytes);
    };
}

TEST(StartUp, WithoutARegionOrFromAHugeDetailedSkinHeldOpenTheWindowIsShapedAndWorks) {
    // The skin held open for writing meanwhile, as a virus scanner, an indexer or an editor may.
    OwnedHandle held;
    const Change hugeHeldOpen = [&](const std::wstring& folder) {
        Put(HUGE_SKIN, L"\\gfx\\main.jpg")(folder);
        held.reset(CreateFileW((folder + L"\\gfx\\main.jpg").c_str(), GENERIC_WRITE,
                               FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        EXPECT_NE(held.get(), INVALID_HANDLE_VALUE);
    };
    const struct {
        Change change;
        std::vector<POINT> in, out; // of the window's outline
    } rows[] = {// A REGION.DLL that finds no region: the window stays a rectangle.
                {Put(PROBE_DLL, L"\\REGION.DLL"), {}, {{50, 10}}},
                // 8000 x 8000: a checkerboard of the key colour and blue, a blue block in the
                // corner; the outline is cut from the corner.
                {hugeHeldOpen, {{2, 2}, {50, 18}}, {{70, 10}, {105, 2}}}};
    for (const auto& [change, in, out] : rows) {
        Session s({.changeFolder = change});
        for (POINT p : in)
            EXPECT_TRUE(InRegion(s.Window(), p.x, p.y)) << p.x << "," << p.y;
        for (POINT p : out)
            EXPECT_FALSE(InRegion(s.Window(), p.x, p.y)) << p.x << "," << p.y;
        // It runs on: its close glyph ends it, as it would not under a box or after a crash.
        driver::PostClick(s.Window(), driver::kCloseGlyph.x, driver::kCloseGlyph.y);
        EXPECT_TRUE(s.ExpectEnd(0));
    }
}

TEST(StartUpErrors, EachEndsWithItsBoxAndStatusPostingNothingShowingNothing) {
    driver::TempFolder working; // holds a good REGION.DLL
    Put(std::string(SNORVA_DIST) + "\\REGION.DLL", L"\\REGION.DLL")(working.Path());
    const Change noEntry = Put(std::string(SNORVA_DIST) + "\\menuhook.dll", L"\\REGION.DLL");
    const std::string jpegNoise = "\xFF\xD8\xFF\xE0" + std::string(4096, '\x5A');
    std::map<DWORD, std::string> says{
        {13, e2e::kNoAol},
        {70, "Run-time error '70':\n\nPermission denied\n\nStart Snorva the way AOL is started (as "
             "administrator): AOL runs with higher rights than Snorva, and Windows keeps Snorva's "
             "lines out of it."},
        {53, "Run-time error '53':\n\nFile not found: "}, // then the file's path
        {481, "Run-time error '481':\n\nInvalid picture"},
        {453, "Run-time error '453':\n\nCan't find DLL entry point MakeRgn in REGION.DLL"}};
    const struct {
        const char* what;
        driver::SnorvaSetup setup;
        DWORD number;
        const wchar_t* missing = L""; // in the program folder
    } failures[] = {
        {"no AOL client", {.withAol = false}, 13},
        {"AOL with higher rights than Snorva", e2e::Unseen(L"--aol-elevated"), 70},
        {"AOL of no known version", {.aol = "--version unknown"}, 13},
        {"skin missing", {.changeFolder = Delete(L"\\gfx\\main.jpg")}, 53, L"\\gfx\\main.jpg"},
        {"skin of text", {.changeFolder = Skin("this is no picture\n")}, 481},
        {"skin empty", {.changeFolder = Skin("")}, 481},
        {"skin of noise after a JPEG header", {.changeFolder = Skin(jpegNoise)}, 481},
        {"REGION.DLL missing, one in the working folder",
         {.changeFolder = Delete(L"\\REGION.DLL"), .startIn = working.Path()},
         53,
         L"\\REGION.DLL"},
        {"REGION.DLL without MakeRgn", {.changeFolder = noEntry}, 453}};
    for (const auto& f : failures) {
        SCOPED_TRACE(f.what);
        Session s(f.setup, false);
        const bool afterDialog = f.number == 13 || f.number == 70; // AOL is asked after it
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
        const std::wstring missing = *f.missing ? s.Folder() + f.missing : L"";
        auto box = s.ExpectBox(says[f.number] + std::string(missing.begin(), missing.end()));
        ASSERT_TRUE(box);
        EXPECT_FALSE(dialogSeen || windowSeen);
        EXPECT_TRUE(s.Program().Running()) << "ended before its box was closed";
        driver::DismissMessageBox(box->window);
        EXPECT_TRUE(s.ExpectEnd(f.number));
        EXPECT_TRUE(s.Lines().empty());
    }
}

} // namespace
