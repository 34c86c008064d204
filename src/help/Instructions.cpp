#include "help/Instructions.h"

namespace tesmo {

void openInstructions(Shell &shell, Dialogs &dialogs)
{
    // Any other answer, a failure among them (no program for web pages), ends
    // the command without a word, and the text file is not tried.
    if (shell.open(QStringLiteral("instr.HTML")) != Shell::kFileNotFound)
        return;
    if (!shell.startViewer(QStringLiteral("instr.txt")))
        dialogs.message(QStringLiteral("Help File Not Found"), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
}

} // namespace tesmo
