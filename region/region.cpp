// REGION.DLL: MakeRgn cuts a window region out of a picture file, leaving out a key colour.
// The picture is decoded by the system's own OLE picture loader (JPEG, BMP, GIF), so the DLL
// carries no decoder of its own.
#include "win/files.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>

// The DLL stays small and free of the C++ runtime's exceptions: memory comes from the process
// heap and every allocation failure is an ordinary "no region" answer.
namespace {

// JPEG keeps colours only approximately: a pixel counts as the key colour when each of its
// channels lies within this distance of the key's. The skin's magenta decodes within 10 of the
// key and the nearest of its other pixels (the black outline's fringe) 127 or more away, so 64
// leaves a wide margin on both sides, also for skins saved at lower quality.
constexpr int kKeyTolerance = 64;

// Rows fetched from the decoded picture at a time: bounds the memory used beside the picture.
constexpr LONG kBandRows = 256;

// A growable array of plain values on the process heap. Growth doubles, so appending stays
// linear; Append reports failure instead of throwing.
template <class T> class HeapArray {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    HeapArray() = default;
    HeapArray(const HeapArray&) = delete;
    HeapArray& operator=(const HeapArray&) = delete;
    ~HeapArray() {
        if (items_) HeapFree(GetProcessHeap(), 0, items_);
    }

    bool Reserve(size_t capacity) {
        if (capacity <= capacity_) return true;
        if (capacity > SIZE_MAX / sizeof(T)) return false;
        void* grown = items_ ? HeapReAlloc(GetProcessHeap(), 0, items_, capacity * sizeof(T))
                             : HeapAlloc(GetProcessHeap(), 0, capacity * sizeof(T));
        if (!grown) return false;
        items_ = static_cast<T*>(grown);
        capacity_ = capacity;
        return true;
    }
    bool Append(const T& item) {
        if (size_ == capacity_ && !Reserve(capacity_ ? capacity_ * 2 : 16)) return false;
        items_[size_++] = item;
        return true;
    }
    void Clear() { size_ = 0; }
    void Swap(HeapArray& other) {
        std::swap(items_, other.items_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }
    bool operator==(const HeapArray& other) const {
        return size_ == other.size_ &&
               (size_ == 0 || !memcmp(items_, other.items_, size_ * sizeof(T)));
    }
    T* begin() const { return items_; }
    T* end() const { return items_ + size_; }
    T* Data() const { return items_; }
    size_t Size() const { return size_; }

  private:
    T* items_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

// Which channel values lie near the key's, one table per channel, so the per-pixel test is
// three look-ups. A key channel outside 0..255 matches nothing: no pixel has that colour.
struct KeyTest {
    bool nearRed[256], nearGreen[256], nearBlue[256];

    KeyTest(int32_t red, int32_t green, int32_t blue) {
        Fill(nearRed, red);
        Fill(nearGreen, green);
        Fill(nearBlue, blue);
    }
    static void Fill(bool (&table)[256], int32_t key) {
        const bool valid = key >= 0 && key <= 255;
        for (int value = 0; value < 256; ++value)
            table[value] = valid && value - key <= kKeyTolerance && key - value <= kKeyTolerance;
    }
    // A pixel of a 32-bit DIB: blue in the low byte, then green, then red.
    bool IsKey(uint32_t pixel) const {
        return nearBlue[pixel & 0xFF] && nearGreen[(pixel >> 8) & 0xFF] &&
               nearRed[(pixel >> 16) & 0xFF];
    }
};

struct Run {
    LONG left, right; // right is exclusive, as in a RECT
};
using Runs = HeapArray<Run>;

// Collects the rectangles of the region in the y-x banded order that RGNDATA wants. Consecutive
// rows with the same runs share one band, which keeps large plain areas to a few rectangles.
// The rectangles are stored right behind room for the RGNDATA header, so the region data is
// handed to ExtCreateRegion without another copy.
class RegionBuilder {
    static constexpr size_t kHeaderSlots = sizeof(RGNDATAHEADER) / sizeof(RECT);
    static_assert(kHeaderSlots * sizeof(RECT) == sizeof(RGNDATAHEADER));

  public:
    bool Start() {
        for (size_t i = 0; i < kHeaderSlots; ++i)
            if (!data_.Append(RECT{})) return false;
        return true;
    }

    // Takes the runs of row y (rows come in order); leaves `runs` empty or holding old runs.
    bool AddRow(LONG y, Runs& runs) {
        if (y == bandBottom_ && runs == bandRuns_) {
            ++bandBottom_;
            return true;
        }
        if (!Flush()) return false;
        bandTop_ = y;
        bandBottom_ = y + 1;
        bandRuns_.Swap(runs);
        return true;
    }

    HRGN Create() {
        if (!Flush()) return nullptr;
        const size_t count = data_.Size() - kHeaderSlots;
        if (count <= kPieceRects) return Piece(data_.Data(), count, bound_);
        return Merge(data_.Data() + kHeaderSlots, count);
    }

  private:
    // Wine's ExtCreateRegion adds the rectangles one at a time, in time that grows with the
    // square of their number (minutes for a detailed 8000 x 8000 skin): a large region is made
    // in pieces, merged pairwise. A skin of the window's size is one piece, one call.
    static constexpr size_t kPieceRects = 1024;

    // One ExtCreateRegion call over `count` rectangles that follow room for the header at
    // `slots`.
    static HRGN Piece(RECT* slots, size_t count, const RECT& bound) {
        auto* region = reinterpret_cast<RGNDATA*>(slots);
        region->rdh.dwSize = sizeof(RGNDATAHEADER);
        region->rdh.iType = RDH_RECTANGLES;
        region->rdh.nCount = static_cast<DWORD>(count);
        region->rdh.nRgnSize = static_cast<DWORD>(count * sizeof(RECT));
        region->rdh.rcBound = bound;
        return ExtCreateRegion(nullptr, static_cast<DWORD>((kHeaderSlots + count) * sizeof(RECT)),
                               region);
    }

    static HRGN Merge(const RECT* rects, size_t count) {
        if (count <= kPieceRects) {
            RECT slots[kHeaderSlots + kPieceRects];
            std::copy(rects, rects + count, slots + kHeaderSlots);
            RECT bound = rects[0];
            for (size_t i = 1; i < count; ++i)
                UnionRect(&bound, &bound, &rects[i]);
            return Piece(slots, count, bound);
        }
        OwnedRegion first(Merge(rects, count / 2));
        if (!first) return nullptr;
        OwnedRegion second(Merge(rects + count / 2, count - count / 2));
        if (!second || CombineRgn(first.get(), first.get(), second.get(), RGN_OR) == ERROR)
            return nullptr;
        return first.release();
    }

    bool Flush() {
        for (const Run& run : bandRuns_) {
            const RECT rect{run.left, bandTop_, run.right, bandBottom_};
            if (data_.Size() == kHeaderSlots) {
                bound_ = rect;
            } else {
                bound_.left = std::min(bound_.left, rect.left);
                bound_.right = std::max(bound_.right, rect.right);
                bound_.bottom = rect.bottom;
            }
            if (!data_.Append(rect)) return false;
        }
        bandRuns_.Clear();
        return true;
    }

    HeapArray<RECT> data_;
    Runs bandRuns_;
    LONG bandTop_ = 0, bandBottom_ = -1;
    RECT bound_{};
};

// Appends the runs of pixels of one row that are not the key colour.
bool FindRuns(const uint32_t* row, LONG width, const KeyTest& key, Runs& runs) {
    LONG x = 0;
    while (x < width) {
        while (x < width && key.IsKey(row[x]))
            ++x;
        if (x == width) break;
        const LONG left = x;
        while (x < width && !key.IsKey(row[x]))
            ++x;
        if (!runs.Append({left, x})) return false;
    }
    return true;
}

HRGN RegionOfBitmap(HBITMAP bitmap, const KeyTest& key) {
    BITMAP info{};
    if (!GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    const LONG width = info.bmWidth, height = info.bmHeight;
    OwnedDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return nullptr;

    // Bottom-up 32-bit rows, fetched a band at a time: the picture's row y is scan line
    // height - 1 - y, so a band's rows arrive last row first.
    BITMAPINFO format{};
    format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    const LONG rows = std::min(kBandRows, height);
    HeapArray<uint32_t> pixels;
    if (!pixels.Reserve(static_cast<size_t>(width) * static_cast<size_t>(rows))) return nullptr;

    RegionBuilder builder;
    if (!builder.Start()) return nullptr;
    Runs runs;
    for (LONG top = 0; top < height; top += rows) {
        const LONG count = std::min(rows, height - top);
        const UINT firstScan = static_cast<UINT>(height - top - count);
        if (GetDIBits(dc.get(), bitmap, firstScan, static_cast<UINT>(count), pixels.Data(), &format,
                      DIB_RGB_COLORS) != count)
            return nullptr;
        for (LONG k = 0; k < count; ++k) {
            const uint32_t* row = pixels.Data() + static_cast<size_t>(count - 1 - k) * width;
            runs.Clear();
            if (!FindRuns(row, width, key, runs) || !builder.AddRow(top + k, runs)) return nullptr;
        }
    }
    return builder.Create();
}

} // namespace

// The region of the picture at `path` without the pixels of the key colour, in the picture's
// own pixel coordinates; 0 when the file is missing, is no picture, or anything else fails.
extern "C" HRGN __stdcall MakeRgn(const char* path, int32_t red, int32_t green, int32_t blue) {
    if (!path || !*path) return nullptr;
    OwnedCom<IPicture> picture = TryLoadPicture(path);
    if (!picture) return nullptr;
    HBITMAP bitmap = PictureBitmap(*picture);
    if (!bitmap) return nullptr;
    return RegionOfBitmap(bitmap, KeyTest(red, green, blue));
}
