#pragma once
// Move-only owners of Win32 resources: each frees what it holds when dropped. The owners that
// only free a handle are all here, for the program, REGION.DLL, menuhook.dll, the tests and the
// benchmarks; the few that do more (a current folder put back, a request's shared memory, a
// started process) live beside their one user. Nothing in here throws, so the two DLLs build
// it without exceptions.
#include <windows.h>

#include <memory>
#include <type_traits>

// The unique_ptr deleter that frees a handle with `Free`.
template <class Handle, auto Free> struct FreedWith {
    void operator()(Handle handle) const { Free(handle); }
};
template <class Handle, auto Free>
using Owned = std::unique_ptr<std::remove_pointer_t<Handle>, FreedWith<Handle, Free>>;

// Kernel objects: files, mappings, processes (never INVALID_HANDLE_VALUE: test before owning).
using OwnedHandle = Owned<HANDLE, CloseHandle>;
using OwnedView = Owned<void*, UnmapViewOfFile>; // a mapped view of a file or of shared memory
using OwnedHook = Owned<HHOOK, UnhookWindowsHookEx>;
using OwnedModule = Owned<HMODULE, FreeLibrary>;
using OwnedGlobal = Owned<HGLOBAL, GlobalFree>;
using OwnedMenu = Owned<HMENU, DestroyMenu>;

// A COM object, released when dropped.
struct Releaser {
    template <class Object> void operator()(Object* object) const { object->Release(); }
};
template <class Interface> using OwnedCom = std::unique_ptr<Interface, Releaser>;

// GDI objects and memory DCs.
template <class Handle> using OwnedGdi = Owned<Handle, DeleteObject>;
using OwnedBitmap = OwnedGdi<HBITMAP>;
using OwnedFont = OwnedGdi<HFONT>;
using OwnedRegion = OwnedGdi<HRGN>;
using OwnedDc = Owned<HDC, DeleteDC>; // from CreateCompatibleDC

// A window's DC from GetDC (0: the screen's), given back when dropped.
class WindowDc {
  public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// BeginPaint and EndPaint as one object.
class PaintDc {
  public:
    explicit PaintDc(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    ~PaintDc() { EndPaint(window_, &paint_); }
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    PAINTSTRUCT paint_{};
    HDC dc_;
};

// Selects an object into a DC for its own lifetime and puts the old one back.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject() {
        if (old_) SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};
