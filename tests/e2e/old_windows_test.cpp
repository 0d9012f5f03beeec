// A whole session and two start-up errors as Windows 95, 98, NT 4.0 or 2000: as-old-windows runs
// this in a Wine prefix that reports one of them (SNORVA_WINDOWS) and reads what Snorva called
// meanwhile from Wine's relay log (SNORVA_WINEDEBUG), which Snorva alone writes.
#include "tests/e2e/e2e.h"

#include <cstdlib>
#include <map>

namespace {

using namespace e2e;

// Snorva as shipped where Wine here runs it (SHIPPED_DIST), else the test tree's.
driver::SnorvaSetup AsShipped(driver::SnorvaSetup setup) {
#ifdef SHIPPED_DIST
    setup.changeFolder = [change = setup.changeFolder](const std::wstring& folder) {
        for (const wchar_t* name : {L"\\snorva.exe", L"\\REGION.DLL"})
            EXPECT_TRUE(CopyFileW((driver::Widen(SHIPPED_DIST) + name).c_str(),
                                  (folder + name).c_str(), FALSE));
        if (change) change(folder);
    };
#endif
    if (const char* debug = std::getenv("SNORVA_WINEDEBUG")) setup.wineDebug = debug;
    return setup;
}

TEST(OldWindows, AWholeSessionThenNoAolThenNoSkin) {
    const char* windows = std::getenv("SNORVA_WINDOWS");
    ASSERT_TRUE(windows) << "as-old-windows runs this";
    // As Snorva reads it: the 9x bit, the minor and the major version.
    const std::map<std::string, DWORD> version{
        {"win95", 0x80000004}, {"win98", 0x80000A04}, {"nt40", 4}, {"win2k", 5}};
    EXPECT_EQ(GetVersion() & 0x8000FFFF, version.at(windows));
    {
        // On NT in a folder named in letters that the ANSI code page lacks, as its paths are wide.
        const bool nt = !(GetVersion() & 0x80000000);
        Session s(
            AsShipped({.aol = "--version 8.0 --transfer",
                       .folderName = nt ? L"\u0421\u043D\u043E\u0440\u0432\u0430" : L"snorva"}));
        EXPECT_EQ(Outline(s.Window()), kSkinOutline);
        ASSERT_TRUE(s.Choose(Item::IdleOn));
        ASSERT_TRUE(s.Tick({UserLine(1), kDownload}));
        ASSERT_TRUE(s.Choose(Item::IdleOff)); // no tick of the timer's own from here on
        ASSERT_TRUE(s.Choose(Item::About));
        ASSERT_TRUE(s.Choose(Item::Minimize));
        ASSERT_TRUE(s.Restore());
        ASSERT_TRUE(s.Choose(Item::Unload));
    }
    const std::pair<driver::SnorvaSetup, DWORD> errors[] = {
        {{.withAol = false}, 13}, {{.changeFolder = Delete(L"\\gfx\\main.jpg")}, 53}};
    for (const auto& [setup, number] : errors) {
        SCOPED_TRACE(number);
        Session s(AsShipped(setup), false);
        ExpectStartUpError(s, number,
                           number == 13 ? kNoAol : NotFound(s.Folder() + L"\\gfx\\main.jpg"));
    }
}

} // namespace
