#include "app/snorva.h"

#include <cstdlib>
#include <new>

// Every error is caught at the event boundary, so the C++ runtime's own terminate handler,
// with its 46 KB name demangler, would never speak; a plain end takes its place.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
} // namespace __gnu_cxx

// What the standard library throws when a size or a position leaves its range can only end
// Snorva as "any other error" (51) at the event boundary; thrown as a plain exception it keeps the
// library's own exception classes, with strings of their own, out of the program (some 20 KB).
// Running out of memory stays what it is (7).
namespace std {
void __throw_bad_alloc() {
    throw bad_alloc();
}
void __throw_bad_array_new_length() {
    throw bad_array_new_length();
}
void __throw_length_error(const char*) {
    throw exception();
}
void __throw_logic_error(const char*) {
    throw exception();
}
void __throw_out_of_range_fmt(const char*, ...) {
    throw exception();
}
void __throw_bad_function_call() {
    throw exception();
}
} // namespace std

// The C++ runtime's locks make their semaphores with CreateSemaphoreW, a stub that fails on 95, 98
// and ME. Its import is answered here instead, in the slot the runtime calls through, by the ANSI
// function: the same on every Windows for a semaphore without a name, as the runtime's all are.
#ifdef __i386__
#define IMPORT_SLOT(name, stdcallBytes) asm("__imp__" #name stdcallBytes)
#else
#define IMPORT_SLOT(name, stdcallBytes) asm("__imp_" #name)
#endif
extern "C" {
static HANDLE WINAPI Semaphore(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                               LPCWSTR) {
    return CreateSemaphoreA(security, initial, maximum, nullptr);
}
void* semaphoreSlot IMPORT_SLOT(CreateSemaphoreW, "@16") = reinterpret_cast<void*>(Semaphore);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return RunSnorva(instance);
}
