#include "app/snorva.h"

#include <cstdlib>

// Every error is caught at the event boundary, so the C++ runtime's own terminate handler,
// with its 46 KB name demangler, would never speak; a plain end takes its place.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunSnorva(instance);
}
