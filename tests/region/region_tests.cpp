// REGION.DLL, loaded by full path and entered by name as Snorva does, on pictures whose key
// pixels are known. (The skin's cut: the Start rows compare the strip's outline with its band.)
#include "tests/support/driver.h"
#include "win/owners.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <fstream>

namespace {

// MakeRgn's region, as the pixels of width x height it holds ('+') and leaves out ('.').
std::string Cut(const char* path, int width, int height) {
    using MakeRgnProc = HRGN(__stdcall*)(const char*, int32_t, int32_t, int32_t);
    static const auto make = reinterpret_cast<MakeRgnProc>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryA(REGION_DLL), "MakeRgn")));
    const OwnedRegion region(make ? make(path, 255, 0, 255) : nullptr);
    std::string pixels = !make ? "no MakeRgn" : region ? "" : "no region";
    for (int y = 0; y < height && region; ++y, pixels += '\n')
        for (int x = 0; x < width; ++x)
            pixels += PtInRegion(region.get(), x, y) ? '+' : '.';
    return pixels;
}

// A 24-bit bottom-up BMP of `art`: '#' the key colour, 'n' near it (as JPEG leaves it), 'f' a
// pink just too far from it, 'b' dark blue, anything else white.
std::string WriteBmp(const std::string& path, const std::vector<std::string>& art) {
    const int height = static_cast<int>(art.size()), width = static_cast<int>(art[0].size());
    const int stride = (width * 3 + 3) & ~3;
    const BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
    const BITMAPFILEHEADER file{0x4D42, offset + stride * height, 0, 0, offset};
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = height - 1; y >= 0; --y) {
        std::string row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const uint32_t colours[] = {0xFF00FF, 0xD728E6, 0xFF0080, 0x004080, 0xFFFFFF};
            const uint32_t rgb = colours[std::min<size_t>(std::string("#nfb").find(art[y][x]), 4)];
            for (int channel = 0; channel < 3; ++channel)
                row[x * 3 + channel] = static_cast<char>(rgb >> (8 * channel));
        }
        out.write(row.data(), stride);
    }
    return path;
}

TEST(RegionDll, CutsExactlyTheKeyPixelsOfEveryRowBandAndPieceAndOfNoPictureNone) {
    std::vector<std::string> known = {"##########", "#...#....#", "#bbb#bbbb#",
                                      "..nn.f....", "..........", "#.#.#.#.#."};
    // Rows are read in bands of 256, thousands of rectangles made in pieces and merged: every
    // row on both sides of each seam in place, and no seam shows.
    std::vector<std::string> tall(600);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 48; ++x)
            tall[y] += y % 7 && x % 4 != y % 4 ? '.' : '#';
    const driver::TempFolder temp; // removed with the pictures written into it
    const std::string folder = driver::Narrow(temp.Path()) + "\\";
    for (const auto& art : {known, tall}) {
        const std::string path = WriteBmp(folder + "known.bmp", art);
        std::string expected; // all but the key colour and what is near it
        for (std::string row : art) {
            for (char& c : row)
                c = c == '#' || c == 'n' ? '.' : '+';
            expected += row + "\n";
        }
        EXPECT_EQ(Cut(path.c_str(), int(art[0].size()), int(art.size())), expected);
    }
    // What is no picture gives no region.
    const std::string text = folder + "text.jpg", empty = folder + "empty.jpg";
    std::ofstream(text) << "not a picture at all\n";
    std::ofstream(empty).flush();
    // A BMP whose header promises far more rows than the file holds is none either.
    const std::string cut = WriteBmp(folder + "cut.bmp", {"#..#", "...."});
    std::fstream(cut, std::ios::binary | std::ios::in | std::ios::out)
        .seekp(sizeof(BITMAPFILEHEADER) + offsetof(BITMAPINFOHEADER, biHeight))
        .write("\xA0\x86\x01\x00", 4); // 100,000
    for (const char* path :
         {SNORVA_ROOT "\\app\\res\\no-such-skin.jpg", "", SNORVA_ROOT "\\app\\res", text.c_str(),
          empty.c_str(), cut.c_str(), static_cast<const char*>(nullptr)})
        EXPECT_EQ(Cut(path, 1, 1), "no region") << (path ? path : "null");
}

} // namespace
