// What the windows tell the user about a failure, worded in one place: the
// engine's own messages ("database is locked") become sentences the user can
// act on, the same whichever command met them; every other error keeps its
// description.
#pragma once

#include "text/Error.h"

namespace tesmo {

// Why a write of the ledger failed, as the end of a sentence ("No lots were
// imported: ..."): a lock, a full disk, a ledger that cannot be written
// here, else the error's own description; again names the command to run
// again ("import").
QString whyNotWritten(const Error &e, const char *again);

// The error as the error boxes show it: an engine error whose cause the user
// can act on has that sentence as its description ("Another program holds
// the ledger file locked; close it and try again."); any other as it is.
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
