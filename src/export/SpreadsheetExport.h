// The spreadsheet export: the rows of a list into a new workbook of the
// spreadsheet application, left open for the user.
#pragma once

class QAbstractItemModel;

namespace tesmo {

class Office;

// Drives a new spreadsheet application through the whole export of list's
// rows. Returns false when any step failed; the application is released
// either way, and what it had received is not undone.
bool exportSpreadsheet(const QAbstractItemModel &list, Office &office);

} // namespace tesmo
