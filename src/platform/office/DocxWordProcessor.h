// A word processor that builds a real .docx document (WordprocessingML in a
// zip container, written with libzip) in a private folder and hands it to
// the desktop's word processor when it is made visible. The document holds
// one table at its start; the text typed into its cells waits in a file
// until then, and the document part is made from it as it is deflated on
// every core, never held whole in memory.
// The columns are fitted to the words typed, so that none is broken; a table
// too wide for a portrait page turns the page, and only a table too wide for
// a landscape page is set in smaller type.
#pragma once

#include "platform/Dialogs.h"
#include "platform/WordProcessor.h"
#include "platform/office/OfficeFile.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tesmo {
class Shell;
}

namespace tesmo::office {

struct TableLayout;

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

    // The document's file once it was handed over; empty before.
    QString documentFile() const;

private:
    void needTable() const;
    void writeDocument(const QString &path);
    QByteArray documentHead(const TableLayout &layout) const;
    QByteArray documentTail(const TableLayout &layout) const;

    OfficeFile document_;
    Progress *progress_;
    bool hasTable_ = false;
    int rows_ = 0;
    int columns_ = 0;
    int row_ = 0;      // the insertion point's cell, from 1
    int column_ = 0;
    bool fitToContents_ = false;
    std::optional<TableAutoFormat> format_;
    // Widths in thousandths of an em of the type, per column: of the widest
    // cell, and of the widest word in a cell; the heading row's apart. They
    // grow as the text is typed, so the table's layout is known when the
    // document is written, without a second pass over its rows.
    std::vector<double> widest_;
    std::vector<double> headingWidest_;
    std::vector<double> word_;
    std::vector<double> headingWord_;
    double cellUnits_ = 0;   // the width typed into the current cell
    std::string markup_;   // the markup of the text being typed, reused
};

} // namespace tesmo::office
