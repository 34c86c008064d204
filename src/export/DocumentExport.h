// The document export: the rows of a list into a table of a new document of
// the word processor, left open for the user.
#pragma once

class QAbstractItemModel;

namespace tesmo {

class Office;

// Drives a new word processor through the whole export of list's rows.
// Returns false when any step failed, a money text that does not read as an
// amount included; the word processor is released either way, and what it
// had received is not undone.
bool exportDocument(const QAbstractItemModel &list, Office &office);

} // namespace tesmo
