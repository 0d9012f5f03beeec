// menuhook.dll: runs on the AOL client's UI thread as a WH_CALLWNDPROC hook, where the client's
// menus can be read when the window system keeps menus per process (Wine). It answers one
// request of Snorva's: the version probe's own menu calls on the menu bar of the window the
// request names, written into the request's shared memory. It reads nothing else and writes
// nowhere else, and nothing the shared memory holds can make it fail inside the client.
#include "aol/menuhook/menu_reply.h"
#include "win/owners.h"

#include <cstdint>
#include <cstring>

namespace {

using namespace menureply;

// The asker reads nothing before it sees the state; the state is written last.
void Publish(Header* header, State state) {
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&header->state), state);
}

// Fills `view` (`size` bytes, checked by the caller) with the answers for `window`'s menu bar.
void Answer(HWND window, unsigned char* view, std::uint32_t size) {
    auto* header = reinterpret_cast<Header*>(view);
    HMENU bar = GetMenu(window);
    int barCount = GetMenuItemCount(bar);
    std::uint64_t items = 0;
    for (int i = 0; i < barCount; ++i) {
        int count = GetMenuItemCount(GetSubMenu(bar, i));
        if (count > 0) items += static_cast<std::uint64_t>(count);
    }
    std::uint64_t needed = AnswerSize(barCount, items);
    header->barCount = barCount;
    header->itemCount = items > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(items);
    if (needed > size) {
        header->needed = needed > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(needed);
        Publish(header, TooSmall);
        return;
    }

    unsigned char* counts = view + sizeof(Header);
    unsigned char* text = counts + (barCount > 0 ? barCount : 0) * sizeof(std::int32_t);
    std::uint64_t written = 0;
    for (int i = 0; i < barCount; ++i) {
        HMENU sub = GetSubMenu(bar, i);
        std::int32_t count = GetMenuItemCount(sub);
        std::memcpy(counts + i * sizeof count, &count, sizeof count);
        // Only another thread of the client could change the menu since it was counted; then
        // there is no consistent answer, and the asker treats silence as an unreadable menu.
        if (count > 0 && written + static_cast<std::uint64_t>(count) > items) return;
        for (int j = 0; j < count; ++j, ++written, text += kTextCapacity) {
            char* buffer = reinterpret_cast<char*>(text);
            std::memset(buffer, ' ', kTextCapacity);
            // Flags 1: by command identifier, as the probe asks.
            GetMenuStringA(sub, GetMenuItemID(sub, j), buffer, kTextCapacity, 1);
        }
    }
    Publish(header, Answered);
}

// One request: WM_NULL from Snorva with its process id and the request's number.
void AnswerRequest(const CWPSTRUCT& message) {
    char name[kNameSize];
    FormatName(name, static_cast<std::uint32_t>(message.wParam),
               static_cast<std::uint32_t>(message.lParam));
    OwnedHandle mapping(OpenFileMappingA(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, name));
    if (!mapping) return; // not ours: somebody else's WM_NULL
    OwnedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    MEMORY_BASIC_INFORMATION info{};
    if (!view || VirtualQuery(view.get(), &info, sizeof info) != sizeof info ||
        info.RegionSize < sizeof(Header))
        return;
    // One copy, checked whole: the asker's half is not to be trusted.
    Header request;
    std::memcpy(&request, view.get(), sizeof request);
    auto window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(message.hwnd));
    if (request.magic == kMagic && request.state == Pending && request.window == window &&
        request.size >= sizeof(Header) && request.size <= info.RegionSize)
        Answer(message.hwnd, static_cast<unsigned char*>(view.get()), request.size);
}

} // namespace

// The one export: the hook procedure, undecorated through menuhook.def.
extern "C" LRESULT CALLBACK MenuHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && lParam) {
        const auto& message = *reinterpret_cast<const CWPSTRUCT*>(lParam);
        if (message.message == WM_NULL && message.wParam) AnswerRequest(message);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
