#include "app/skin.h"

#include "aol/aol.h"
#include "aol/runtime_error.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <vector>

namespace {

bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

struct ReleaseDeleter {
    void operator()(IUnknown* object) const { object->Release(); }
};

} // namespace

std::wstring ProgramFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length < buffer.size()) {
            std::wstring path(buffer.data(), length);
            size_t slash = path.find_last_of(L"\\/");
            return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

OwnedBitmap LoadPictureFile(const std::wstring& path) {
    // OLE tells a missing file and a bad one apart only by obscure codes; decide "not found"
    // here so that the user learns which file is meant.
    if (!FileExists(path)) throw FileNotFound(path);
    IPicture* raw = nullptr;
    HRESULT result = OleLoadPicturePath(const_cast<LPOLESTR>(path.c_str()), nullptr, 0, 0,
                                        IID_IPicture, reinterpret_cast<void**>(&raw));
    if (FAILED(result) || !raw) throw InvalidPicture();
    std::unique_ptr<IPicture, ReleaseDeleter> picture(raw);
    SHORT type = PICTYPE_UNINITIALIZED;
    OLE_HANDLE handle = 0;
    if (FAILED(picture->get_Type(&type)) || type != PICTYPE_BITMAP ||
        FAILED(picture->get_Handle(&handle)) || !handle)
        throw InvalidPicture();
    // Our own copy, so the picture object can go at once.
    HANDLE copy =
        CopyImage(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)), IMAGE_BITMAP, 0, 0, 0);
    if (!copy) throw InvalidPicture();
    return OwnedBitmap(static_cast<HBITMAP>(copy));
}

HRGN MakeRgn(const std::wstring& picture, int red, int green, int blue) {
    const std::wstring dll = ProgramFolder() + L"\\REGION.DLL";
    if (!FileExists(dll)) throw FileNotFound(dll);
    // By full path only: a REGION.DLL elsewhere on the search path is never taken instead.
    HMODULE module = LoadLibraryExW(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) throw RunTimeError(48, L"Error in loading DLL: " + dll);
    using MakeRgnProc = HRGN(__stdcall*)(const char*, int32_t, int32_t, int32_t);
    FARPROC entry = GetProcAddress(module, "MakeRgn");
    if (!entry) throw EntryPointNotFound(L"MakeRgn", L"REGION.DLL");
    // The region belongs to the caller; the DLL stays loaded for the run, as it was loaded.
    auto make = reinterpret_cast<MakeRgnProc>(reinterpret_cast<void*>(entry));
    return make(ToAnsi(picture).c_str(), red, green, blue);
}
