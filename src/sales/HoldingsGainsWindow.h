// The "Holdings and Gains" window: what the ledger holds, one row a ticker
// with the totals at the foot, and the realized gains of the sales of a
// chosen year with their short-term, long-term and total gains. Delete on a
// sale undoes it, after asking; "Save Gains as CSV..." (Alt+S) writes the
// sales shown to a file for taxes. Modal: the ledger changes only through
// it while it is up.
#pragma once

#include "platform/Dialogs.h"
#include "sales/Holdings.h"
#include "store/Sales.h"

#include <QDate>
#include <QDialog>
#include <functional>
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
    // Where the window takes what it shows from, and the one change it makes.
    struct Ledger {
        const LotTable &lots;   // the lots in memory, as the master list holds them
        // The ledger's sales, in order of sale; raises Error.
        std::function<std::vector<SaleRecord>()> sales;
        // Undoes a sale. False when it stopped with a message of its own;
        // raises Error with the sentence the user reads when it was refused.
        std::function<bool(const SaleRecord &sale)> undo;
        // The folder in which the file for taxes is proposed.
        QString folder;
    };

    // Raises Error when the sales cannot be read. today: the day from which
    // shares held longer than a year count.
    HoldingsGainsWindow(Dialogs &dialogs, Ledger ledger, QDate today, QWidget *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    // Reads the holdings and the sales again; the year stays chosen while it
    // has sales, else the latest year is.
    void reload();
    void showYear();
    void updateCommands();
    // The year chosen; nothing for All.
    std::optional<int> chosenYear() const;

    void undoSale();
    void saveGains();

    Dialogs &dialogs_;
    Ledger ledger_;
    QDate today_;
    Holdings holdings_;
    std::vector<SaleRecord> sales_;
    std::vector<const SaleRecord *> shown_;   // the sales of the chosen year
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
