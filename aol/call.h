#pragma once
// The one wait for AOL. Every call that waits on the AOL client's thread (a text read, a line
// typed, the menu read through the helper) is made on a thread of Snorva's that does nothing
// else, while the user-interface thread waits for it here in a loop of its own. Meanwhile
// Snorva's window paints and can be closed; whatever else arrives is held and posted again, in
// the order it came, once AOL has answered. AOL's window going away ends the wait with error 13.
#include <windows.h>

#include <atomic>
#include <exception>
#include <memory>
#include <optional>
#include <utility>

// Whether a message that arrives while Snorva waits for AOL must wait too: asked of every message
// the wait takes from the queue and, by Snorva's window, of what is sent to it meanwhile. Set by
// the window; by default everything but painting waits.
extern bool (*MustWaitForAol)(const MSG& message);
// Whether the user-interface thread is inside the wait now.
bool WaitingForAol();

namespace aolcall {

// One call, run on the caller thread, which says when it has run it.
struct Trip {
    virtual ~Trip() = default;
    virtual void Run() noexcept = 0;
    // Whether the call raised an error, which ends Snorva once the wait is over.
    virtual bool Failed() const { return false; }
    std::atomic<bool> finished{false};
};

bool OnCallerThread();
// How many trips have been handed to the caller thread so far: what a walk of AOL's windows
// costs, as the tests and the bench count it.
unsigned TripsHanded();
// Hands `trip` to the caller thread and waits until it has run, as described above. `window` is
// the AOL window the call is about; its top-level window, with its thread, is AOL. Returns the
// trip once run. Trips run in the order they were handed, so a wait begun inside another (by
// something handled meanwhile) runs its trip after the outer one and each wait ends with its
// own. When AOL goes first it raises error 13; whatever leaves the wait early leaves the trip
// to the caller thread, which may still be in it.
std::unique_ptr<Trip> Await(HWND window, std::unique_ptr<Trip> trip);

} // namespace aolcall

// `call()` made on the caller thread while this one waits; its result, or what it threw.
template <class Call> auto CallAol(HWND window, Call call) -> decltype(call()) {
    using Result = decltype(call());
    if (aolcall::OnCallerThread()) return call(); // a call inside a call: already there
    struct Made : aolcall::Trip {
        explicit Made(Call c) : call(std::move(c)) {}
        void Run() noexcept override {
            try {
                result.emplace(call());
            } catch (...) {
                error = std::current_exception();
            }
        }
        bool Failed() const override { return error != nullptr; }
        Call call;
        std::optional<Result> result;
        std::exception_ptr error;
    };
    std::unique_ptr<aolcall::Trip> trip =
        aolcall::Await(window, std::make_unique<Made>(std::move(call)));
    auto& made = static_cast<Made&>(*trip);
    if (made.error) std::rethrow_exception(made.error);
    return std::move(*made.result);
}
