// A REGION.DLL gone wrong, for the start-up tests.
#include <windows.h>

#include <cstdint>

#if defined(FAKE_REGION_NULL)
// Finds no region in any picture.
extern "C" __declspec(dllexport) HRGN __stdcall MakeRgn(const char*, int32_t, int32_t, int32_t) {
    return nullptr;
}
#else
// Something else under another name: the DLL loads, MakeRgn is not there.
extern "C" __declspec(dllexport) HRGN __stdcall MakeRegion(const char*, int32_t, int32_t, int32_t) {
    return nullptr;
}
#endif
