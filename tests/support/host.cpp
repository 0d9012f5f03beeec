// snorva_host: Snorva's own start-up, unchanged, with the simulated AOL client on a thread of
// this process, for window systems where Snorva cannot read another process's menus. The
// command line holds the client's options; without any, no client runs.
#include "app/snorva.h"
#include "sim/sim.h"

#include <string>

namespace {

std::string Arguments(const std::string& line) {
    size_t i = 0;
    if (!line.empty() && line[0] == '"') {
        size_t close = line.find('"', 1);
        i = close == std::string::npos ? line.size() : close + 1;
    } else {
        while (i < line.size() && line[i] != ' ' && line[i] != '\t')
            ++i;
    }
    size_t first = line.find_first_not_of(" \t", i);
    return first == std::string::npos ? std::string() : line.substr(first);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    std::string options = Arguments(GetCommandLineA());
    if (!options.empty() && !sim::StartInProcess(options)) return 2;
    return RunSnorva(instance);
}
