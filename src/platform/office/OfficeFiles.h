// The office programs as this desktop has them: each new application object
// builds its own file (.xlsx or .docx) in a private folder and hands it to
// the program the desktop opens that kind of file with.
#pragma once

#include "platform/Office.h"

namespace tesmo {
class Shell;
}

namespace tesmo::office {

class OfficeFiles : public Office {
public:
    explicit OfficeFiles(Shell &shell)
        : shell_(shell)
    {
    }
    std::unique_ptr<SpreadsheetApplication> newSpreadsheet() override;
    std::unique_ptr<WordProcessorApplication> newWordProcessor() override;
    void setProgress(Progress *progress) override { progress_ = progress; }

private:
    Shell &shell_;
    Progress *progress_ = nullptr;
};

} // namespace tesmo::office
