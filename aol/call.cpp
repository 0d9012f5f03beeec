#include "aol/call.h"

#include "core/runtime_error.h"
#include "win/events.h"
#include "win/owners.h"

#include <atomic>

bool (*MustWaitForAol)(const MSG& message) = [](const MSG&) { return true; };

namespace aolcall {
namespace {

// While it waits, the user-interface thread looks this often whether AOL's window is still
// there; the call's end, the end of AOL's thread, and anything that arrives wake it at once.
constexpr DWORD kWindowCheckMs = 200;

// The caller thread: it waits for a trip, runs it, and says so. Trips are numbered; the numbers
// only grow, so "finished at least this one" holds however waits came about.
struct Caller {
    HANDLE work = nullptr; // set when a trip is handed over
    HANDLE done = nullptr; // set when one has run
    DWORD id = 0;
    Trip* trip = nullptr;
    std::atomic<unsigned> handed{0}, finished{0};
};

DWORD WINAPI CallerMain(void* parameter) {
    auto& caller = *static_cast<Caller*>(parameter);
    for (;;) {
        WaitForSingleObject(caller.work, INFINITE);
        const unsigned number = caller.handed;
        caller.trip->Run();
        caller.finished = number;
        SetEvent(caller.done);
    }
}

// Made at the first call and kept for the run.
Caller* TheCaller() {
    static Caller* caller = [] {
        auto* made = new Caller;
        made->work = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        made->done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        HANDLE thread = made->work && made->done
                            ? CreateThread(nullptr, 0, CallerMain, made, 0, &made->id)
                            : nullptr;
        if (!thread) return static_cast<Caller*>(nullptr);
        CloseHandle(thread);
        return made;
    }();
    return caller;
}

// A handle to AOL's thread, kept from call to call: opening one costs about as much as the call.
class AolThread {
  public:
    void Keep(DWORD id) {
        if (id != id_) Open(id);
    }
    HANDLE Handle() const { return handle_.get(); }
    // Whether the thread has ended, once its handle is set. The handle kept may be of an earlier
    // thread whose id a new one now has: then it is renewed, and the new one has not ended.
    bool Ended() {
        Open(id_);
        return !handle_ || WaitForSingleObject(handle_.get(), 0) == WAIT_OBJECT_0;
    }

  private:
    void Open(DWORD id) {
        id_ = id;
        handle_.reset(id ? OpenThread(SYNCHRONIZE, FALSE, id) : nullptr);
    }
    DWORD id_ = 0;
    OwnedHandle handle_;
};

bool waiting = false;

// Marks the wait, and posts again what it held when it is over.
class Waiting {
  public:
    Waiting() : outer_(waiting) { waiting = true; }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;
    ~Waiting() {
        waiting = outer_;
        if (!waiting) HeldMessages::PostAgain();
    }

  private:
    bool outer_;
};

// What arrives meanwhile: painting and what Snorva's window lets through are handled now, the
// rest is held. Messages sent to the thread are handled inside PeekMessage, by their windows.
void HandleWhileWaiting() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_PAINT || !MustWaitForAol(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        } else {
            HeldMessages::Hold(message);
        }
    }
}

} // namespace

bool OnCallerThread() {
    const Caller* caller = TheCaller();
    return caller && GetCurrentThreadId() == caller->id;
}

std::unique_ptr<Trip> Await(HWND window, std::unique_ptr<Trip> trip) {
    Caller* caller = TheCaller();
    if (!caller) { // no second thread to be had: the call waits here, as a bare call would
        trip->Run();
        return trip;
    }
    // AOL is the top-level window of the one the call is about, with its thread: AOL has gone
    // when that thread has ended (woken at once where its handle can be had) or that handle no
    // longer names a window of it (a handle of a window that went may name another one later).
    const HWND aol = GetAncestor(window, GA_ROOT);
    const DWORD aolThreadId = GetWindowThreadProcessId(aol, nullptr);
    const auto windowGone = [&] { return GetWindowThreadProcessId(aol, nullptr) != aolThreadId; };
    static AolThread aolThread;
    aolThread.Keep(aolThreadId);

    const unsigned number = caller->handed + 1;
    caller->trip = trip.get();
    caller->handed = number;
    SetEvent(caller->work);
    Waiting waiting;
    for (;;) {
        // AOL's thread first: when both are set, its end is what the wait sees.
        const HANDLE wakers[] = {aolThread.Handle(), caller->done};
        const DWORD first = aolThread.Handle() ? 0 : 1;
        const DWORD woke = MsgWaitForMultipleObjectsEx(2 - first, wakers + first, kWindowCheckMs,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + 1 - first && caller->finished >= number) break;
        if ((woke == WAIT_OBJECT_0 && !first && aolThread.Ended()) || windowGone()) {
            trip.release(); // the caller thread may still be in it; the program ends anyway
            throw NoAol();
        }
        HandleWhileWaiting();
    }
    // A window that went during the call answers nothing: the call may have been lost with it.
    if (windowGone()) throw NoAol();
    return trip;
}

} // namespace aolcall

bool WaitingForAol() {
    return aolcall::waiting;
}
