// The office programs the export writers hand their tables to. Creating an
// application object is the first operation of each writer; it raises Error
// when the program is not there.
#pragma once

#include "platform/Progress.h"
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

    // The applications made from now on report the work of finishing their
    // file, when it is made visible, to progress in thousandths, and stop it
    // with Error kErrUserCancelled (nothing handed to the desktop) once the
    // user cancels. Null: no report.
    virtual void setProgress(Progress *progress) = 0;
};

// Tells office's applications of progress while it lives.
class OfficeProgress {
public:
    OfficeProgress(Office &office, Progress *progress)
        : office_(office)
    {
        office_.setProgress(progress);
    }
    ~OfficeProgress() { office_.setProgress(nullptr); }
    OfficeProgress(const OfficeProgress &) = delete;
    OfficeProgress &operator=(const OfficeProgress &) = delete;

private:
    Office &office_;
};

} // namespace tesmo
