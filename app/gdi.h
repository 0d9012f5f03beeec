#pragma once
// Move-only owners for GDI objects, memory DCs and selections.
#include <windows.h>

#include <memory>
#include <type_traits>

struct GdiObjectDeleter {
    void operator()(void* object) const { DeleteObject(static_cast<HGDIOBJ>(object)); }
};
template <class Handle>
using GdiOwned = std::unique_ptr<std::remove_pointer_t<Handle>, GdiObjectDeleter>;
using OwnedBitmap = GdiOwned<HBITMAP>;
using OwnedFont = GdiOwned<HFONT>;

struct MemoryDcDeleter {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
using OwnedMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

// Selects an object into a DC for its own lifetime and puts the old one back.
class Selection {
  public:
    Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    ~Selection() {
        if (old_) SelectObject(dc_, old_);
    }

  private:
    HDC dc_;
    HGDIOBJ old_;
};

// BeginPaint/EndPaint as one object.
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

// Copies a bitmap at its own size to (x, y), clipped to width × height.
inline void DrawBitmap(HDC dc, HBITMAP bitmap, int x, int y, int width, int height) {
    OwnedMemoryDc source(CreateCompatibleDC(dc));
    Selection select(source.get(), bitmap);
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    BitBlt(dc, x, y, info.bmWidth < width ? info.bmWidth : width,
           info.bmHeight < height ? info.bmHeight : height, source.get(), 0, 0, SRCCOPY);
}
