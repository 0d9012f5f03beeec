#include "aol/menu_remote.h"

#include "aol/aol.h"
#include "aol/call.h"
#include "aol/menuhook/menu_reply.h"
#include "win/files.h"

#include <cstdint>
#include <cstring>

namespace {

using namespace menureply;

// Room for the answers of an ordinary menu bar (some 600 submenu items) in one round trip;
// larger menus tell the size they need, and the request is made once more with that size.
constexpr std::uint32_t kFirstRequestSize = 64 * 1024;
// Beyond this (over a million items) a menu is not read: the memory would not be there anyway.
constexpr std::uint32_t kLargestRequest = 128u << 20;

// The helper, loaded into this process so that the window system can load it into the client.
struct Helper {
    HMODULE module = nullptr;
    HOOKPROC proc = nullptr;
};

// menuhook.dll beside the running program, by full path; loaded once and kept, since every
// later probe of a client under Wine needs it again.
const Helper* LoadHelper() {
    static Helper helper;
    if (helper.proc) return &helper;
    std::wstring folder = ProgramFolder();
    if (folder.empty()) return nullptr;
    OwnedModule module(Paths().loadLibraryEx((folder + L"\\menuhook.dll").c_str(), nullptr, 0));
    if (!module) return nullptr;
    auto proc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void*>(GetProcAddress(module.get(), "MenuHookProc")));
    if (!proc) return nullptr;
    helper = {module.release(), proc};
    return &helper;
}

enum class Outcome { Answered, TooSmall, NoAnswer };

struct Reply {
    Outcome outcome = Outcome::NoAnswer;
    std::uint32_t needed = 0; // with TooSmall: the room the answers take
};

std::uint32_t WindowId(HWND window) {
    return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window));
}

// Takes the helper's answers out of the shared memory, checking every size against the room
// the request gave: whatever is there, nothing outside it is read.
Reply TakeAnswers(const unsigned char* view, HWND window, std::uint32_t size,
                  MenuAnswers& answers) {
    Header reply;
    std::memcpy(&reply, view, sizeof reply);
    if (reply.magic != kMagic || reply.window != WindowId(window) || reply.size != size) return {};
    if (reply.state == TooSmall) return {Outcome::TooSmall, reply.needed};
    if (reply.state != Answered || reply.barCount < -1 ||
        AnswerSize(reply.barCount, reply.itemCount) > size)
        return {};

    MenuAnswers taken;
    taken.barCount = reply.barCount;
    taken.subCounts.resize(reply.barCount > 0 ? reply.barCount : 0);
    const unsigned char* counts = view + sizeof(Header);
    std::uint64_t items = 0;
    for (size_t i = 0; i < taken.subCounts.size(); ++i) {
        std::int32_t count;
        std::memcpy(&count, counts + i * sizeof count, sizeof count);
        if (count < -1) return {};
        taken.subCounts[i] = count;
        if (count > 0) items += static_cast<std::uint64_t>(count);
    }
    if (items != reply.itemCount) return {};
    const unsigned char* texts = counts + taken.subCounts.size() * sizeof(std::int32_t);
    taken.texts.assign(reinterpret_cast<const char*>(texts),
                       static_cast<size_t>(items * kTextCapacity));
    answers = std::move(taken);
    return {Outcome::Answered};
}

// One round trip: hook the client's UI thread, wake it with WM_NULL, unhook at once.
Reply Ask(const Helper& helper, HWND window, DWORD thread, std::uint32_t size,
          MenuAnswers& answers) {
    static std::uint32_t lastRequest = 0;
    std::uint32_t request = ++lastRequest;
    SharedReply shared(request, size);
    unsigned char* view = shared.View();
    if (!view) return {};
    Header ask{};
    ask.magic = kMagic;
    ask.window = WindowId(window);
    ask.size = size;
    ask.state = Pending;
    std::memcpy(view, &ask, sizeof ask);

    OwnedHook hook(SetWindowsHookExA(WH_CALLWNDPROC, helper.proc, helper.module, thread));
    if (!hook) return {};
    // The wake-up waits for the client as every call to it does, however long it is busy.
    CallAol(window, [window, request] {
        return SendToAol(window, WM_NULL, GetCurrentProcessId(), request);
    });
    hook.reset();
    return TakeAnswers(view, window, size, answers);
}

} // namespace

SharedReply::SharedReply(std::uint32_t request, std::uint32_t size) {
    char name[kNameSize];
    FormatName(name, GetCurrentProcessId(), request);
    HANDLE mapping =
        CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, size, name);
    if (!mapping) return;
    mapping_.reset(mapping);
    if (GetLastError() == ERROR_ALREADY_EXISTS) return;
    view_.reset(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size));
}

bool MenuMustBeReadInsideOwner(HWND window, HMENU bar, int directCount) {
    if (!window || !bar || directCount != -1) return false;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process != 0 && process != GetCurrentProcessId();
}

bool ReadMenuFromOwner(HWND window, MenuAnswers& answers) {
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!thread) return false;
    const Helper* helper = LoadHelper();
    if (!helper) return false;
    Reply first = Ask(*helper, window, thread, kFirstRequestSize, answers);
    if (first.outcome != Outcome::TooSmall) return first.outcome == Outcome::Answered;
    // Once more with the room the answers need; a menu that grew meanwhile is not chased.
    if (first.needed <= kFirstRequestSize || first.needed > kLargestRequest) return false;
    return Ask(*helper, window, thread, first.needed, answers).outcome == Outcome::Answered;
}
