#include "app/skin.h"

#include "core/runtime_error.h"
#include "win/files.h"

#include <cstdint>
#include <optional>
#include <string>

OwnedBitmap LoadPictureFile(const std::wstring& path) {
    // OLE tells a missing file and a bad one apart only by obscure codes; decide "not found"
    // here so that the user learns which file is meant.
    if (!FileExists(path)) throw FileNotFound(path);
    OwnedCom<IPicture> picture = TryLoadPicture(path.c_str());
    HBITMAP bitmap = picture ? PictureBitmap(*picture) : nullptr;
    if (!bitmap) throw InvalidPicture();
    // Our own copy, so the picture object can go at once.
    HANDLE copy = CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0);
    if (!copy) throw InvalidPicture();
    return OwnedBitmap(static_cast<HBITMAP>(copy));
}

namespace {

// `wide` in the ANSI code page, when that holds every character of it: read back, it is `wide`
// again. Never a best-fit look-alike, which could name another file.
std::optional<std::string> LosslessAnsi(const std::wstring& wide) {
    int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    std::wstring back(wide.size() + 1, L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, bytes.c_str(), -1, back.data(),
                            static_cast<int>(back.size())) != static_cast<int>(back.size()) ||
        back.compare(0, wide.size(), wide) != 0)
        return std::nullopt;
    bytes.resize(size - 1); // the end mark
    return bytes;
}

// The short form of a path: its names are plain ASCII where the drive keeps 8.3 names. Where it
// keeps none (exFAT and ReFS never do, many NTFS data volumes do not) it is the path unchanged.
std::wstring ShortPath(const std::wstring& path) {
    std::wstring shortPath(ShortPathName(path.c_str(), nullptr, 0), L'\0');
    DWORD length =
        ShortPathName(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (length == 0 || length >= shortPath.size()) return path;
    shortPath.resize(length);
    return shortPath;
}

// The current folder, changed for one call and put back after it.
class CurrentFolder {
  public:
    explicit CurrentFolder(const std::wstring& folder) {
        DWORD size = GetCurrentDirectoryW(0, nullptr);
        before_.resize(size);
        if (size && GetCurrentDirectoryW(size, before_.data()) == size - 1) {
            before_.resize(size - 1);
            set_ = SetCurrentDirectoryW(folder.c_str()) != FALSE;
        }
    }
    CurrentFolder(const CurrentFolder&) = delete;
    CurrentFolder& operator=(const CurrentFolder&) = delete;
    ~CurrentFolder() {
        if (set_) SetCurrentDirectoryW(before_.c_str());
    }
    explicit operator bool() const { return set_; }

  private:
    std::wstring before_;
    bool set_ = false;
};

} // namespace

DWORD(WINAPI* ShortPathName)(LPCWSTR, LPWSTR, DWORD) = GetShortPathNameW;

HRGN RegionDllMakeRgn(const std::wstring& picture, int red, int green, int blue) {
    const std::wstring dll = ProgramFolder() + L"\\REGION.DLL";
    if (!FileExists(dll)) throw FileNotFound(dll);
    // By full path only: a REGION.DLL elsewhere on the search path is never taken instead.
    HMODULE module = Paths().loadLibraryEx(dll.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) throw RunTimeError(48, L"Error in loading DLL: " + dll);
    using MakeRgnProc = HRGN(__stdcall*)(const char*, int32_t, int32_t, int32_t);
    FARPROC entry = GetProcAddress(module, "MakeRgn");
    if (!entry) throw EntryPointNotFound(L"MakeRgn", L"REGION.DLL");
    // The region belongs to the caller; the DLL stays loaded for the run, as it was loaded.
    auto make = reinterpret_cast<MakeRgnProc>(reinterpret_cast<void*>(entry));
    // REGION.DLL takes an ANSI path: the path as it stands where the code page holds all of it,
    // else its short form; on a drive without short names, the picture's name alone, from its
    // own folder made the current one for the call. Only NT goes beyond the first: on 95, 98
    // and ME every path comes from the code page.
    if (auto ansi = LosslessAnsi(picture)) return make(ansi->c_str(), red, green, blue);
    if (auto ansi = LosslessAnsi(ShortPath(picture))) return make(ansi->c_str(), red, green, blue);
    const size_t slash = picture.find_last_of(L"\\/");
    if (slash != std::wstring::npos) {
        auto name = LosslessAnsi(picture.substr(slash + 1));
        CurrentFolder folder(picture.substr(0, slash));
        if (name && folder) return make(name->c_str(), red, green, blue);
    }
    throw FileNotFound(picture, L"Copy Snorva's folder to a shorter path named in the letters of "
                                L"your Windows language: REGION.DLL cannot be given this one.");
}
