// The "Holdings and Gains" window: what the ledger holds, one row a ticker
// with the totals at the foot, and the realized gains of the sales of a
// chosen year with their short-term, long-term and total gains. Delete on a
// sale undoes it, after asking; "Save Gains as CSV..." (Alt+S) writes the
// sales shown to a file for taxes. Modal: the ledger changes only through
// it while it is up.
#pragma once

#include "platform/Dialogs.h"
#include "sales/GainsReport.h"

#include <QDialog>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace tesmo {

class ReportModel;

class HoldingsGainsWindow : public QDialog {
    Q_OBJECT
public:
    // Shows report, and has it undo a sale and save the gains; folder: where
    // the file for taxes is proposed.
    HoldingsGainsWindow(Dialogs &dialogs, GainsReport &report, QString folder, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Shows the holdings and the sales as the report now has them; the year
    // stays chosen while it has sales, else the latest year is.
    void reload();
    void showYear();
    void updateCommands();
    // The year chosen; nothing for All.
    std::optional<int> chosenYear() const;

    void undoSale();
    void saveGains();

    Dialogs &dialogs_;
    GainsReport &report_;
    QString folder_;
    std::vector<const SalePart *> shown_;   // the sales of the chosen year
    bool started_ = false;                    // the sales have been shown once

    QTableView *holdingsView_ = nullptr;
    QLabel *holdingsNote_ = nullptr;
    QComboBox *year_ = nullptr;
    QTableView *gainsView_ = nullptr;
    QLabel *totals_ = nullptr;
    QPushButton *save_ = nullptr;
    ReportModel *holdingsRows_ = nullptr;
    ReportModel *gainsRows_ = nullptr;
};

} // namespace tesmo
