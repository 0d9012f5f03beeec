// aolsim: the simulated AOL client as a program of its own. Options on the command line (see
// sim/options.h); exit status 2 on a bad option.
#include "sim/client.h"
#include "sim/options.h"

#include <windows.h>

#include <string>
#include <string_view>

namespace {

// The command line after the program's own name.
std::string_view Arguments(std::string_view line) {
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        i = close == std::string_view::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
    }
    return line.substr(i);
}

void Print(DWORD which, const std::string& text) {
    HANDLE out = GetStdHandle(which);
    DWORD written = 0;
    if (out && out != INVALID_HANDLE_VALUE)
        WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    sim::Parsed parsed = sim::ParseOptions(Arguments(GetCommandLineA()));
    if (!parsed.error.empty()) {
        Print(STD_ERROR_HANDLE,
              "aolsim: " + parsed.error + "\n(aolsim --help lists the options)\n");
        return 2;
    }
    if (parsed.options.help) {
        Print(STD_OUTPUT_HANDLE, sim::kUsage);
        return 0;
    }
    sim::Client client(parsed.options);
    if (!client.Create()) {
        Print(STD_ERROR_HANDLE, "aolsim: could not create the client's windows\n");
        return 1;
    }
    return sim::RunMessageLoop();
}
