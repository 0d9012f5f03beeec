#include "tests/support/driver.h"

#include "aol/aol.h"
#include "sim/sim.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace driver {

std::optional<DWORD> Process::Wait(DWORD timeoutMs) const {
    DWORD status = 0;
    if (!handle_ || WaitForSingleObject(Handle(), timeoutMs) != WAIT_OBJECT_0) return {};
    GetExitCodeProcess(Handle(), &status);
    return status;
}

void KillProcess(HANDLE process) {
    if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) TerminateProcess(process, 0xDEAD);
    WaitForSingleObject(process, 5000);
    CloseHandle(process);
}

Process Start(const std::wstring& program, const std::wstring& arguments,
              const std::wstring& folder, std::optional<POINT> at) {
    std::wstring line = L"\"" + program + L"\" " + arguments,
                 directory = folder.empty() ? program.substr(0, program.rfind(L'\\')) : folder;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = at ? STARTF_USEPOSITION : 0;
    startup.dwX = at ? at->x : 0;
    startup.dwY = at ? at->y : 0;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &info))
        return {};
    CloseHandle(info.hThread);
    return Process(info.hProcess, info.dwProcessId);
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs, DWORD stepMs) {
    for (const DWORD start = GetTickCount();; Sleep(stepMs)) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
    }
}

std::vector<HWND> FindWindows(const char* className, const char* title, DWORD pid) {
    std::vector<HWND> found;
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, className, title));) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (pid == 0 || owner == pid) found.push_back(w);
    }
    return found;
}

HWND WaitForVisibleWindow(const char* className, const char* title, DWORD timeoutMs, DWORD pid,
                          DWORD stepMs) {
    HWND shown = nullptr; // a dialog is found before its set-up ends; it is ready once shown
    WaitUntil(
        [&] {
            for (HWND w : FindWindows(className, title, pid))
                if (IsWindowVisible(w)) return (shown = w) != nullptr;
            return false;
        },
        timeoutMs, stepMs);
    return shown;
}

std::string GetText(HWND window) {
    std::string text(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0) + 1, '\0');
    text.resize(SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0])));
    return text;
}

bool AnswerDialog(HWND dialog, const std::string& text, bool ok) {
    HWND edit = FindWindowExA(dialog, nullptr, "Edit", nullptr);
    HWND button = GetDlgItem(dialog, ok ? IDOK : IDCANCEL);
    if (!edit || !button) return false;
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(button, BM_CLICK, 0, 0);
    return true;
}

void PostKey(HWND window, UINT virtualKey) {
    const LPARAM bits = 1 | MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC) << 16;
    PostMessageA(window, WM_KEYDOWN, virtualKey, bits);
    PostMessageA(window, WM_KEYUP, virtualKey, bits | 0xC0000000u);
}

std::vector<PostedLine> ReadTranscript(const std::wstring& path) {
    std::vector<PostedLine> lines;
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    std::string ms, room, bytes;
    // Whole lines only: the client may be writing the next one right now.
    while (std::getline(in, ms, '\t') && std::getline(in, room, '\t') && std::getline(in, bytes) &&
           !in.eof())
        lines.push_back({std::atof(ms.c_str()), room, bytes});
    return lines;
}

TempFolder::TempFolder() {
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    static unsigned counter = 0;
    do
        path = base + (L"snorva-" + std::to_wstring(GetCurrentProcessId())) + L"-" +
               std::to_wstring(++counter);
    while (!CreateDirectoryW(path.c_str(), nullptr));
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    out << bytes;
    out.close(); // written out, or failed, before anyone reads it
    return !out.fail();
}

std::wstring AolSimExe() {
    return Widen(SNORVA_BIN) + L"\\sim\\aolsim.exe";
}

Process StartAol(const std::string& options, const std::wstring& transcript,
                 const std::wstring& folder) {
    Process aol =
        Start(AolSimExe(), Widen(options) + L" --transcript \"" + transcript + L"\"", folder);
    // It takes commands once its windows are complete.
    if (!WaitUntil(
            [&] { return FindProcessWindow(aol.Id(), aolclass::kFrame) && sim::Control(""); },
            aol ? 30000 : 0))
        aol.Kill();
    return aol;
}

SnorvaRun::SnorvaRun(const SnorvaSetup& setup)
    : folder_(temp_.Path() + L"\\" + setup.folderName),
      transcript_(temp_.Path() + L"\\transcript.txt"), messages_(temp_.Path() + L"\\messages.txt") {
    std::error_code copied; // the program folder this build made
    std::filesystem::copy(Widen(SNORVA_DIST), folder_, std::filesystem::copy_options::recursive,
                          copied);
    if (copied) {
        error_ = "cannot copy the program folder";
        return;
    }
    if (setup.changeFolder) setup.changeFolder(folder_);
    const std::string aol = setup.aol + " --message-log \"" + Narrow(messages_) + "\"";
    std::wstring arguments = setup.arguments;
    if (setup.aolInside)
        arguments += L" --aol-inside " + Widen(aol) + L" --transcript \"" + transcript_ + L"\"";
    else if (setup.withAol && !(aol_ = StartAol(aol, transcript_, temp_.Path()))) {
        error_ = "the simulated client did not start";
        return;
    }
    char debug[256] = ""; // a child takes Wine's log channels from its environment
    GetEnvironmentVariableA("WINEDEBUG", debug, sizeof debug);
    if (!setup.wineDebug.empty()) SetEnvironmentVariableA("WINEDEBUG", setup.wineDebug.c_str());
    if (!(program_ = Start(folder_ + L"\\snorva.exe", arguments, setup.startIn, setup.at)))
        error_ = "no Snorva";
    SetEnvironmentVariableA("WINEDEBUG", *debug ? debug : nullptr);
}

} // namespace driver
