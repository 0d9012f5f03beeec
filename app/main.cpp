#include "app/snorva.h"

#include <cstdlib>

// Every error is caught at the event boundary, so the C++ runtime's own terminate handler,
// with its 46 KB name demangler, would never speak; a plain end takes its place.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

// Two imports of the C++ runtime's are answered here, by functions of Snorva's in the slots that
// the runtime calls through, so that neither needs a wide function, a stub that fails on 95, 98
// and ME.
#ifdef __i386__
#define IMPORT_SLOT(name, stdcallBytes) asm("__imp__" #name stdcallBytes)
#else
#define IMPORT_SLOT(name, stdcallBytes) asm("__imp_" #name)
#endif
extern "C" {
// Its locks' semaphores: the ANSI function makes the same on every Windows for a semaphore
// without a name, as the runtime's all are.
static HANDLE WINAPI Semaphore(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                               LPCWSTR) {
    return CreateSemaphoreA(security, initial, maximum, nullptr);
}
void* semaphoreSlot IMPORT_SLOT(CreateSemaphoreW, "@16") = reinterpret_cast<void*>(Semaphore);
// rand_s, for the runtime's random_device, which Snorva never uses: msvcrt's is found through
// wide calls. No random numbers.
static int Random(unsigned*) {
    return 22; // EINVAL
}
void* randomSlot IMPORT_SLOT(rand_s, "") = reinterpret_cast<void*>(Random);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunSnorva(instance);
}
