// "Restore from Backup": the copies of the ledger, newest first, each with
// when it was made, its kind and the lots it holds. A copy that does not open
// as a ledger is listed as such and cannot be chosen. Usable from the
// keyboard alone: the list has the focus, Enter restores the current copy,
// Escape cancels.
#pragma once

#include <QDialog>
#include <QString>
#include <vector>

class QPushButton;
class QTreeWidget;

namespace tesmo {

class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    struct Row {
        QString made, kind, lots;
        bool choosable = true;
    };
    RestoreDialog(const QString &folderName, const std::vector<Row> &rows, QWidget *parent = nullptr);

    // The row of the copy chosen, from 0; -1 when none can be.
    int chosen() const;

private:
    QTreeWidget *list_ = nullptr;
    QPushButton *restore_ = nullptr;
};

} // namespace tesmo
