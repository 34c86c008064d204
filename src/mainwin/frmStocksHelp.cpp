// The two commands that reach beyond the ledger: the protection dialog, which
// the window asks for, and the instructions.
#include "mainwin/frmStocks.h"

#include "help/Instructions.h"

namespace tesmo {

// The dialog belongs to the first window, which opens it under the trap.
void frmStocks::cmdOptions_Click()
{
    emit passwordProtectionRequested();
}

void frmStocks::cmdHelp_Click()
{
    trap("Source : frmStocks cmdHelp_Click", [this] { openInstructions(platform_.shell, dialogs_); });
}

} // namespace tesmo
