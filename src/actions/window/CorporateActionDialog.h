// The "Corporate Action" dialog: an action of a company on every lot of one
// ticker, and the list of the ticker's actions, any of which can be undone.
// The ticker is the current lot's, or any other an action names: one whose
// lots an action took whole (a merger for cash) is reached so. Its fields,
// in tab order: the ticker, the kind, the date, then those the kind needs
// (the others disabled, their labels with them): the ratio of new shares to
// old, the new ticker and name, cash for the fraction of a share (a check
// box and the amount), cash per share, the percentage of the cost a spin-off
// takes. Enter records (the default button), Escape closes. A refusal names
// its field in a message, and the focus goes to that field. Below, the
// ticker's actions and the lots of the one chosen, before and after; Delete
// or "Undo Action" undoes it after a question. An undo that leaves the
// ticker shown with neither lots nor actions (a ticker change or a merger
// undone) shows the ticker the action was of.
#pragma once

#include "actions/TickerActions.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QFormLayout;
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
    // Asks for actions on ticker, the current lot's, which actions records
    // and undoes.
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
    // The choice of tickers read anew: the current lot's first, then every
    // other with an action, and shown (chosen) among them.
    void fillTickers(const QString &shown);
    QString chosenTicker() const;
    ActionRequest request() const;
    void recordAction();
    void refuse(const ActionRefusal &refusal);
    // The chosen ticker's actions read anew, the one at row chosen (the
    // latest for -1).
    void showActions(int chosen);
    void showLotsOf(int row);
    void undoChosen();

    TickerActions &command_;
    const QString lotTicker_;
    Dialogs &dialogs_;
    std::vector<CorporateAction> actions_;
    std::optional<CorporateAction> recorded_;

    QComboBox *ticker_ = nullptr;
    QFormLayout *fields_ = nullptr;
    QComboBox *kind_ = nullptr;
    QLineEdit *date_ = nullptr;
    QLineEdit *ratio_ = nullptr;
    QLineEdit *newTicker_ = nullptr;
    QLineEdit *newName_ = nullptr;
    QCheckBox *fractions_ = nullptr;
    QLineEdit *fractionCash_ = nullptr;
    QLabel *fractionAmount_ = nullptr;
    QLineEdit *cashPerShare_ = nullptr;
    QLineEdit *percent_ = nullptr;
    QPushButton *record_ = nullptr;
    QLabel *actionsLabel_ = nullptr;
    QTableView *actionsView_ = nullptr;
    QTableView *lotsView_ = nullptr;
    QPushButton *undo_ = nullptr;
    ReportModel *actionRows_ = nullptr;
    ReportModel *lotRows_ = nullptr;
};

} // namespace tesmo
