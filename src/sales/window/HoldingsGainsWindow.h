// The "Holdings and Gains" window: what the ledger holds, one row a ticker
// with the totals at the foot, and the realized gains of the sales of a
// chosen year, a line a sale that opens into its rows for taxes, with their
// short-term, long-term and total gains. Delete on a sale undoes all of it,
// after asking; "Save Gains as CSV..." (Alt+S) writes the sales shown to a
// file for taxes, "Save Form 8949..." (Alt+F) and "Save as TXF..." (Alt+T)
// their rows of Form 8949. Modal: the ledger changes only through it while
// it is up.
#pragma once

#include "platform/Dialogs.h"
#include "sales/GainsReport.h"

#include <QDialog>
#include <QSet>
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

    void showLines();
    void toggle(int at);

    void undoSale();
    void saveGains();
    void saveForm8949(bool txf);
    void tellSaved(qsizetype rows, const QString &path);

    Dialogs &dialogs_;
    GainsReport &report_;
    QString folder_;
    // A line of the list: a sale, or with row one of its rows for taxes.
    struct Shown {
        std::size_t line;
        int row;   // into the sale's rows; -1 for the sale itself
    };
    std::vector<SaleLine> lines_;   // the sales of the chosen year
    QSet<SaleId> opened_;           // the sales shown with their rows
    std::vector<Shown> shown_;
    bool started_ = false;                    // the sales have been shown once

    QTableView *holdingsView_ = nullptr;
    QLabel *holdingsNote_ = nullptr;
    QComboBox *year_ = nullptr;
    QTableView *gainsView_ = nullptr;
    QLabel *totals_ = nullptr;
    QPushButton *save_ = nullptr;
    QPushButton *save8949_ = nullptr;
    QPushButton *saveTxf_ = nullptr;
    ReportModel *holdingsRows_ = nullptr;
    ReportModel *gainsRows_ = nullptr;
};

} // namespace tesmo
