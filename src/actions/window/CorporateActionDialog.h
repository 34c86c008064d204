// The "Corporate Action" dialog: an action of a company on every lot of one
// ticker, and the list of the ticker's actions, any of which can be undone.
// Its fields, in tab order: the kind, the date, then those the kind needs
// (the others disabled): the ratio of new shares to old, the new ticker and
// name, cash for the fraction of a share (a check box and the amount), cash
// per share, the percentage of the cost a spin-off takes. Enter records
// (the default button), Escape closes. A refusal names its field in a
// message, and the focus goes to that field. Below, the ticker's actions and
// the lots of the one chosen, before and after; Delete or "Undo Action"
// undoes it after a question.
#pragma once

#include "actions/TickerActions.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace tesmo {

class Dialogs;
class ReportModel;

class CorporateActionDialog : public QDialog {
    Q_OBJECT
public:
    // Asks for actions on ticker, which actions records and undoes.
    // Accepted once an action is recorded; an action undone leaves the
    // dialog up.
    CorporateActionDialog(TickerActions &actions, const QString &ticker, Dialogs &dialogs, QWidget *parent = nullptr);

    // The action recorded, once the dialog is accepted.
    const std::optional<CorporateAction> &recorded() const { return recorded_; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildFields();
    void buildList();
    // Enables the fields the chosen kind needs.
    void kindChanged();
    ActionRequest request() const;
    void recordAction();
    void refuse(const ActionRefusal &refusal);
    // The ticker's actions read anew, the one at row chosen.
    void showActions(int chosen);
    void showLotsOf(int row);
    void undoChosen();

    TickerActions &command_;
    const QString ticker_;
    Dialogs &dialogs_;
    std::vector<CorporateAction> actions_;
    std::optional<CorporateAction> recorded_;

    QComboBox *kind_ = nullptr;
    QLineEdit *date_ = nullptr;
    QLineEdit *ratio_ = nullptr;
    QLineEdit *newTicker_ = nullptr;
    QLineEdit *newName_ = nullptr;
    QCheckBox *fractions_ = nullptr;
    QLineEdit *fractionCash_ = nullptr;
    QLineEdit *cashPerShare_ = nullptr;
    QLineEdit *percent_ = nullptr;
    QPushButton *record_ = nullptr;
    QTableView *actionsView_ = nullptr;
    QTableView *lotsView_ = nullptr;
    QPushButton *undo_ = nullptr;
    ReportModel *actionRows_ = nullptr;
    ReportModel *lotRows_ = nullptr;
};

} // namespace tesmo
