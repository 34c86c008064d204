// The "Sell Shares" dialog: a sale of shares of one ticker from its lots. Its
// fields, in tab order: the sale date, the shares sold, the proceeds after
// fees and the method that chooses the lots; then the ticker's lots with each
// lot's part of the sale as planned, brought up to date as the fields
// change, and the totals. While the method is "Chosen lots" the user types
// the shares to take from each lot in the list. Enter sells (the default
// button), Escape cancels. A sale that cannot be made is refused with a
// message naming the field, and the focus goes to that field.
#pragma once

#include "sales/SalePlan.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace tesmo {

class Dialogs;
class SaleLotsModel;

// What a sale of parts does, as the end of a sentence that starts with a
// verb: "150 shares of ACME from 2 lots on 6/1/2024 for $3,000.00: cost
// $1,750.00, gain $1,250.00." (a loss says "loss"). parts: one or more.
QString saleSummary(const std::vector<SalePart> &parts);

class SellSharesDialog : public QDialog {
    Q_OBJECT
public:
    // Records the parts of a sale: true when they were recorded; false when
    // they were not, after the user was told why (the dialog stays open).
    using Record = std::function<bool(const std::vector<SalePart> &parts)>;

    // lots: every lot of the ticker that holds shares, in the order listed
    // (the current lot first); there is at least one.
    SellSharesDialog(std::vector<SaleLot> lots, Dialogs &dialogs, Record record, QWidget *parent = nullptr);

    // The parts of the sale recorded, once the dialog was accepted.
    const std::vector<SalePart> &sold() const { return sold_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls(const QString &ticker);
    // The sale as the fields give it now. Throws SaleRefusal.
    std::vector<SalePart> plan() const;
    // The parts and totals brought up to date with the fields, quietly.
    void replan();
    void methodChanged();
    void sell();
    void refuse(const SaleRefusal &refusal);
    // A shares cell still being typed into takes its text.
    void commitTypedCell();

    Dialogs &dialogs_;
    Record record_;
    SaleLotsModel *lots_ = nullptr;
    QLineEdit *date_ = nullptr;
    QLineEdit *shares_ = nullptr;
    QLineEdit *proceeds_ = nullptr;
    QComboBox *method_ = nullptr;
    QTableView *table_ = nullptr;
    QLabel *totals_ = nullptr;
    std::vector<SalePart> sold_;
};

} // namespace tesmo
