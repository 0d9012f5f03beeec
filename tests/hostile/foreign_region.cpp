// A REGION.DLL that is not Snorva's, left in the folder Snorva is started from.
#include <windows.h>

#include <cstdint>

extern "C" __declspec(dllexport) HRGN __stdcall MakeRgn(const char*, int32_t, int32_t, int32_t) {
#if defined(FOREIGN_REGION_SQUARE)
    // A small square at the corner: a shape no skin of ours has.
    return CreateRectRgn(0, 0, 8, 8);
#else
    return nullptr;
#endif
}
