#include "tests/support/snorva_run.h"

#include "sim/sim.h"

#include <cstdlib>

namespace driver {
namespace {

std::wstring Widen(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool UseSeparateProcesses(const std::wstring& folder) {
    const char* mode = std::getenv("SNORVA_E2E_MODE");
    if (mode && std::string(mode) == "separate") return true;
    if (mode && std::string(mode) == "host") return false;
    return FileExists(folder + L"\\menuhook.dll");
}

} // namespace

std::wstring DistFolder() {
    return Widen(SNORVA_DIST);
}
std::wstring AolSimExe() {
    return Widen(SNORVA_BIN) + L"\\sim\\aolsim.exe";
}
std::wstring HostExe() {
    return Widen(SNORVA_BIN) + L"\\tests\\support\\snorva_host.exe";
}

SnorvaRun::SnorvaRun(const SnorvaSetup& setup) {
    folder_ = temp_.Path() + L"\\snorva";
    transcript_ = temp_.Path() + L"\\transcript.txt";
    if (!CopyFolder(DistFolder(), folder_)) {
        error_ = "cannot copy the program folder";
        return;
    }
    separate_ = UseSeparateProcesses(folder_);
    if (setup.changeFolder) setup.changeFolder(folder_);
    std::wstring aolOptions = Widen(setup.aol) + L" --transcript \"" + transcript_ + L"\"";

    if (separate_) {
        if (setup.withAol) {
            aol_ = Start(AolSimExe(), aolOptions, temp_.Path());
            DWORD pid = aol_.Id();
            if (!aol_ || !WaitUntil([&] { return FindProcessWindow(pid, "AOL Frame25"); }, 30000)) {
                error_ = "the simulated client did not start";
                return;
            }
        }
        program_ = Start(folder_ + L"\\snorva.exe", L"", setup.startIn);
    } else {
        const std::wstring host = folder_ + L"\\snorva_host.exe";
        if (!CopyFileW(HostExe().c_str(), host.c_str(), FALSE)) {
            error_ = "cannot copy the test host";
            return;
        }
        program_ = Start(host, setup.withAol ? aolOptions : L"", setup.startIn);
    }
    if (!program_) {
        error_ = "Snorva did not start";
        return;
    }
    started_ = true;
}

SnorvaRun::~SnorvaRun() {
    program_.Kill();
    aol_.Kill();
}

HWND SnorvaRun::Window() const {
    return FindProcessWindow(program_.Id(), kFormClass);
}

HWND SnorvaRun::WaitForHandleDialog(DWORD timeoutMs) const {
    return WaitForVisibleWindow("#32770", "handle", timeoutMs, program_.Id());
}

bool SnorvaRun::PassStartUp(const std::string& handle) {
    HWND dialog = WaitForHandleDialog();
    if (!dialog || !AnswerDialog(dialog, handle)) return false;
    if (WaitForLines(2).size() < 2) return false;
    return WaitUntil([&] { return Window() && IsWindowVisible(Window()); }, 10000);
}

bool SnorvaRun::Aol(const std::string& command) const {
    return sim::Control(command);
}

} // namespace driver
