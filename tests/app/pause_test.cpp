// Pause: its rule on a clock of our own, then on the real window system in this process.
#include "app/pause.h"
#include "app/pause_loop.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

// A clock that moves only when the loop waits (or when a handler says so).
struct FakeWorld {
    double time = 1000.0;
    int turns = 0;
    std::vector<double> waits;
    auto Now() {
        return [this] { return time; };
    }
    auto Handle() {
        return [this] { ++turns; };
    }
    auto Wait() {
        return [this](double seconds) {
            waits.push_back(seconds);
            time += seconds;
        };
    }
};

TEST(PauseLoop, ZeroOrNegativeReturnsWithoutHandlingEvents) {
    for (double seconds : {0.0, -1.0, -0.0001}) {
        FakeWorld world;
        PauseLoop(seconds, world.Now(), world.Handle(), world.Wait());
        EXPECT_EQ(world.turns, 0) << seconds;
        EXPECT_TRUE(world.waits.empty()) << seconds;
    }
}

TEST(PauseLoop, WaitsOnlyForWhatIsLeftAndHandlesEventsAfterEachWait) {
    FakeWorld world;
    PauseLoop(0.5, world.Now(), world.Handle(), [&](double seconds) {
        world.waits.push_back(seconds);
        world.time += seconds / 2; // an event wakes the loop half-way
    });
    // Woken at 0.25, 0.375, ...: each wait asks for exactly the rest, never more.
    ASSERT_GE(world.waits.size(), 3u);
    EXPECT_DOUBLE_EQ(world.waits[0], 0.5);
    EXPECT_DOUBLE_EQ(world.waits[1], 0.25);
    EXPECT_EQ(world.turns, static_cast<int>(world.waits.size()) + 1);
}

TEST(PauseLoop, NestedPauseEndsOnItsOwnClockAndTheOuterOnItsOwn) {
    FakeWorld world;
    double innerEnd = 0;
    bool nested = false;
    const double start = world.time;
    PauseLoop(
        0.5, world.Now(),
        [&] {
            if (!nested && world.time - start >= 0.15) {
                nested = true; // an event handler that pauses itself
                const double innerStart = world.time;
                PauseLoop(
                    0.5, world.Now(), [] {}, world.Wait());
                innerEnd = world.time - innerStart;
            }
        },
        [&](double seconds) { world.time += seconds < 0.1 ? seconds : 0.1; });
    EXPECT_TRUE(nested);
    EXPECT_GE(innerEnd, 0.5);
    // The outer pause is long over when the inner one returns; it ends at once then.
    EXPECT_NEAR(world.time - start, 0.2 + 0.5, 1e-9);
}

double Seconds() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// A window of this thread whose messages the test watches.
struct Probe {
    static constexpr UINT kNote = WM_APP + 7;
    static constexpr UINT kPauseInside = WM_APP + 8;
    HWND window = nullptr;
    std::vector<double> notes; // when each kNote was handled
    double innerPause = -1;    // length of the pause run inside a handler
    double start = 0;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* probe = reinterpret_cast<Probe*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (probe && message == kNote) {
            probe->notes.push_back(Seconds() - probe->start);
            return 0;
        }
        if (probe && message == kPauseInside) {
            double t = Seconds();
            Pause(0.3);
            probe->innerPause = Seconds() - t;
            return 0;
        }
        if (probe && message == WM_TIMER) {
            probe->notes.push_back(Seconds() - probe->start);
            KillTimer(hwnd, wParam);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }

    Probe() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PauseProbe";
        RegisterClassW(&wc);
        window = CreateWindowW(L"PauseProbe", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               wc.hInstance, nullptr);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        start = Seconds();
    }
    ~Probe() {
        DestroyWindow(window);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
};

TEST(Pause, ZeroOrNegativeLeavesPendingEventsAlone) {
    Probe probe;
    PostMessageW(probe.window, Probe::kNote, 0, 0);
    Pause(0);
    Pause(-2.5);
    EXPECT_TRUE(probe.notes.empty());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, probe.window, Probe::kNote, Probe::kNote, PM_NOREMOVE));
}

TEST(Pause, HalfASecondHandlesPostedMessagesAndTimersOnTime) {
    Probe probe;
    PostMessageW(probe.window, Probe::kNote, 0, 0);
    SetTimer(probe.window, 1, 150, nullptr);
    const double t = Seconds();
    Pause(0.5);
    const double elapsed = Seconds() - t;
    EXPECT_GE(elapsed, 0.5);
    EXPECT_LT(elapsed, 2.0); // generous: behaviour, not speed
    ASSERT_EQ(probe.notes.size(), 2u);
    EXPECT_LT(probe.notes[0], 0.1);  // the posted message at once
    EXPECT_GE(probe.notes[1], 0.14); // the timer when due
    EXPECT_LT(probe.notes[1], 0.45); // and not held back to the end
}

TEST(Pause, SleepsInsteadOfSpinning) {
    FILETIME created, exited, kernel0, user0, kernel1, user1;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel0, &user0);
    Pause(0.5);
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel1, &user1);
    auto ticks = [](FILETIME f) {
        return (static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    double cpu = (ticks(kernel1) - ticks(kernel0) + ticks(user1) - ticks(user0)) / 1e7;
    std::printf("Pause(0.5) used %.0f ms of this thread's CPU time\n", cpu * 1000);
    // A spinning loop burns the whole half second; the timer resolution here is 10 ms.
    EXPECT_LT(cpu, 0.1);
}

TEST(Pause, NestedPauseReturnsToTheOuterWhichKeepsItsOwnStart) {
    Probe probe;
    const double t = Seconds();
    // Handled in the outer pause's first turn: the inner pause of 0.3 s runs inside it.
    PostMessageW(probe.window, Probe::kPauseInside, 0, 0);
    Pause(0.5);
    const double outer = Seconds() - t;
    EXPECT_GE(probe.innerPause, 0.3);
    EXPECT_GE(outer, 0.5);
    // The outer pause did not start its half second afresh after the inner one.
    EXPECT_LT(outer, 0.5 + 0.3);
}

} // namespace
