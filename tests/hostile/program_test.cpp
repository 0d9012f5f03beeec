// Hostile surroundings end to end: Snorva started from a program folder whose skin is corrupt
// or huge, from a working folder that holds a foreign REGION.DLL, and ticking beside a transfer
// window whose texts are huge, full of NULs, or gone half-way through the download line.
#include "tests/e2e/e2e.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>

namespace {

using driver::SnorvaRun;
using driver::SnorvaSetup;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::string ReadBytes(const std::wstring& path) {
    std::ifstream in(std::string(path.begin(), path.end()), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct RegionDeleter {
    void operator()(HRGN region) const { DeleteObject(region); }
};
using Region = std::unique_ptr<std::remove_pointer_t<HRGN>, RegionDeleter>;

// The window's region, or none when it has none.
Region WindowRegion(HWND window) {
    Region region(CreateRectRgn(0, 0, 0, 0));
    if (GetWindowRgn(window, region.get()) == ERROR) return nullptr;
    return region;
}

bool InRegion(HWND window, int x, int y) {
    Region region = WindowRegion(window);
    return region && PtInRegion(region.get(), x, y);
}

// ---- Corrupt and huge skins ----------------------------------------------------------------

// Start-up that ends in an error box before the handle dialog: the box's text, the exit
// status, nothing posted, no dialog and no window ever shown.
void ExpectErrorBeforeDialog(const SnorvaSetup& setup, DWORD number, const std::string& text) {
    SnorvaRun run(setup);
    ASSERT_TRUE(run.Started()) << run.Error();
    bool dialogSeen = false;
    bool windowSeen = false;
    driver::WaitUntil(
        [&] {
            if (FindWindowA("#32770", "handle")) dialogSeen = true;
            if (run.Window() && IsWindowVisible(run.Window())) windowSeen = true;
            return FindWindowA("#32770", "Snorva") != nullptr;
        },
        30000, 5);
    auto box = driver::WaitForMessageBox("Snorva", 1000);
    ASSERT_TRUE(box) << "no error box";
    EXPECT_EQ(box->text.rfind(text, 0), 0u) << box->text;
    EXPECT_FALSE(dialogSeen);
    EXPECT_FALSE(windowSeen);
    driver::DismissMessageBox(box->window);
    auto status = run.Program().Wait(10000);
    ASSERT_TRUE(status);
    EXPECT_EQ(*status, number);
    EXPECT_TRUE(run.Lines().empty());
}

SnorvaSetup WithSkinBytes(const std::string& bytes) {
    return {.changeFolder = [bytes](const std::wstring& folder) {
        driver::WriteFileBytes(folder + L"\\gfx\\main.jpg", bytes);
    }};
}

TEST(HostileSkin, CorruptJpegIsInvalidPictureBeforeTheDialog) {
    // The plain text file is covered with the other start-up errors; these look like JPEG.
    const std::string skin = ReadBytes(driver::DistFolder() + L"\\gfx\\main.jpg");
    ASSERT_GT(skin.size(), 1000u);
    std::string garbage = "\xFF\xD8\xFF\xE0";
    for (int i = 0; i < 4096; ++i)
        garbage += static_cast<char>((i * 7919) >> 3);
    std::string scrambled = skin;
    for (size_t i = 2; i < scrambled.size(); i += 3)
        scrambled[i] = static_cast<char>(scrambled[i] ^ 0x5A);
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty file", ""},
        {"JPEG start marker alone", "\xFF\xD8"},
        {"JPEG header then noise", garbage},
        {"headers only, cut before the image data", skin.substr(0, 20)},
        {"the skin with its bytes scrambled", scrambled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectErrorBeforeDialog(WithSkinBytes(c.bytes), 481,
                                "Run-time error '481':\n\nInvalid picture");
    }
}

TEST(HostileSkin, SkinFolderMissingIsFileNotFound) {
    ExpectErrorBeforeDialog({.changeFolder =
                                 [](const std::wstring& folder) {
                                     DeleteFileW((folder + L"\\gfx\\main.jpg").c_str());
                                     RemoveDirectoryW((folder + L"\\gfx").c_str());
                                 }},
                            53, "Run-time error '53':\n\nFile not found");
}

// Milliseconds from Snorva's start to the handle dialog, which comes right after the skin is
// loaded and the region is cut; 0 when Snorva ended first or no dialog came within `timeoutMs`.
double MsToDialog(SnorvaRun& run, DWORD timeoutMs) {
    auto start = Clock::now();
    HWND dialog = nullptr;
    driver::WaitUntil(
        [&] {
            dialog = FindWindowA("#32770", "handle");
            return (dialog && IsWindowVisible(dialog)) || !run.Program().Running();
        },
        timeoutMs, 20);
    return dialog && IsWindowVisible(dialog) ? MsSince(start) : 0;
}

// Starts Snorva with `skin` as its skin and checks that it starts up in time and that its window
// takes the outline of the skin's corner: the 60 x 21 block in, the key colour beside it out
// (where the usual skin's band would be in). Prints the time to the handle dialog, which comes
// right after the skin is loaded and the region cut, beside the time with the usual skin.
void ExpectHugeSkinStartsUp(const char* skinPath, const char* name) {
    const std::wstring skin = Widen(skinPath);
    if (GetFileAttributesW(skin.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no huge skin at " << skinPath;
    double usual = 0;
    {
        SnorvaRun run;
        ASSERT_TRUE(run.Started()) << run.Error();
        usual = MsToDialog(run, 30000);
        ASSERT_GT(usual, 0);
    }
    SnorvaRun run({.changeFolder = [skin](const std::wstring& folder) {
        CopyFileW(skin.c_str(), (folder + L"\\gfx\\main.jpg").c_str(), FALSE);
    }});
    ASSERT_TRUE(run.Started()) << run.Error();
    const auto start = Clock::now();
    const double ms = MsToDialog(run, 120000);
    std::printf("[ time     ] start to handle dialog: %.0f ms with the %s 8000 x 8000 skin, "
                "%.0f ms with the usual one\n",
                ms, name, usual);
    if (ms == 0) {
        auto status = run.Program().Wait(0);
        FAIL() << "no handle dialog after " << static_cast<int>(MsSince(start) / 1000) << " s"
               << (status ? "; Snorva ended with status " + std::to_string(*status) : "");
    }
    ASSERT_TRUE(run.PassStartUp());
    EXPECT_EQ(e2e::Texts(run.Lines()), (std::vector<std::string>{e2e::kByLine, e2e::kLoadsLine}));

    HWND window = run.Window();
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 112);
    EXPECT_EQ(rect.bottom - rect.top, 21);
    EXPECT_TRUE(InRegion(window, 2, 2));
    EXPECT_TRUE(InRegion(window, 50, 18));
    EXPECT_FALSE(InRegion(window, 70, 10));
    EXPECT_FALSE(InRegion(window, 105, 2));
    Sleep(500); // painted with the skin, and still running
    EXPECT_TRUE(run.Program().Running());
}

TEST(HostileSkin, HugePlainSkinStartsUpAndShapesTheWindowFromItsCorner) {
#ifdef HUGE_PLAIN_SKIN
    ExpectHugeSkinStartsUp(HUGE_PLAIN_SKIN, "plain");
#else
    GTEST_SKIP() << "built without ImageMagick: no huge skin";
#endif
}

TEST(HostileSkin, HugeDetailedSkinStartsUpAndShapesTheWindowFromItsCorner) {
#ifdef HUGE_DETAILED_SKIN
    ExpectHugeSkinStartsUp(HUGE_DETAILED_SKIN, "detailed");
#else
    GTEST_SKIP() << "built without ImageMagick: no huge skin";
#endif
}

// ---- A foreign REGION.DLL in the working folder --------------------------------------------

// The region the program folder's own REGION.DLL cuts from its own skin, loaded by full path.
Region RealSkinRegion(const std::wstring& folder) {
    HMODULE dll = LoadLibraryW((folder + L"\\REGION.DLL").c_str());
    if (!dll) return nullptr;
    using MakeRgnProc = HRGN(__stdcall*)(const char*, int32_t, int32_t, int32_t);
    auto make =
        reinterpret_cast<MakeRgnProc>(reinterpret_cast<void*>(GetProcAddress(dll, "MakeRgn")));
    const std::wstring skin = folder + L"\\gfx\\main.jpg";
    Region region(make ? make(std::string(skin.begin(), skin.end()).c_str(), 255, 0, 255)
                       : nullptr);
    FreeLibrary(dll);
    return region;
}

TEST(ForeignRegionDll, InTheWorkingFolderIsNotTheOneLoaded) {
    for (const char* foreign : {FOREIGN_REGION_NULL_DLL, FOREIGN_REGION_SQUARE_DLL}) {
        SCOPED_TRACE(foreign);
        driver::TempFolder workingFolder;
        ASSERT_TRUE(CopyFileW(Widen(foreign).c_str(),
                              (workingFolder.Path() + L"\\REGION.DLL").c_str(), FALSE));
        SnorvaRun run({.startIn = workingFolder.Path()});
        ASSERT_TRUE(run.Started()) << run.Error();
        ASSERT_TRUE(run.PassStartUp());
        Region shown = WindowRegion(run.Window());
        ASSERT_TRUE(shown) << "the window has no region: the foreign MakeRgn gave none";
        Region real = RealSkinRegion(run.Folder());
        ASSERT_TRUE(real);
        EXPECT_TRUE(EqualRgn(shown.get(), real.get()));
        // The skin's outline, not the foreign square.
        EXPECT_TRUE(InRegion(run.Window(), 50, 10));
        EXPECT_FALSE(InRegion(run.Window(), 111, 0));
    }
}

// ---- Ticks beside a hostile transfer window ------------------------------------------------

std::string DownloadLine(const std::string& fields) {
    return e2e::kPrefix + "<b>Snorva</b> : <b>F</b>ile <b>d</b>l: " + fields + "l</font>";
}

TEST(HostileTick, DownloadLinesFromHugeNulFilledAndClosingTransferWindows) {
    SnorvaRun run({.aol = "--version 8.0 --transfer --transfer-file a.zip --transfer-percent 45 "
                          "--transfer-minutes 3"});
    ASSERT_TRUE(run.Started()) << run.Error();
    ASSERT_TRUE(run.PassStartUp());
    ASSERT_TRUE(e2e::Choose(run, e2e::Item::IdleOn));
    size_t posted = 3; // the greeting and the engaged line
    ASSERT_EQ(run.WaitForLines(posted).size(), posted);
    // One tick that posts `lines` lines: its user line, and the download line, which is
    // returned ("" when there is none).
    int minute = 0;
    auto tick = [&](size_t lines) {
        e2e::Tick(run.Window());
        posted += lines;
        ++minute;
        auto all = run.WaitForLines(posted, 60000);
        EXPECT_EQ(all.size(), posted);
        if (all.size() < posted) return std::string();
        EXPECT_EQ(all[posted - lines].bytes, e2e::UserLine(minute));
        return lines < 2 ? std::string() : all[posted - 1].bytes;
    };

    // A megabyte in the caption and the first static, 900 KB in the second, read across
    // processes. The line stays under a megabyte: Wine carries no message of a megabyte or more
    // from one process to another (the client gets nothing and ends), so the caption's and the
    // first static's filler is left out by the fields' own rules.
    ASSERT_TRUE(run.Aol("--transfer-caption \"File Transfer z\\{1048575} - 45%\" "
                        "--transfer-static1 \"Now Downloading photo_of_the_day.jpg y\\{1048575}\" "
                        "--transfer-static2 \"about 3 minutes remaining. w\\{899999}\""));
    std::string line = tick(2);
    const std::string expected =
        DownloadLine("photo_of_the_da, 45%, 3 minutes " + std::string(900000, 'w'));
    const size_t differs =
        std::mismatch(line.begin(), line.end(), expected.begin(), expected.end()).first -
        line.begin();
    EXPECT_EQ(differs, expected.size())
        << line.size() << " bytes; from byte " << differs << ": " << line.substr(differs, 40);

    // NULs, with AOL's words behind them.
    ASSERT_TRUE(
        run.Aol("--transfer-caption \"File Transfer - 45%\\0 - 99%\\0\\{65535}\" "
                "--transfer-static1 \"Now Downloading a.zip\\0AOL Is Downloading evil.exe\" "
                "--transfer-static2 \"about 3 minutes\\0\\{1000} remaining.\\0ml\""));
    EXPECT_EQ(tick(2), DownloadLine("a.zip, 45%, 3 minutes"));

    // Closed after 0, 1, 2, ... reads of its first static. How many reads one lookup makes
    // depends on how the window system carries the messages across, but whatever the count,
    // once a field reads "n/a" every later one does too, and the line posted is exactly what
    // the fields read: never a field of the closed window, never an error.
    const std::vector<std::string> order{"n/a, n/a%, n/a", ", n/a%, n/a", "a.zip, n/a%, n/a",
                                         "a.zip, 45%, n/a", "a.zip, 45%, 3 minutes"};
    size_t last = 0;
    std::vector<bool> seen(order.size());
    for (int reads = 0; reads <= 12; ++reads) {
        SCOPED_TRACE("closes after " + std::to_string(reads) + " reads");
        ASSERT_TRUE(run.Aol("--transfer-reset --transfer --transfer-file a.zip "
                            "--transfer-percent 45 --transfer-minutes 3 --transfer-close-after " +
                            std::to_string(reads)));
        // With no transfer window at the tick's own lookup, the tick posts its user line only.
        e2e::Tick(run.Window());
        ++minute;
        Sleep(1500);
        auto all = run.WaitForLines(posted + 1);
        ASSERT_GE(all.size(), posted + 1);
        EXPECT_EQ(all[posted].bytes, e2e::UserLine(minute));
        if (all.size() == posted + 1) {
            EXPECT_EQ(last, 0u) << "no download line after one was posted at fewer reads";
            posted += 1;
            continue;
        }
        ASSERT_EQ(all.size(), posted + 2);
        posted += 2;
        size_t k = 0;
        while (k < order.size() && all.back().bytes != DownloadLine(order[k]))
            ++k;
        ASSERT_LT(k, order.size()) << all.back().bytes;
        EXPECT_GE(k, last) << "more reads gave fewer fields";
        last = k;
        seen[k] = true;
    }
    EXPECT_TRUE(seen[2]) << "never a line with the file name and then n/a";
    EXPECT_TRUE(seen[3]) << "never a line with the percent and then n/a";
    EXPECT_TRUE(seen[4]) << "never a whole line";

    // The room closes as it takes the user line: nothing more arrives, and Snorva runs on.
    ASSERT_TRUE(run.Aol("--transfer --room-closes-on-text"));
    e2e::Tick(run.Window());
    Sleep(2000);
    EXPECT_EQ(run.Lines().size(), posted);
    EXPECT_TRUE(run.Program().Running());
    EXPECT_FALSE(FindWindowA("#32770", "Snorva")) << "an error box";
}

} // namespace
