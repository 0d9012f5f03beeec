#include "app/snorva.h"

#include <cstdlib>

// Every error is caught at the event boundary, so the C++ runtime's own terminate handler,
// with its 46 KB name demangler, would never speak; a plain end takes its place.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

// The C++ runtime's locks make their semaphores with CreateSemaphoreW, a stub that fails on 95,
// 98 and ME. Its import is answered here instead, by the ANSI function: the same on every Windows
// for a semaphore without a name, as the runtime's all are.
extern "C" {
static HANDLE WINAPI RuntimeSemaphore(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                      LPCWSTR) {
    return CreateSemaphoreA(security, initial, maximum, nullptr);
}
#ifdef __i386__
void*
    runtimeSemaphore asm("__imp__CreateSemaphoreW@16") = reinterpret_cast<void*>(RuntimeSemaphore);
#else
void* runtimeSemaphore asm("__imp_CreateSemaphoreW") = reinterpret_cast<void*>(RuntimeSemaphore);
#endif
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunSnorva(instance);
}
