// Start-up end to end, from any program folder on any drive at any DPI, and the program folders
// and surroundings that end it in a run-time error.
#include "tests/e2e/e2e.h"

#include <shlwapi.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

namespace {

using namespace e2e;

Change Skin(const std::string& bytes) {
    return [=](const std::wstring& folder) {
        driver::WriteFileBytes(folder + L"\\gfx\\main.jpg", bytes);
    };
}

// Wine's DPI setting, read by each program as it starts; back to 96, the default, when dropped.
struct DpiSetting {
    explicit DpiSetting(DWORD dpi) { Set(dpi); }
    ~DpiSetting() { Set(96); }
    static void Set(DWORD dpi) {
        SHSetValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                    sizeof dpi);
    }
};

TEST(Start, FromAnyFolderAtAnyDpiItsDialogThenItsGreetingThenItsStripWhereItsStarterAsks) {
    // Letters no ANSI code page of the West holds (on a drive without short names the folder
    // then has no name such a code page can hold), and what a URL would read as its own. Under
    // Wine without a window manager the system's own default place is the screen's corner too:
    // a starter's position tells the two apart.
    const wchar_t* cyrillic = L"\u0421\u043D\u043E\u0440\u0432\u0430";
    // What REGION.DLL is given: the skin's path where the code page holds it, else its short form,
    // else (no short names) its name alone, its folder the current one for the call alone.
    enum Given { AsItStands, ShortForm, NameAlone };
    // The outline: the skin's band; none (a REGION.DLL that finds none); or the blue corner of a
    // huge checkerboard skin held open for writing and deleting (as a virus scanner may hold it).
    enum Outline { Band, None, Corner };
    const struct {
        const wchar_t* name;
        DWORD dpi;
        const wchar_t* unseen; // Windows as Wine does not show it
        Given given;
        const char* answer; // whatever it is, and on Cancel, the same greeting
        bool ok;
        Outline outline;
    } runs[] = {
        {cyrillic, 120, nullptr, ShortForm, "SomeOne Else", true, Corner},
        {cyrillic, 96, L"--no-short-names", NameAlone, "typed, then cancelled", false, Band},
        {L"snorva #1 %41 x", 144, nullptr, AsItStands, "", true, None}};
    for (const auto& [name, dpi, unseen, given, answer, ok, outline] : runs) {
        SCOPED_TRACE(unseen ? unseen : std::to_wstring(dpi).c_str());
        DpiSetting setting(dpi);
        OwnedHandle held;
        // REGION.DLL writes down what it is given, and cuts the outline as the real one.
        Session s({.folderName = name,
                   .changeFolder =
                       [&](const std::wstring& folder) {
                           Put(PROBE_DLL, L"\\REGION.DLL")(folder);
                           if (outline != None)
                               Put(SNORVA_DIST "\\REGION.DLL", L"\\REGION-real.dll")(folder);
                           if (unseen) Put(UNSEEN_EXE, L"\\snorva.exe")(folder);
                           if (outline != Corner) return;
                           Put(HUGE_SKIN, L"\\gfx\\main.jpg")(folder);
                           held.reset(CreateFileW((folder + L"\\gfx\\main.jpg").c_str(),
                                                  GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                                  OPEN_EXISTING, 0, nullptr));
                       },
                   .arguments = unseen ? unseen : L"",
                   .at = POINT{300, 200}},
                  false);
        HWND dialog = s.WaitForHandleDialog();
        ASSERT_TRUE(dialog);
        std::multiset<std::string> texts; // the prompt, the empty field, OK and Cancel
        for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            texts.insert(driver::GetText(child));
        EXPECT_EQ(texts, (std::multiset<std::string>{"", "Cancel", "OK", "whats your handle?"}));
        EXPECT_TRUE(s.Lines().empty() && !IsWindowVisible(s.Window()));
        ASSERT_TRUE(driver::AnswerDialog(dialog, answer, ok));
        ASSERT_TRUE(driver::WaitUntil([&] { return IsWindowVisible(s.Window()); }, 30000, 5));
        EXPECT_EQ(s.Lines().size(), 2u) << "the window was shown before the loads line";
        ASSERT_TRUE(s.Expect({kByLine, kLoadsLine}));
        EXPECT_PRED2(HalfASecondApart, s.Lines()[0].ms, s.Lines()[1].ms);
        HWND strip = s.Window();
        EXPECT_TRUE(GetWindowLongA(strip, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(driver::GetText(strip), "Snorva");
        const RECT at = Rect(strip);
        EXPECT_TRUE(at.left == 300 && at.top == 200);
        // The counter shows, but where the corner's outline leaves it out.
        const std::wstring counter = outline == Corner ? L"" : L"0";
        EXPECT_TRUE(driver::WaitUntil([&] { return Counter(strip) == counter; }, 5000));
        const std::string cut = e2e::Outline(strip), band = kSkinOutline;
        const auto in = [&](int x, int y) {
            return cut.size() == band.size() && cut[y * 113 + x] == '+';
        };
        if (outline == Corner) // away from the fringe a JPEG leaves at its edge
            EXPECT_TRUE(in(2, 2) && in(50, 18) && !in(70, 10) && !in(105, 2)) << cut;
        else
            EXPECT_EQ(cut, outline == None ? "none" : band) << "the outline cut from the skin";
        const std::wstring skin = s.Folder() + L"\\gfx\\main.jpg";
        std::ifstream record(std::filesystem::path(s.Folder() + L"\\MakeRgn.txt"));
        const std::string path{std::istreambuf_iterator<char>(record), {}};
        wchar_t shortSkin[MAX_PATH]; // Wine makes up a short name for every name
        const std::wstring expected[] = {
            skin, {shortSkin, GetShortPathNameW(skin.c_str(), shortSkin, MAX_PATH)}, L"main.jpg"};
        EXPECT_EQ(std::wstring(path.begin(), path.end()), expected[given]) << "given to REGION.DLL";
        EXPECT_EQ(Probe(strip, probe::kFolder), s.Folder()) << "the current folder";
        EXPECT_EQ(Probe(strip, probe::kPaintLeaks), L"0")
            << "GDI objects left by painting the strip " << probe::kPaints << " times";
        // Only a completed click acts: pressed on the strip (the window takes the capture),
        // moved, released over the close glyph, it neither moves nor closes.
        SetCursorPos(at.left + driver::kStrip.x, at.top + driver::kStrip.y);
        driver::PostButton(strip, WM_LBUTTONDOWN, driver::kStrip.x, driver::kStrip.y);
        ASSERT_TRUE(driver::WaitUntil(
            [&] { return GuiThread(strip).hwndCapture == strip || Moving(strip); }, 5000));
        SetCursorPos(at.left + 60, at.top + 50);
        driver::PostButton(strip, WM_LBUTTONUP, driver::kCloseGlyph.x, driver::kCloseGlyph.y);
        ASSERT_TRUE(s.Expect({}));
        EXPECT_TRUE(Rect(strip).left == 300 && Rect(strip).top == 200);
        EXPECT_FALSE(Moving(strip));
    }
}

TEST(StartUpErrors, EachEndsWithItsBoxAndStatusPostingNothingShowingNothing) {
    driver::TempFolder working; // holds a good REGION.DLL
    Put(SNORVA_DIST "\\REGION.DLL", L"\\REGION.DLL")(working.path);
    const Change noEntry = Put(SNORVA_DIST "\\menuhook.dll", L"\\REGION.DLL");
    const std::string jpegNoise = "\xFF\xD8\xFF\xE0" + std::string(4096, '\x5A');
    std::map<DWORD, std::string> says{
        {13, kNoAol},
        {70, "Run-time error '70':\n\nPermission denied\n\nStart Snorva the way AOL is started (as "
             "administrator): AOL runs with higher rights than Snorva, and Windows keeps Snorva's "
             "lines out of it."},
        {481, "Run-time error '481':\n\nInvalid picture"},
        {7, "Run-time error '7':\n\nOut of memory"},
        {453, "Run-time error '453':\n\nCan't find DLL entry point MakeRgn in REGION.DLL"}};
    const struct {
        const char* what;
        driver::SnorvaSetup setup;
        DWORD number;
        const wchar_t* missing = L""; // in the program folder: error 53's file
    } failures[] = {
        {"no AOL client", {.withAol = false}, 13},
        {"AOL with higher rights than Snorva", // on a Windows that Wine cannot show
         {.changeFolder = Put(UNSEEN_EXE, L"\\snorva.exe"), .arguments = L"--aol-elevated"},
         70},
        {"AOL of no known version", {.aol = "--version unknown"}, 13},
        {"skin missing", {.changeFolder = Delete(L"\\gfx\\main.jpg")}, 53, L"\\gfx\\main.jpg"},
        {"skin of text", {.changeFolder = Skin("this is no picture\n")}, 481},
        {"skin empty", {.changeFolder = Skin("")}, 481},
        {"skin of noise after a JPEG header", {.changeFolder = Skin(jpegNoise)}, 481},
        {"REGION.DLL missing, one in the working folder",
         {.changeFolder = Delete(L"\\REGION.DLL"), .startIn = working.Path()},
         53,
         L"\\REGION.DLL"},
        {"REGION.DLL without MakeRgn", {.changeFolder = noEntry}, 453},
        {"no memory to be had", {.changeFolder = Put(UNSEEN_EXE, L"\\snorva.exe")}, 7}};
    const OwnedHandle memoryGone(CreateEventA(nullptr, TRUE, FALSE, probe::kMemoryGone));
    for (const auto& f : failures) {
        SCOPED_TRACE(f.what);
        if (f.number == 7) SetEvent(memoryGone.get());
        Session s(f.setup, false);
        ExpectStartUpError(s, f.number,
                           *f.missing ? NotFound(s.Folder() + f.missing) : says[f.number]);
    }
}

} // namespace
