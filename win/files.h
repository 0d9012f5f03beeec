#pragma once
// Files as the program, REGION.DLL and the benchmarks read them: the program's own folder, a
// file's existence, a whole file into global memory, and a picture file decoded by OLE. Nothing
// in here throws, so REGION.DLL builds it without exceptions.
#include "win/owners.h"

#include <ole2.h>
#include <olectl.h>

#include <string>

// The folder of the running program, without a trailing backslash; empty when it cannot be
// told.
inline std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

// Whether `path` names a file (not a folder).
inline bool FileExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file opened to be read from start to end; INVALID_HANDLE_VALUE when missing, a folder, or
// not readable. Others may go on writing, renaming or deleting it meanwhile: a virus scanner, an
// indexer or an editor that holds the skin open must not keep Snorva from reading it. REGION.DLL
// is given ANSI paths, the program has wide ones.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
inline HANDLE OpenToRead(const char* path) {
    return CreateFileA(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}
inline HANDLE OpenToRead(const wchar_t* path) {
    return CreateFileW(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// The whole file in movable global memory, as CreateStreamOnHGlobal takes it, and its size;
// null when it cannot be read, is empty, or is larger than 256 MB (no picture of ours is).
template <class Char> OwnedGlobal ReadWholeFile(const Char* path, DWORD& size) {
    HANDLE handle = OpenToRead(path);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    OwnedHandle file(handle);
    LARGE_INTEGER length{};
    if (!GetFileSizeEx(file.get(), &length) || length.QuadPart <= 0 ||
        length.QuadPart > (256 << 20))
        return nullptr;
    size = static_cast<DWORD>(length.QuadPart);
    OwnedGlobal memory(GlobalAlloc(GMEM_MOVEABLE, size));
    void* bytes = memory ? GlobalLock(memory.get()) : nullptr;
    if (!bytes) return nullptr;
    DWORD read = 0;
    const BOOL ok = ReadFile(file.get(), bytes, size, &read, nullptr);
    GlobalUnlock(memory.get());
    if (!ok || read != size) return nullptr;
    return memory;
}

// A picture file (JPEG, BMP, GIF…) decoded by OLE from memory; null when it cannot be read or
// decoded. Read here rather than by OleLoadPicturePath, which takes a path for a URL on Windows
// (a folder named with '#' or '%' would fail) and loads the URL machinery with it.
template <class Char> OwnedCom<IPicture> TryLoadPicture(const Char* path) {
    DWORD size = 0;
    OwnedGlobal memory = ReadWholeFile(path, size);
    if (!memory) return nullptr;
    IStream* rawStream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, &rawStream)) || !rawStream) return nullptr;
    memory.release(); // the stream frees it now
    OwnedCom<IStream> stream(rawStream);
    void* picture = nullptr;
    if (FAILED(
            OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture, &picture)) ||
        !picture)
        return nullptr;
    return OwnedCom<IPicture>(static_cast<IPicture*>(picture));
}

// The decoded picture's bitmap, still owned by the picture; null for icons and metafiles, which
// have no pixels of their own.
inline HBITMAP PictureBitmap(IPicture& picture) {
    SHORT type = PICTYPE_UNINITIALIZED;
    OLE_HANDLE handle = 0;
    if (FAILED(picture.get_Type(&type)) || type != PICTYPE_BITMAP ||
        FAILED(picture.get_Handle(&handle)))
        return nullptr;
    return reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle));
}
