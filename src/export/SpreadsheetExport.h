// The spreadsheet export: the rows of a list into a new workbook of the
// spreadsheet application, left open for the user.
#pragma once

#include "export/ExportRows.h"

class QAbstractItemModel;

namespace tesmo {

class Office;
class Progress;

// Drives a new spreadsheet application through the whole export of list's
// rows, telling progress (in thousandths; may be null) how far it is.
// Failed when any step failed, Cancelled when the user cancelled: then the
// workbook is not made visible. The application is released either way,
// and what it had received is not undone.
ExportOutcome exportSpreadsheet(const QAbstractItemModel &list, Office &office, Progress *progress = nullptr);

} // namespace tesmo
