#include "sim/sim.h"

#include "sim/client.h"
#include "sim/options.h"

#include <windows.h>

namespace sim {
namespace {

// The one client this process runs on a thread of its own.
struct InProcessClient {
    HANDLE thread = nullptr;
    DWORD threadId = 0;
};

InProcessClient& Running() {
    static InProcessClient running;
    return running;
}

struct StartRequest {
    Options options;
    HANDLE ready = nullptr;
    bool created = false;
};

DWORD WINAPI ClientThread(void* param) {
    auto* request = static_cast<StartRequest*>(param);
    Client client(request->options);
    bool created = client.Create();
    request->created = created;
    SetEvent(request->ready); // the request belongs to the starter again from here on
    return created ? RunMessageLoop() : 1;
}

} // namespace

bool StartInProcess(const std::string& options) {
    InProcessClient& running = Running();
    if (running.thread) return false;
    Parsed parsed = ParseOptions(options);
    if (!parsed.error.empty()) return false;
    StartRequest request{parsed.options, CreateEventA(nullptr, TRUE, FALSE, nullptr), false};
    if (!request.ready) return false;
    DWORD id = 0;
    HANDLE thread = CreateThread(nullptr, 0, ClientThread, &request, 0, &id);
    if (thread) WaitForSingleObject(request.ready, INFINITE);
    CloseHandle(request.ready);
    if (!thread) return false;
    if (!request.created) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        return false;
    }
    running = {thread, id};
    return true;
}

void StopInProcess() {
    InProcessClient& running = Running();
    if (!running.thread) return;
    // WM_QUIT ends the loop even when the client closed its window already (--close).
    PostThreadMessageA(running.threadId, WM_QUIT, 0, 0);
    WaitForSingleObject(running.thread, INFINITE);
    CloseHandle(running.thread);
    running = {};
}

bool Control(const std::string& command) {
    HWND frame = FindWindowA("AOL Frame25", nullptr);
    if (!frame) return false;
    COPYDATASTRUCT data{kControlMagic, static_cast<DWORD>(command.size()),
                        const_cast<char*>(command.data())};
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(frame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL,
                             30000, &answer))
        return false;
    return answer == 1;
}

bool Release() {
    const HANDLE release = OpenEventA(EVENT_MODIFY_STATE, FALSE, kReleaseEvent);
    const bool released = release && SetEvent(release);
    if (release) CloseHandle(release);
    return released;
}

} // namespace sim
