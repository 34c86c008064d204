// A word processor that builds a real .docx document (WordprocessingML in a
// zip container) in a private folder and hands it to the desktop's word
// processor when it is made visible. The document holds one table at its
// start; the text typed into its cells waits in the cell journal until then,
// while the widths its columns need grow with it, so that the table's
// layout is known before its rows are written.
#pragma once

#include "platform/Progress.h"
#include "platform/WordProcessor.h"
#include "platform/office/OfficeFile.h"
#include "platform/office/TableMarkup.h"

#include <string>
#include <string_view>
#include <vector>

namespace tesmo {
class Shell;
}

namespace tesmo::office {

class DocxWordProcessor : public WordProcessorApplication {
public:
    // progress: where the work of writing the document is reported, or null.
    explicit DocxWordProcessor(Shell &shell, Progress *progress = nullptr);
    ~DocxWordProcessor() override;

    void setVisible(bool visible) override;
    void addDocument() override;
    TextRange selectionRange() override;
    void addTable(int document, const TextRange &range, int rows, int columns, int defaultTableBehavior,
                  int autoFitBehavior) override;
    void autoFormatSelectionTable(int table, const TableAutoFormat &format) override;
    void typeText(const QString &text) override;
    void typeUtf8Text(std::string_view text) override;
    void moveRight(int unit) override;
    void insertRowsBelow(int count) override;

private:
    void needTable() const;
    void writeDocument(const QString &path);

    OfficeFile document_;
    Progress *progress_;
    TableShape table_;
    int row_ = 0;      // the insertion point's cell, from 1
    int column_ = 0;
    bool fitToContents_ = false;
    // Per column, in thousandths of an em of the type: the widest cell and
    // the widest word in a cell, the heading row's apart.
    std::vector<double> widest_;
    std::vector<double> headingWidest_;
    std::vector<double> word_;
    std::vector<double> headingWord_;
    double cellUnits_ = 0;   // the width typed into the current cell
    std::string markup_;     // the markup of the text being typed, reused
};

} // namespace tesmo::office
