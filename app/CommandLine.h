#pragma once
// The program's command-line options.

#include <optional>

namespace modGlobal {

// Answers --help and --version, or refuses an unknown option, before anything else of the
// program is made: no window, no setting, no lock. Returns the exit code when the run ends
// here, nothing when the program should start.
std::optional<int> HandleCommandLine(int argc, char** argv);

} // namespace modGlobal
