// The office programs the export writers hand their tables to. Creating an
// application object is the first operation of each writer; it raises Error
// when the program is not there.
#pragma once

#include "platform/Spreadsheet.h"
#include "platform/WordProcessor.h"

#include <memory>

namespace tesmo {

class Office {
public:
    virtual ~Office() = default;

    // A new, hidden spreadsheet application under the caller's control.
    virtual std::unique_ptr<SpreadsheetApplication> newSpreadsheet() = 0;
    // A new, hidden word processor under the caller's control.
    virtual std::unique_ptr<WordProcessorApplication> newWordProcessor() = 0;
};

} // namespace tesmo
