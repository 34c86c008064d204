// The help command: the instructions page instr.HTML of the current folder
// goes to the desktop's program for web pages; when the page is missing, the
// plain text instr.txt goes to its program for text files; when that is
// missing too, the user is told.
#pragma once

#include "platform/Dialogs.h"
#include "platform/Shell.h"

namespace tesmo {

// Opens the instructions. Raises Error when the text viewer cannot be started.
void openInstructions(Shell &shell, Dialogs &dialogs);

} // namespace tesmo
