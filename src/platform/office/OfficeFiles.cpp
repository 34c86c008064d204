#include "platform/office/OfficeFiles.h"

#include "platform/office/DocxWordProcessor.h"
#include "platform/office/XlsxSpreadsheet.h"

namespace tesmo::office {

std::unique_ptr<SpreadsheetApplication> OfficeFiles::newSpreadsheet()
{
    return std::make_unique<XlsxSpreadsheet>(shell_, progress_);
}

std::unique_ptr<WordProcessorApplication> OfficeFiles::newWordProcessor()
{
    return std::make_unique<DocxWordProcessor>(shell_, progress_);
}

} // namespace tesmo::office
