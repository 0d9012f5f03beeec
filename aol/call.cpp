#include "aol/call.h"

#include "core/lines.h"
#include "core/runtime_error.h"
#include "win/events.h"
#include "win/owners.h"

#include <deque>
#include <exception>
#include <new>

bool (*MustWaitForAol)(const MSG& message) = [](const MSG&) { return true; };

namespace aolcall {
namespace {

// While it waits, the user-interface thread looks this often whether AOL's window is still
// there; the call's end, the end of AOL's thread, and anything that arrives wake it at once.
constexpr DWORD kWindowCheckMs = 200;

// The caller thread: it runs the trips handed to it, one at a time, in the order they came.
class Caller {
  public:
    // Made at the first call and kept for the run; null when no second thread can be had.
    static Caller* The() {
        static Caller* caller = [] {
            auto* made = new Caller;
            return made->Start() ? made : (delete made, nullptr);
        }();
        return caller;
    }
    DWORD Id() const { return id_; }
    HANDLE Done() const { return done_.get(); } // set each time a trip has run
    // Queues the trip; it is the caller thread's until it says it has run it.
    void Hand(Trip* trip) {
        {
            Locked locked(lock_);
            queue_.push_back(trip); // may throw: then nothing was handed
        }
        SetEvent(work_.get());
    }

  private:
    Caller() { InitializeCriticalSection(&lock_); }
    ~Caller() { DeleteCriticalSection(&lock_); }
    bool Start() {
        work_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        done_.reset(CreateEventA(nullptr, FALSE, FALSE, nullptr));
        const OwnedHandle thread(work_ && done_ ? CreateThread(nullptr, 0, Main, this, 0, &id_)
                                                : nullptr);
        return thread != nullptr;
    }
    Trip* Next() {
        Locked locked(lock_);
        if (queue_.empty()) return nullptr;
        Trip* trip = queue_.front();
        queue_.pop_front();
        return trip;
    }
    static DWORD WINAPI Main(void* parameter) {
        auto& caller = *static_cast<Caller*>(parameter);
        for (;;) {
            WaitForSingleObject(caller.work_.get(), INFINITE);
            while (Trip* trip = caller.Next()) {
                trip->Run();
                trip->finished = true;
                SetEvent(caller.done_.get());
            }
        }
    }
    struct Locked {
        explicit Locked(CRITICAL_SECTION& lock) : lock(lock) { EnterCriticalSection(&lock); }
        ~Locked() { LeaveCriticalSection(&lock); }
        CRITICAL_SECTION& lock;
    };

    OwnedHandle work_, done_; // auto-reset: a trip queued; a trip run
    DWORD id_ = 0;
    CRITICAL_SECTION lock_;
    std::deque<Trip*> queue_;
};

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
        handle_.reset(id ? OpenThreadToWaitFor(id) : nullptr);
    }
    DWORD id_ = 0;
    OwnedHandle handle_;
};

bool waiting = false;
unsigned tripsHanded = 0;

void HandleWhileWaiting(bool upToNow = false, bool drop = false);

// Marks the wait, and posts again what it held when it is over. An error that leaves it ends
// Snorva (no procedure handles one), so then what it held is dropped, and what came meanwhile
// and is still queued too: nothing of it may run under the error's box.
class Waiting {
  public:
    Waiting() : outer_(waiting), errors_(std::uncaught_exceptions()) { waiting = true; }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;
    ~Waiting() {
        if (!outer_ && (failed_ || std::uncaught_exceptions() > errors_)) {
            HandleWhileWaiting(true, true); // while still waiting: nothing of it runs now
            HeldMessages::Drop();
        } else if (!outer_) {
            HeldMessages::PostAgain();
        }
        waiting = outer_;
    }

    // Whether this wait is inside another.
    bool Inside() const { return outer_; }
    // The call itself raised an error, which its caller raises again once the wait is over.
    void Failed() { failed_ = true; }

  private:
    bool outer_;
    int errors_;
    bool failed_ = false;
};

// What arrives meanwhile: painting and what Snorva's window lets through are handled now, the
// rest is held. Messages sent to the thread are handled inside PeekMessage, by their windows.
// `upToNow`: only what was posted by now, up to a mark posted behind it, so that another program
// that goes on posting cannot keep the wait from ending. `drop`: what would be held is dropped.
void HandleWhileWaiting(bool upToNow, bool drop) {
    static const char mark = 0; // the mark's lParam: an address of Snorva's own
    const auto markParam = reinterpret_cast<LPARAM>(&mark);
    if (upToNow && !PostThreadMessageA(GetCurrentThreadId(), WM_NULL, 0, markParam)) return;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (upToNow && !message.hwnd && message.message == WM_NULL && message.lParam == markParam)
            return;
        if (message.message == WM_PAINT || !MustWaitForAol(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        } else if (!drop && !HeldMessages::Hold(message)) {
            throw std::bad_alloc();
        }
    }
}

// Leaves a trip that has not run yet to the caller thread when its wait ends early: the thread
// may be in it still, or run it later.
struct LeftToCallerUnlessRun {
    std::unique_ptr<Trip>& trip;
    ~LeftToCallerUnlessRun() {
        if (trip && !trip->finished) static_cast<void>(trip.release());
    }
};

} // namespace

unsigned TripsHanded() {
    return tripsHanded;
}

bool OnCallerThread() {
    const Caller* caller = Caller::The();
    return caller && GetCurrentThreadId() == caller->Id();
}

std::unique_ptr<Trip> Await(HWND window, std::unique_ptr<Trip> trip) {
    Caller* caller = Caller::The();
    if (!caller) { // no second thread to be had: the call waits here, as a bare call would
        trip->Run();
        return trip;
    }
    // AOL is the top-level window of the one the call is about, with its thread: AOL has gone
    // when that thread has ended (woken at once where its handle can be had) or that handle no
    // longer names a window of it (a handle of a window that went may name another one later).
    const HWND aol = RootWindow(window);
    const DWORD aolThreadId = GetWindowThreadProcessId(aol, nullptr);
    const auto windowGone = [&] { return GetWindowThreadProcessId(aol, nullptr) != aolThreadId; };
    static AolThread aolThread; // kept across calls; a wait inside this one may renew it

    caller->Hand(trip.get());
    ++tripsHanded;
    LeftToCallerUnlessRun unlessRun{trip};
    Waiting waiting;
    // Whatever woke the wait, it ends once this trip has run: a wait inside it may have taken
    // the wake-up that its end gave.
    while (!trip->finished) {
        aolThread.Keep(aolThreadId);
        // AOL's thread first: when both are set, its end is what the wait sees.
        const HANDLE wakers[] = {aolThread.Handle(), caller->Done()};
        const DWORD first = aolThread.Handle() ? 0 : 1;
        const DWORD woke = WaitForObjectsOrInput(2 - first, wakers + first, kWindowCheckMs);
        if (woke == WAIT_FAILED) throw CannotWait(lines::CounterText(GetLastError()));
        if ((woke == WAIT_OBJECT_0 && !first && aolThread.Ended()) || windowGone()) throw NoAol();
        if (trip->finished) break;
        HandleWhileWaiting();
    }
    // What came while the call ended is held too, behind what came before it: posted again
    // together, everything runs in the order it came.
    if (!waiting.Inside()) HandleWhileWaiting(true);
    if (trip->Failed()) waiting.Failed();
    // A window that went during the call answers nothing: the call may have been lost with it.
    if (windowGone()) throw NoAol();
    return trip;
}

} // namespace aolcall

bool WaitingForAol() {
    return aolcall::waiting;
}
