#include "tests/e2e/e2e.h"

namespace e2e {

HWND OpenPopup(driver::SnorvaRun& run) {
    HWND window = run.Window();
    if (!window) return nullptr;
    driver::PostClick(window, driver::kMenuGlyph.x, driver::kMenuGlyph.y);
    HWND popup = nullptr;
    driver::WaitUntil([&] { return (popup = driver::FindPopupMenu()) != nullptr; }, 10000);
    return popup;
}

bool Choose(driver::SnorvaRun& run, Item item) {
    HWND popup = OpenPopup(run);
    if (!popup) return false;
    // From no selection Down lands on the first item, the disabled title; Up on the last.
    int downs = 0;
    switch (item) {
    case Item::Title:
        downs = 1;
        break;
    case Item::IdleOn:
        downs = 2;
        break;
    case Item::IdleOff:
        downs = 3;
        break;
    case Item::Info:
        downs = 4;
        break;
    case Item::Minimize:
        downs = 5;
        break;
    case Item::Unload:
        downs = 6;
        break;
    }
    for (int i = 0; i < downs; ++i)
        driver::PostKey(popup, VK_DOWN);
    if (item == Item::Info) {
        driver::PostKey(popup, VK_RIGHT); // opens "info"; its first item is "about"
        Sleep(200);
    }
    driver::PostKey(popup, VK_RETURN);
    return driver::WaitUntil([] { return driver::FindPopupMenu() == nullptr; }, 10000);
}

std::vector<std::string> Texts(const std::vector<driver::PostedLine>& lines) {
    std::vector<std::string> texts;
    for (const auto& line : lines)
        texts.push_back(line.bytes);
    return texts;
}

void Tick(HWND window) {
    SendNotifyMessageA(window, WM_TIMER, 1, 0);
}

bool CounterShows(HWND window, const std::wstring& text) {
    std::string root = SNORVA_ROOT;
    std::wstring strip = std::wstring(root.begin(), root.end()) + L"\\app\\res\\strip.bmp";
    HBITMAP picture = static_cast<HBITMAP>(
        LoadImageW(nullptr, strip.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    if (!picture) return false;
    HDC screen = GetDC(nullptr);
    HDC expected = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 112, 23);
    HGDIOBJ oldCanvas = SelectObject(expected, canvas);
    HDC source = CreateCompatibleDC(screen);
    HGDIOBJ oldPicture = SelectObject(source, picture);
    BitBlt(expected, 0, 0, 112, 23, source, 0, 0, SRCCOPY);
    // The counter: Tahoma 6.75 pt, white, over the strip, one line from its top-left corner.
    HFONT font =
        CreateFontW(-MulDiv(675, GetDeviceCaps(screen, LOGPIXELSY), 7200), 0, 0, 0, FW_NORMAL,
                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma");
    HGDIOBJ oldFont = SelectObject(expected, font);
    SetBkMode(expected, TRANSPARENT);
    SetTextColor(expected, RGB(255, 255, 255));
    RECT label{80, 6, 105, 23};
    DrawTextW(expected, text.c_str(), static_cast<int>(text.size()), &label,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    RECT rect;
    GetWindowRect(window, &rect);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    const bool hasRegion = GetWindowRgn(window, region) != ERROR;
    bool same = true;
    for (int y = 6; y < 21 && same; ++y)
        for (int x = 80; x < 105 && same; ++x)
            if (!hasRegion || PtInRegion(region, x, y)) // what is cut away shows the desktop
                same = GetPixel(expected, x, y) == GetPixel(screen, rect.left + x, rect.top + y);
    DeleteObject(region);
    SelectObject(expected, oldFont);
    DeleteObject(font);
    SelectObject(source, oldPicture);
    DeleteDC(source);
    DeleteObject(picture);
    SelectObject(expected, oldCanvas);
    DeleteObject(canvas);
    DeleteDC(expected);
    ReleaseDC(nullptr, screen);
    return same;
}

std::wstring ShotPath(const std::wstring& name) {
    std::string bin = SNORVA_BIN;
    std::wstring folder = std::wstring(bin.begin(), bin.end()) + L"\\screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\" + name;
}

} // namespace e2e
