// A REGION.DLL that finds no region in any picture.
#include <windows.h>

#include <cstdint>

extern "C" __declspec(dllexport) HRGN __stdcall MakeRgn(const char*, int32_t, int32_t, int32_t) {
    return nullptr;
}
