// The program's command line: no argument starts it; --help and --version
// are answered on the terminal without opening a window. One argument that
// the usage does not tell starts a mode of the program's own, for the
// program itself: the packing of an export's workbook.
#pragma once

#include <optional>

namespace tesmo {

// A mode of the program's own: the argument that alone starts it, and the
// mode itself, which returns the exit status.
struct InternalMode {
    const char *argument;
    int (*run)();
};

// Reads the arguments that follow the program's name. Returns nothing when
// there are none: the program starts. Otherwise answers here and returns the
// exit status: 0 after printing the usage (--help) or the version
// (--version) on standard output, the mode's own after running the internal
// mode whose argument is the only one, 2 after printing the usage on
// standard error for any other argument or for more than one.
std::optional<int> answerCommandLine(int argc, char *argv[], const InternalMode &internal);

} // namespace tesmo
