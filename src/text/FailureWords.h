// What the user reads about a failure, worded in one place: the commands
// below the window raise Error with a reason the user can act on, and the
// windows show it through this wording, the same whichever command met it.
// The engine's own messages ("database is locked") become sentences the user
// can act on.
#pragma once

#include "text/Error.h"

namespace tesmo {

// The commands beyond the designed window, by what they set out to do.
enum class Deed {
    Sell,                // recording a sale
    ShowGains,           // reading the holdings and the sales
    UndoSale,
    SaveGains,           // the file of a year's gains
    ReadImport,          // reading a broker's file for the import
    Import,              // writing the lots and sales of a broker's file
    CopyBeforeImport,    // the copy of the ledger made before an import
    Restore,
    KeepBeforeRestore,   // the copy of the ledger kept before a restore
    DailyCopy,
    RecordAction,        // a corporate action on a ticker's lots
    UndoAction,
};

// Why an error happened, as a sentence the user can act on: an engine error
// whose cause the user can act on as that sentence ("Another program holds
// the ledger file locked; close it and try again."), where again names the
// command to run again; any other error's description, ending with a stop.
QString reasonText(const Error &e, const char *again = "try");

// What the user reads when the deed failed with e: what was not done, then
// why ("No shares were sold. Another program has changed lot 3 since Tesmo
// read it."); for a cancel by the user, what the cancel left ("The import
// was cancelled; no lots were imported."); for nothing to do (3116) the
// reason alone.
QString failureText(Deed deed, const Error &e);

// Whether the failure is one the user chose or that found nothing to do,
// which is told as information, not as a warning.
bool isQuietFailure(const Error &e);

// The error as the error boxes show it: an engine error whose cause the user
// can act on has that sentence as its description; any other as it is.
Error inUserWords(const Error &e);

// Runs body; an Error it raises is raised again in the user's words.
template <typename Body>
void runInUserWords(Body &&body)
{
    try {
        body();
    } catch (const Error &e) {
        throw inUserWords(e);
    }
}

} // namespace tesmo
