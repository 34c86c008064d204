// Whether a database is a ledger of this program: its tables, views,
// triggers and indexes are exactly those the program makes (store/Schema.h),
// or those an earlier version made (store/EarlierSchemas.h), each word for
// word as SQLite keeps it, with nothing else but SQLite's own statistics.
// Only the list of objects is read: no view, trigger or virtual table of the
// file runs, so a file someone else made cannot turn a command of the
// program into SQL of its own.
#pragma once

#include "text/Error.h"

#include <QString>
#include <QStringList>
#include <map>

struct sqlite3;

namespace tesmo {

// A part of the schema made by its first use (store/Schema.h), as a ledger
// holds it: not yet, as the program makes it now, or as an earlier version
// made it (brought up to date by its next use).
enum class PartShape { None, Ours, Earlier };

struct LedgerSchema {
    // What is not the program's, each said in words ("the trigger "Wipe" is
    // not Tesmo's"); empty for a ledger.
    QStringList foreign;
    bool hasLots = false;   // a table Lots is there, the program's or not
    std::map<QString, PartShape> parts;   // by the part's name, those made by their first use

    bool isLedger() const { return foreign.isEmpty(); }
    PartShape shapeOf(const char *part) const
    {
        const auto found = parts.find(QString::fromLatin1(part));
        return found == parts.end() ? PartShape::None : found->second;
    }
};

// Reads the schema of db's main database. Raises an engine error when it
// cannot be read.
LedgerSchema readLedgerSchema(sqlite3 *db);

// Error 3105 for the file named fileName, whose schema is not a ledger's,
// naming what is foreign in it.
Error notALedger(const QString &fileName, const LedgerSchema &schema);

} // namespace tesmo
