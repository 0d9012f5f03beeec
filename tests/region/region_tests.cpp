// REGION.DLL, loaded by full path and entered by name as Snorva does, on the repo's skin and on
// small pictures whose key pixels are known.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using MakeRgnProc = HRGN(__stdcall*)(const char*, int32_t, int32_t, int32_t);

std::string WindowsPath(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

MakeRgnProc LoadMakeRgn() {
    static const MakeRgnProc proc = [] {
        HMODULE dll = LoadLibraryA(WindowsPath(REGION_DLL).c_str());
        // Through a plain pointer: FARPROC's type says nothing of the real signature.
        return dll ? reinterpret_cast<MakeRgnProc>(
                         reinterpret_cast<void*>(GetProcAddress(dll, "MakeRgn")))
                   : nullptr;
    }();
    return proc;
}

struct RegionDeleter {
    void operator()(HRGN region) const { DeleteObject(region); }
};
using Region = std::unique_ptr<std::remove_pointer_t<HRGN>, RegionDeleter>;

Region MakeRgn(const std::string& path, int32_t red = 255, int32_t green = 0, int32_t blue = 255) {
    return Region(LoadMakeRgn()(path.c_str(), red, green, blue));
}

RECT BoxOf(HRGN region) {
    RECT box{};
    GetRgnBox(region, &box);
    return box;
}

std::string Describe(const RECT& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.right) + ", " + std::to_string(r.bottom) + ")";
}

size_t RectCount(HRGN region) {
    const DWORD size = GetRegionData(region, 0, nullptr);
    std::vector<char> data(size);
    if (!size || !GetRegionData(region, size, reinterpret_cast<RGNDATA*>(data.data()))) return 0;
    return reinterpret_cast<RGNDATA*>(data.data())->rdh.nCount;
}

// The pixels of width x height whose membership in the region differs from `inside`, listed
// for the failure message (empty when all agree).
std::string Mismatches(HRGN region, int width, int height,
                       const std::function<bool(int, int)>& inside) {
    std::string found;
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (bool(PtInRegion(region, x, y)) != inside(x, y) && ++count <= 20)
                found += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
    return count ? std::to_string(count) + " pixels differ:" + found : "";
}

struct Rgb {
    uint8_t red, green, blue;
};

// A 24-bit bottom-up BMP file, rows padded to four bytes; rows[y][x] is the pixel at (x, y).
void WriteBmp(const std::string& path, const std::vector<std::vector<Rgb>>& rows) {
    const int height = int(rows.size()), width = int(rows[0].size());
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = height - 1; y >= 0; --y) {
        std::string line(stride, '\0');
        for (int x = 0; x < width; ++x) {
            line[x * 3] = char(rows[y][x].blue);
            line[x * 3 + 1] = char(rows[y][x].green);
            line[x * 3 + 2] = char(rows[y][x].red);
        }
        out.write(line.data(), stride);
    }
}

std::string TempFile(const char* name) {
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + "snorva-region-" + std::to_string(GetCurrentProcessId()) + "-" +
           name;
}

// Deletes its file when the test ends.
struct ScratchFile {
    std::string path;
    explicit ScratchFile(const char* name) : path(TempFile(name)) {}
    ~ScratchFile() { DeleteFileA(path.c_str()); }
};

const std::string skin = std::string(SNORVA_ROOT) + "\\app\\res\\main.jpg";

TEST(RegionDll, ExportsMakeRgnUndecorated) {
    ASSERT_NE(LoadMakeRgn(), nullptr);
}

// The skin's region is the title strip's band: its ends slant down to the right one pixel a
// row, from columns 0 and 91 at the top; the magenta triangles outside it are cut away.
TEST(RegionDll, SkinRegionFollowsTheStrip) {
    ASSERT_NE(LoadMakeRgn(), nullptr);
    Region region = MakeRgn(skin);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(Describe(BoxOf(region.get())), Describe({0, 0, 112, 21}));
    EXPECT_FALSE(PtInRegion(region.get(), 0, 20));  // bottom-left triangle
    EXPECT_FALSE(PtInRegion(region.get(), 111, 0)); // top-right triangle
    EXPECT_TRUE(PtInRegion(region.get(), 60, 10));  // the display box
    EXPECT_EQ(Mismatches(region.get(), 112, 21, [](int x, int y) { return x >= y && x <= 91 + y; }),
              "");
    std::printf("main.jpg region: %u rectangles\n", unsigned(RectCount(region.get())));
}

// '#' is the key colour, 'n' near it (as JPEG leaves it), 'f' a pink far enough from it
// ('f' differs from the key in blue only), '.' white, 'b' dark blue.
std::vector<std::vector<Rgb>> Paint(const std::vector<std::string>& art) {
    std::vector<std::vector<Rgb>> rows;
    for (const std::string& line : art) {
        rows.emplace_back();
        for (char c : line)
            rows.back().push_back(c == '#'   ? Rgb{255, 0, 255}
                                  : c == 'n' ? Rgb{215, 40, 230}
                                  : c == 'f' ? Rgb{255, 0, 128}
                                  : c == 'b' ? Rgb{0, 64, 128}
                                             : Rgb{255, 255, 255});
    }
    return rows;
}

bool IsCut(char c) {
    return c == '#' || c == 'n';
}

