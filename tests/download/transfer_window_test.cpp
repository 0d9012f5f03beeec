// The download monitor against real windows: the simulated AOL client runs on its own UI
// thread in this process, and every lookup and text read crosses to it by window messages.
#include "aol/aol.h"
#include "download/download.h"
#include "sim/sim.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Fields = std::vector<std::wstring>;

// The three fields in the order the idle tick asks for them; each finds the window afresh.
Fields ReadFields() {
    Fields fields;
    fields.push_back(DownloadFileName());
    fields.push_back(DownloadPercent());
    fields.push_back(DownloadTimeLeft());
    return fields;
}

const Fields kNothing{L"n/a", L"n/a", L"n/a"};

// Transfer texts that tell the transfer window apart from any look-alike.
const std::string kTransfer = "--transfer --transfer-file photo.jpg --transfer-percent 45 "
                              "--transfer-minutes 3 ";
const Fields kTransferFields{L"photo.jpg", L"45", L"3 minutes"};

// One simulated client per scope, so a failed assertion never leaves one running.
class SimulatedClient {
  public:
    explicit SimulatedClient(const std::string& options) : started_(sim::StartInProcess(options)) {}
    ~SimulatedClient() {
        if (started_) sim::StopInProcess();
    }
    SimulatedClient(const SimulatedClient&) = delete;
    SimulatedClient& operator=(const SimulatedClient&) = delete;
    bool Started() const { return started_; }

  private:
    bool started_;
};

// A window class registered only for one test, with the plain default behaviour.
class TemporaryClass {
  public:
    explicit TemporaryClass(const char* name) : name_(name) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = name;
        registered_ = RegisterClassA(&wc) != 0;
    }
    ~TemporaryClass() {
        if (registered_) UnregisterClassA(name_, GetModuleHandleA(nullptr));
    }
    TemporaryClass(const TemporaryClass&) = delete;
    TemporaryClass& operator=(const TemporaryClass&) = delete;
    bool Registered() const { return registered_; }

  private:
    const char* name_;
    bool registered_ = false;
};

struct WindowCloser {
    void operator()(HWND window) const { DestroyWindow(window); }
};
using Window = std::unique_ptr<std::remove_pointer_t<HWND>, WindowCloser>;

Window MakeWindow(const char* className, const char* text, HWND parent) {
    return Window(CreateWindowExA(0, className, text, parent ? WS_CHILD : WS_OVERLAPPED, 0, 0, 50,
                                  50, parent, nullptr, GetModuleHandleA(nullptr), nullptr));
}

// First, while no simulated client has registered these classes in this process: a main window
// with no MDI client, next to a top-level window that would pass as a transfer window if a
// lookup under the missing MDI client searched the desktop instead.
TEST(NoTransferWindow, WithoutMdiClientEvenBesideATopLevelLookAlike) {
    TemporaryClass frameClass("AOL Frame25");
    TemporaryClass childClass("AOL Child");
    TemporaryClass staticClass("_AOL_Static");
    if (!frameClass.Registered() || !childClass.Registered() || !staticClass.Registered())
        GTEST_SKIP() << "a simulated client ran in this process before";
    Window frame = MakeWindow("AOL Frame25", "America  Online", nullptr);
    Window stray = MakeWindow("AOL Child", "File Transfer - 5%", nullptr);
    ASSERT_TRUE(frame && stray);
    Window strayStatic = MakeWindow("_AOL_Static", "Now Downloading stray.zip", stray.get());
    ASSERT_TRUE(strayStatic);

    EXPECT_EQ(FindTransferWindow(), nullptr);
    EXPECT_EQ(ReadFields(), kNothing);
}

TEST(NoTransferWindow, WithoutClientChildrenOrTransfer) {
    EXPECT_EQ(FindTransferWindow(), nullptr) << "no AOL main window";
    EXPECT_EQ(ReadFields(), kNothing);
    for (const char* options : {"--rooms 0", "--rooms 2 --decoys 4", "--lookalike"}) {
        SimulatedClient client(options);
        ASSERT_TRUE(client.Started()) << options;
        EXPECT_EQ(FindTransferWindow(), nullptr) << options;
        EXPECT_EQ(ReadFields(), kNothing) << options;
    }
}

