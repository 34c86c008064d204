// The document export: the rows of a list into a table of a new document of
// the word processor, left open for the user.
#pragma once

#include "export/ExportRows.h"

class QAbstractItemModel;

namespace tesmo {

class Office;
class Progress;

// Drives a new word processor through the whole export of list's rows,
// telling progress (in thousandths; may be null) how far it is. Failed when
// any step failed, a money text that does not read as an amount included;
// Cancelled when the user cancelled: then the document is not made visible.
// The word processor is released either way, and what it had received is
// not undone.
ExportOutcome exportDocument(const QAbstractItemModel &list, Office &office, Progress *progress = nullptr);

} // namespace tesmo
