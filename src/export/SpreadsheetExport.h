// The spreadsheet export: lots into a new workbook of the spreadsheet
// application, left open for the user.
#pragma once

namespace tesmo {

class LotTable;
class Office;
class Progress;

// Drives a new spreadsheet application through the whole export of lots,
// telling progress (in thousandths; may be null) how far it is. Raises the
// Error of any step that failed, and 3112 when the user cancelled; the
// workbook is then not made visible. The application is released either
// way, and what it had received is not undone.
void exportSpreadsheet(const LotTable &lots, Office &office, Progress *progress = nullptr);

} // namespace tesmo
