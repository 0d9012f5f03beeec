// A REGION.DLL that writes down the path its MakeRgn was given, byte for byte, into MakeRgn.txt
// beside the program, then answers as REGION-real.dll there does: no region where there is none.
#include <windows.h>

#include <cstdint>
#include <string>

extern "C" __declspec(dllexport) HRGN
    __stdcall MakeRgn(const char* path, int32_t red, int32_t green, int32_t blue) {
    wchar_t program[MAX_PATH];
    std::wstring folder(program, GetModuleFileNameW(nullptr, program, MAX_PATH));
    folder.resize(folder.rfind(L'\\'));
    HANDLE record = CreateFileW((folder + L"\\MakeRgn.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(record, path, lstrlenA(path), &written, nullptr);
    CloseHandle(record);
    using Make = HRGN(__stdcall*)(const char*, int32_t, int32_t, int32_t);
    HMODULE real = LoadLibraryW((folder + L"\\REGION-real.dll").c_str());
    const auto make =
        real ? reinterpret_cast<Make>(reinterpret_cast<void*>(GetProcAddress(real, "MakeRgn")))
             : nullptr;
    return make ? make(path, red, green, blue) : nullptr;
}
