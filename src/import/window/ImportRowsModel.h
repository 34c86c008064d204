// The rows of the "Import Lots" preview: one per candidate lot of the file,
// with its line (and the tick of a row held back), its status and the six
// fields as they would be stored.
#pragma once

#include "import/LotImport.h"

#include <QAbstractTableModel>

namespace tesmo {

// The columns of the rows, in order.
enum ImportColumn { kImportLine, kImportStatus, kImportName, kImportTicker, kImportDate, kImportShares,
                    kImportPrice, kImportNet, kImportColumnCount };

class ImportRowsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ImportRowsModel(LotImport &import, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The rows were read anew.
    void reload();
    // Ticks the row when it can be ticked and is not, unticks it otherwise.
    void toggle(int row);

    static QString statusText(const CandidateLot &lot);

signals:
    void tickedChanged();

private:
    LotImport &import_;
    // The texts of the row shown last: a view asks for a row's cells one
    // after the other, and its texts are read all at once.
    mutable int textsRow_ = -1;
    mutable FieldTexts texts_;
};

} // namespace tesmo
