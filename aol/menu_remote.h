#pragma once
// Reading a menu bar from inside the process that owns it, for window systems that keep menus
// per process (Wine): the answers the version probe's menu calls would get there. Used by
// MenuBar (aol.h), whose requests the helper's test makes with SharedReply too.
#include "win/owners.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct MenuAnswers {
    int barCount = -1;
    std::vector<int> subCounts; // per bar position: its submenu's item count, -1 for none
    std::string texts;          // menureply::kTextCapacity bytes per submenu item, in probe order
};

// The shared memory of one request, named after this process and the request's number. A name
// somebody else already holds is refused: the answers must come from the helper alone.
class SharedReply {
  public:
    SharedReply(std::uint32_t request, std::uint32_t size);
    unsigned char* View() const { return static_cast<unsigned char*>(view_.get()); }

  private:
    OwnedHandle mapping_;
    OwnedView view_;
};

// Whether `window`'s menu bar must be read inside its owner: it belongs to another process,
// exists, and the direct count failed.
bool MenuMustBeReadInsideOwner(HWND window, HMENU bar, int directCount);
// Gathers the answers inside the owning process, waiting for it as every call to AOL waits
// (call.h). False when the helper could not be used or gave no answer.
bool ReadMenuFromOwner(HWND window, MenuAnswers& answers);
