// The interfaces to the world outside the program that the windows use,
// gathered so that the program and the tests can hand in their own.
#pragma once

#include "platform/Dialogs.h"
#include "platform/Office.h"
#include "platform/Shell.h"

namespace tesmo {

struct Platform {
    Dialogs &dialogs;
    Shell &shell;
    Office &office;
};

} // namespace tesmo
