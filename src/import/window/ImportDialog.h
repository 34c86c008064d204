// The "Import Lots" preview: one row per data row of the file with its line,
// its status and the six fields as they would be stored; above it the choices
// (the column of each field, the date order, the decimal separator, the
// separator) and the counts of each status, brought up to date whenever a
// choice changes. A date order or decimal separator that the file leaves open
// is asked for, and "&Import" is disabled until it is chosen. "&Import"
// accepts; the lots to import are then the import's chosen() rows. Usable
// from the keyboard alone: every choice has an access key, Space ticks the
// current row.
#pragma once

#include "import/window/ImportRowsModel.h"

#include <QDialog>
#include <array>

class QComboBox;
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
    void buildControls(const QString &fileName);
    // Fills the choices from the import's current ones, without reacting.
    void showChoices();
    void choiceChanged();
    void showCounts();

    LotImport &import_;
    Dialogs &dialogs_;
    ImportRowsModel *rows_ = nullptr;
    std::array<QComboBox *, kImportFieldCount> columns_{};
    QComboBox *dateOrder_ = nullptr;
    QComboBox *decimal_ = nullptr;
    QLabel *dateOrderLabel_ = nullptr;
    QLabel *decimalLabel_ = nullptr;
    QComboBox *separator_ = nullptr;
    QLabel *header_ = nullptr;
    QLabel *counts_ = nullptr;
    QTableView *table_ = nullptr;
    QPushButton *importButton_ = nullptr;
    bool filling_ = false;
};

} // namespace tesmo
