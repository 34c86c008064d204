// The "Import Lots" preview: one row per data row of the file with its line,
// its status and the six fields as they would be stored; above it, one line
// per reading of the file (its encoding, separator, header line, columns,
// date order, decimal marks and purchases' money) with its value, which can
// be changed there, and the evidence that settled it; and the counts of each
// status, brought up to date whenever a reading changes. A reading that the
// file leaves open is asked for, in bold, and "&Import" is disabled until it
// is answered. "&Import" accepts; the lots to import are then the import's
// chosen() rows. Usable from the keyboard alone: every reading has an access
// key, Space ticks the current row.
#pragma once

#include "import/window/ImportRowsModel.h"

#include <QDialog>
#include <array>

class QComboBox;
class QGridLayout;
class QLabel;
class QPushButton;
class QTableView;

namespace tesmo {

class Dialogs;

class ImportDialog : public QDialog {
    Q_OBJECT
public:
    ImportDialog(LotImport &import, Dialogs &dialogs, const QString &fileName, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The readings, in the order of LotImport::readingLines.
    enum Line { kEncoding, kSeparator, kHeader, kColumns, kDates, kDecimals, kPurchases, kLineCount };

    void buildControls(const QString &fileName);
    QLabel *addLine(QGridLayout *grid, Line line, const QString &caption, QWidget *control);
    // Fills the readings from the import's, without reacting.
    void showChoices();
    void choiceChanged(QComboBox *changed);
    void showCounts();

    LotImport &import_;
    Dialogs &dialogs_;
    ImportRowsModel *rows_ = nullptr;
    QComboBox *encoding_ = nullptr;
    QComboBox *separator_ = nullptr;
    QComboBox *header_ = nullptr;
    std::array<QComboBox *, kImportFieldCount> columns_{};
    std::array<QLabel *, kImportFieldCount> columnLabels_{};
    QComboBox *dateOrder_ = nullptr;
    std::array<QComboBox *, kNumberColumns> decimals_{};
    QComboBox *purchases_ = nullptr;
    std::array<QLabel *, kLineCount> captions_{};
    std::array<QLabel *, kLineCount> evidence_{};
    std::array<QWidget *, kLineCount> lines_{};
    QLabel *file_ = nullptr;
    QLabel *counts_ = nullptr;
    QTableView *table_ = nullptr;
    QPushButton *importButton_ = nullptr;
    bool filling_ = false;
};

} // namespace tesmo
