// The program's command line: no argument starts it; --help and --version
// are answered on the terminal without opening a window.
#pragma once

#include <optional>

namespace tesmo {

// Reads the arguments that follow the program's name. Returns nothing when
// there are none: the program starts. Otherwise answers here and returns the
// exit status: 0 after printing the usage (--help) or the version
// (--version) on standard output, 2 after printing the usage on standard
// error for any other argument or for more than one.
std::optional<int> answerCommandLine(int argc, char *argv[]);

} // namespace tesmo