TEST(TransferWindow, FoundWhereverItStandsAmongTheChildren) {
    for (const char* where : {"--rooms 0", "--transfer-first --rooms 2 --decoys 4",
                              "--rooms 2 --decoys 4", "--transfer-first --lookalike --decoys 2"}) {
        SimulatedClient client(kTransfer + where);
        ASSERT_TRUE(client.Started()) << where;
        HWND transfer = FindTransferWindow();
        ASSERT_NE(transfer, nullptr) << where;
        EXPECT_EQ(GetCaption(transfer), L"File Transfer - 45%") << where;
        EXPECT_EQ(ReadFields(), kTransferFields) << where;
    }
}

TEST(TransferWindow, LookAlikesInFrontAreRejected) {
    for (const char* lookalike :
         {"--lookalike", // 'Now downloading' with a small d
          "--lookalike-caption \"file transfer - 5%\" --lookalike-static \"Now Downloading x\""}) {
        SimulatedClient client(kTransfer + lookalike);
        ASSERT_TRUE(client.Started()) << lookalike;
        EXPECT_EQ(GetCaption(FindTransferWindow()), L"File Transfer - 45%") << lookalike;
        EXPECT_EQ(ReadFields(), kTransferFields) << lookalike;
    }
}

TEST(TransferWindow, FirstOfTwoThatPassIsTaken) {
    // The look-alike stands first in child order; here it passes too.
    SimulatedClient client(kTransfer + "--lookalike-static \"Now Downloading first.zip\"");
    ASSERT_TRUE(client.Started());
    EXPECT_EQ(GetCaption(FindTransferWindow()), L"File Transfer - 50%");
    EXPECT_EQ(ReadFields(), (Fields{L"first.zip", L"50", L"9 minutes"}));
}

TEST(TransferWindow, SingleStaticGivesEmptyTimeLeft) {
    SimulatedClient client(kTransfer + "--transfer-single-static");
    ASSERT_TRUE(client.Started());
    EXPECT_EQ(ReadFields(), (Fields{L"photo.jpg", L"45", L""}));
}

TEST(TransferWindow, FieldsReadAfterItClosesAreNotAvailable) {
    // Reads of the first static: one per lookup, and one more for the file name. After the
    // third the window closes, so the percent's own lookup finds nothing.
    {
        SimulatedClient client(kTransfer + "--transfer-close-after 3");
        ASSERT_TRUE(client.Started());
        ASSERT_NE(FindTransferWindow(), nullptr);
        EXPECT_EQ(ReadFields(), (Fields{L"photo.jpg", L"n/a", L"n/a"}));
    }
    {
        SimulatedClient client(kTransfer + "--transfer-close-after 1");
        ASSERT_TRUE(client.Started());
        ASSERT_NE(FindTransferWindow(), nullptr);
        EXPECT_EQ(ReadFields(), kNothing);
    }
    {
        // Closed and opened again between two download lines: each line answers for its moment.
        SimulatedClient client(kTransfer);
        ASSERT_TRUE(client.Started());
        EXPECT_EQ(ReadFields(), kTransferFields);
        ASSERT_TRUE(sim::Control("--no-transfer"));
        EXPECT_EQ(ReadFields(), kNothing);
        ASSERT_TRUE(sim::Control("--transfer --transfer-percent 46"));
        EXPECT_EQ(DownloadPercent(), L"46");
    }
}

TEST(TransferWindow, OverReportedLengthsAreCutAtTheFirstNul) {
    // The caption and first static claim more than they copy; a field carrying the NULs would
    // cut the download line short in the chat input. The name also crosses the ANSI code page.
    SimulatedClient client(kTransfer + "--transfer-static1 \"AOL Is Now Downloading caf\\xE9.zip\" "
                                       "--transfer-static1-extra 20 --transfer-caption-extra 7");
    ASSERT_TRUE(client.Started());
    EXPECT_EQ(ReadFields(), (Fields{L"caf\u00E9.zip", L"45", L"3 minutes"}));
}

} // namespace
