// bench_empty: a program that does nothing, yet loads the same system DLLs as snorva.exe, so
// that what Wine spends on starting a program can be told apart from what Snorva spends.
// With --window it shows a small window and waits, as a floor for a GUI program's memory.
#include <windows.h>
#include <ole2.h>

#include <cstring>

namespace {

LRESULT CALLBACK EmptyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    // One harmless call into each DLL that snorva.exe imports, so that each is loaded.
    GetStockObject(WHITE_BRUSH);
    CoGetCurrentProcess();
    SysFreeString(nullptr);
    if (!std::strstr(arguments, "--window")) return GetDesktopWindow() ? 0 : 1;

    WNDCLASSW wc{};
    wc.lpfnWndProc = EmptyProc;
    wc.hInstance = instance;
    wc.lpszClassName = L"BenchEmpty";
    RegisterClassW(&wc);
    HWND window = CreateWindowExW(0, L"BenchEmpty", L"BenchEmpty", WS_POPUP, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 112, 21, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0)
        DispatchMessageW(&message);
    return 0;
}