TEST(RegionDll, CutsExactlyTheKeyPixelsOfABitmap) {
    const std::vector<std::string> art = {
        "##########", //
        "#...#....#", //
        "#bbb#bbbb#", //
        "..nn.f....", //
        "..........", //
        "#.#.#.#.#.", //
    };
    ScratchFile file("known.bmp");
    WriteBmp(file.path, Paint(art));
    Region region = MakeRgn(file.path);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(Mismatches(region.get(), 10, 6, [&](int x, int y) { return !IsCut(art[y][x]); }), "");
    EXPECT_EQ(Describe(BoxOf(region.get())), Describe({0, 1, 10, 6}));
}

// Pictures are read in bands of rows; rows on both sides of each seam must land in place.
TEST(RegionDll, TallPictureKeepsEveryRowInPlace) {
    const int height = 600;
    std::vector<std::string> art;
    for (int y = 0; y < height; ++y) {
        std::string line = "....";
        line[y % 4] = '#';
        if (y % 7 == 0) line = "####";
        art.push_back(line);
    }
    ScratchFile file("tall.bmp");
    WriteBmp(file.path, Paint(art));
    Region region = MakeRgn(file.path);
    ASSERT_NE(region, nullptr);
    EXPECT_EQ(Mismatches(region.get(), 4, height, [&](int x, int y) { return !IsCut(art[y][x]); }),
              "");
}

// A detailed picture's region is built in pieces and merged: the seams must not show.
TEST(RegionDll, DetailedPictureIsCutExactlyAcrossItsPieces) {
    const int size = 240;
    auto inside = [](int x, int y) { return ((x / 4) + (y / 3)) % 2 == 0; };
    std::vector<std::string> art(size, std::string(size, '.'));
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (!inside(x, y)) art[y][x] = '#'; // the key colour
    ScratchFile file("checkers.bmp");
    WriteBmp(file.path, Paint(art));
    Region region = MakeRgn(file.path);
    ASSERT_NE(region, nullptr);
    EXPECT_GT(RectCount(region.get()), 2048u);
    EXPECT_EQ(Mismatches(region.get(), size, size, inside), "");
}

TEST(RegionDll, KeyEverywhereGivesAnEmptyRegionAndNoKeyTheWholePicture) {
    ScratchFile file("plain.bmp");
    WriteBmp(file.path, Paint({"###", "###"}));
    Region all = MakeRgn(file.path);
    ASSERT_NE(all, nullptr);
    RECT box{};
    EXPECT_EQ(GetRgnBox(all.get(), &box), NULLREGION);

    // Another key colour, and one no pixel can have: nothing is cut.
    for (int32_t red : {0, 256, -1}) {
        Region none = MakeRgn(file.path, red, 0, 255);
        ASSERT_NE(none, nullptr) << red;
        EXPECT_EQ(Describe(BoxOf(none.get())), Describe({0, 0, 3, 2})) << red;
        EXPECT_EQ(RectCount(none.get()), 1u) << red;
    }
}

TEST(RegionDll, NoPictureGivesZero) {
    ASSERT_NE(LoadMakeRgn(), nullptr);
    EXPECT_EQ(MakeRgn(std::string(SNORVA_ROOT) + "\\app\\res\\no-such-skin.jpg"), nullptr);
    EXPECT_EQ(MakeRgn(""), nullptr);
    EXPECT_EQ(LoadMakeRgn()(nullptr, 255, 0, 255), nullptr);
    EXPECT_EQ(MakeRgn(std::string(SNORVA_ROOT) + "\\app\\res"), nullptr); // a folder

    ScratchFile text("text.jpg");
    std::ofstream(text.path) << "not a picture at all\n";
    EXPECT_EQ(MakeRgn(text.path), nullptr);

    ScratchFile empty("empty.jpg");
    std::ofstream(empty.path).flush();
    EXPECT_EQ(MakeRgn(empty.path), nullptr);

    // A BMP header that promises far more pixels than the file holds.
    ScratchFile cut("cut.bmp");
    WriteBmp(cut.path, Paint({"#..#", "...."}));
    std::string bytes;
    {
        std::ifstream in(cut.path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    }
    reinterpret_cast<BITMAPINFOHEADER*>(bytes.data() + sizeof(BITMAPFILEHEADER))->biHeight = 100000;
    std::ofstream(cut.path, std::ios::binary) << bytes;
    Region garbled = MakeRgn(cut.path);
    if (garbled) {
        const RECT box = BoxOf(garbled.get());
        EXPECT_LE(box.right, 4);
    }
}

// Not a timing assertion: the time is printed for the record, and the region checked.
TEST(RegionDll, HugePicture) {
#ifdef HUGE_SKIN
    const std::string path = WindowsPath(HUGE_SKIN);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no huge skin at " << path;
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    Region region = MakeRgn(path);
    QueryPerformanceCounter(&end);
    ASSERT_NE(region, nullptr);
    const double ms = 1000.0 * double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    std::printf("MakeRgn on 8000 x 8000 JPEG: %.0f ms, %u rectangles\n", ms,
                unsigned(RectCount(region.get())));
    // A disc of radius 3900 around (4000, 4000) on the key colour.
    const RECT box = BoxOf(region.get());
    EXPECT_NEAR(box.left, 100, 2);
    EXPECT_NEAR(box.top, 100, 2);
    EXPECT_NEAR(box.right, 7900, 2);
    EXPECT_NEAR(box.bottom, 7900, 2);
    EXPECT_TRUE(PtInRegion(region.get(), 4000, 4000));
    EXPECT_FALSE(PtInRegion(region.get(), 1000, 1000));
#else
    GTEST_SKIP() << "built without the huge skin";
#endif
}

} // namespace
