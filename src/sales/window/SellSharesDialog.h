// The "Sell Shares" dialog: a sale of shares of one ticker from its lots. Its
// fields, in tab order: the sale date, the shares sold, the proceeds after
// fees and the method that chooses the lots; then the ticker's lots with each
// lot's part of the sale as planned, brought up to date as the fields
// change, and the totals. While the method is "Chosen lots" the user types
// the shares to take from each lot in the list. Enter sells (the default
// button), Escape cancels. A sale that cannot be made is refused with a
// message naming the field, and the focus goes to that field.
#pragma once

#include "sales/ShareSale.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableView;

namespace tesmo {

class Dialogs;
class SaleLotsModel;

class SellSharesDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for a sale of the lots sale offers, and has sale record the one
    // the user confirms: accepted once it is recorded. A sale that cannot be
    // recorded is told, and the dialog stays.
    SellSharesDialog(ShareSale &sale, Dialogs &dialogs, QWidget *parent = nullptr);

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

    ShareSale &sale_;
    Dialogs &dialogs_;
    SaleLotsModel *lots_ = nullptr;
    QLineEdit *date_ = nullptr;
    QLineEdit *shares_ = nullptr;
    QLineEdit *proceeds_ = nullptr;
    QComboBox *method_ = nullptr;
    QTableView *table_ = nullptr;
    QLabel *totals_ = nullptr;
};

} // namespace tesmo
