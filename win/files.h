#pragma once
// Files as the program, REGION.DLL and the benchmarks read them: the program's own folder, a
// file's existence, a whole file into global memory, and a picture file decoded by OLE. Nothing
// in here throws, so REGION.DLL builds it without exceptions.
#include "win/owners.h"

#include <ole2.h>
#include <olectl.h>

#include <string>

// The Windows of the 95 family (95, 98, ME): there only the ANSI file functions work, the wide
// ones are stubs that fail.
inline bool Windows9x() {
    return GetVersion() & 0x80000000;
}

// The file functions that take a path, as the program calls them: the wide ones on NT, where a
// folder may be named in any language; on 95, 98 and ME the ANSI ones, with the path in the ANSI
// code page, which names every file there. Chosen once, at the first path.
struct PathCalls {
    decltype(&GetModuleFileNameW) moduleFileName;
    decltype(&GetFileAttributesW) fileAttributes;
    decltype(&CreateFileW) createFile;
    decltype(&LoadLibraryExW) loadLibraryEx;
};
namespace ansi {
// `path` in the ANSI code page, in `bytes`; empty when it is longer than 95, 98 and ME take.
inline const char* Narrow(LPCWSTR path, char (&bytes)[MAX_PATH]) {
    if (!WideCharToMultiByte(CP_ACP, 0, path, -1, bytes, MAX_PATH, nullptr, nullptr)) bytes[0] = 0;
    return bytes;
}
inline DWORD WINAPI ModuleFileName(HMODULE module, LPWSTR path, DWORD size) {
    char bytes[MAX_PATH];
    const int length = static_cast<int>(GetModuleFileNameA(module, bytes, MAX_PATH));
    const int wide = length ? MultiByteToWideChar(CP_ACP, 0, bytes, length, path, size) : 0;
    return length && !wide ? size : wide; // cut short, as the wide function says it
}
inline DWORD WINAPI Attributes(LPCWSTR path) {
    char bytes[MAX_PATH];
    return GetFileAttributesA(Narrow(path, bytes));
}
inline HANDLE WINAPI Open(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                          DWORD how, DWORD flags, HANDLE model) {
    char bytes[MAX_PATH];
    return CreateFileA(Narrow(path, bytes), access, share, security, how, flags, model);
}
inline HMODULE WINAPI Load(LPCWSTR path, HANDLE file, DWORD flags) {
    char bytes[MAX_PATH];
    return LoadLibraryExA(Narrow(path, bytes), file, flags);
}
} // namespace ansi
inline const PathCalls& Paths() {
    static const PathCalls calls =
        Windows9x()
            ? PathCalls{ansi::ModuleFileName, ansi::Attributes, ansi::Open, ansi::Load}
            : PathCalls{GetModuleFileNameW, GetFileAttributesW, CreateFileW, LoadLibraryExW};
    return calls;
}

// The folder of the running program, without a trailing backslash; empty when it cannot be
// told.
inline std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD length =
            Paths().moduleFileName(nullptr, path.data(), static_cast<DWORD>(path.size()));
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
    DWORD attributes = Paths().fileAttributes(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A file opened to be read from start to end; INVALID_HANDLE_VALUE when missing, a folder, or
// not readable. Others may go on writing, renaming or deleting it meanwhile: a virus scanner, an
// indexer or an editor that holds the skin open must not keep Snorva from reading it. REGION.DLL
// is given ANSI paths, the program has wide ones. 95, 98 and ME refuse FILE_SHARE_DELETE (an open
// file cannot be deleted there).
inline DWORD ShareAll() {
    return FILE_SHARE_READ | FILE_SHARE_WRITE | (Windows9x() ? 0 : FILE_SHARE_DELETE);
}
inline HANDLE OpenToRead(const char* path) {
    return CreateFileA(path, GENERIC_READ, ShareAll(), nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}
inline HANDLE OpenToRead(const wchar_t* path) {
    return Paths().createFile(path, GENERIC_READ, ShareAll(), nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
}

// The whole file in movable global memory, as CreateStreamOnHGlobal takes it, and its size;
// null when it cannot be read, is empty, or is larger than 256 MB (no picture of ours is).
template <class Char> OwnedGlobal ReadWholeFile(const Char* path, DWORD& size) {
    HANDLE handle = OpenToRead(path);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    OwnedHandle file(handle);
    DWORD high = 0;
    size = GetFileSize(file.get(), &high); // on failure INVALID_FILE_SIZE: too large too
    if (high || size == 0 || size > (256 << 20)) return nullptr;
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
