// The document export: lots into a table of a new document of the word
// processor, left open for the user.
#pragma once

namespace tesmo {

class LotTable;
class Office;
class Progress;

// Drives a new word processor through the whole export of lots, telling
// progress (in thousandths; may be null) how far it is. Raises the Error of
// any step that failed, 13 (Type mismatch) for an amount held as a text that
// does not read as one, and 3112 when the user cancelled; the document is
// then not made visible. The word processor is released either way, and
// what it had received is not undone.
void exportDocument(const LotTable &lots, Office &office, Progress *progress = nullptr);

} // namespace tesmo
