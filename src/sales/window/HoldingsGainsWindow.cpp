#include "sales/window/HoldingsGainsWindow.h"

#include "platform/AccessKeys.h"
#include "platform/DialogTable.h"
#include "platform/ErrorTrap.h"
#include "sales/GainsCsv.h"
#include "sales/window/ReportModel.h"
#include "text/Regional.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>

namespace tesmo {

namespace {

enum HoldingsColumn : int { kHoldTicker, kHoldShares, kHoldCost, kHoldAverage, kHoldLots, kHoldLong, kHoldOldest };
enum GainsColumn : int {
    kGainSold, kGainTicker, kGainName, kGainShares, kGainAcquired, kGainProceeds, kGainCost, kGainGain, kGainTerm
};

QString money(Ticks ticks)
{
    return regional::netAmountText(ticks);
}

// A list of rows: Home and End go to the first and the last row, as in the
// program's other lists.
class RowList : public QTableView {
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        if (action == MoveHome || action == MoveEnd)
            modifiers |= Qt::ControlModifier;
        return QTableView::moveCursor(action, modifiers);
    }
};

// A report's list: whole rows, one at a time, not edited, with the look of
// the program's dialog tables, and each column as wide as the widest text it
// is expected to hold (widest, in column order). The column stretched, if
// any (else -1), takes the rest of the width; else the columns keep
// together at the left.
QTableView *reportView(ReportModel *model, const QStringList &widest, int stretched, QWidget *parent)
{
    auto *view = new RowList(parent);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUpDialogTable(view, {});
    QHeaderView *header = view->horizontalHeader();
    for (int c = 0; c < widest.size(); ++c) {
        const QString heading = model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        header->resizeSection(c, std::max(view->fontMetrics().horizontalAdvance(widest[c]),
                                           header->fontMetrics().horizontalAdvance(heading))
                                     + 24);
    }
    if (stretched >= 0)
        header->setSectionResizeMode(stretched, QHeaderView::Stretch);
    else
        header->setStretchLastSection(false);
    return view;
}

} // namespace

HoldingsGainsWindow::HoldingsGainsWindow(Dialogs &dialogs, GainsReport &report, QString folder, QWidget *parent)
    : QDialog(parent)
    , dialogs_(dialogs)
    , report_(report)
    , folder_(std::move(folder))
{
    buildControls();
    reload();
    holdingsView_->setFocus(Qt::OtherFocusReason);
}

void HoldingsGainsWindow::buildControls()
{
    setObjectName(QStringLiteral("HoldingsGains"));
    setWindowTitle(QStringLiteral("Holdings and Gains"));
    setModal(true);
    auto *layout = new QVBoxLayout(this);

    auto *holdingsLabel = new QLabel(QStringLiteral("&Holdings"), this);
    layout->addWidget(holdingsLabel);
    holdingsRows_ = new ReportModel({QStringLiteral("Ticker"), QStringLiteral("Shares"), QStringLiteral("Cost"),
                                     QStringLiteral("Average Cost"), QStringLiteral("Lots"),
                                     QStringLiteral("Held Over a Year"), QStringLiteral("Oldest Lot")},
                                    {kHoldShares, kHoldCost, kHoldAverage, kHoldLots, kHoldLong, kHoldOldest}, this);
    holdingsView_ = reportView(holdingsRows_,
                               {QStringLiteral("WWWWWWWWWW"), QStringLiteral("999,999,999"),
                                QStringLiteral("$999,999,999.00 *"), QStringLiteral("$99,999.0000"),
                                QStringLiteral("999,999"), QStringLiteral("999,999,999"), QStringLiteral("12/31/2024")},
                               -1, this);
    holdingsView_->setObjectName(QStringLiteral("holdings"));
    holdingsLabel->setBuddy(holdingsView_);
    layout->addWidget(holdingsView_, 2);
    holdingsNote_ = new QLabel(this);
    holdingsNote_->setObjectName(QStringLiteral("holdingsNote"));
    holdingsNote_->setWordWrap(true);
    layout->addWidget(holdingsNote_);

    auto *gainsLine = new QHBoxLayout;
    auto *gainsLabel = new QLabel(QStringLiteral("&Realized gains"), this);
    gainsLine->addWidget(gainsLabel);
    gainsLine->addStretch(1);
    auto *yearLabel = new QLabel(QStringLiteral("&Year:"), this);
    gainsLine->addWidget(yearLabel);
    year_ = new QComboBox(this);
    year_->setObjectName(QStringLiteral("cmbYear"));
    year_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    yearLabel->setBuddy(year_);
    gainsLine->addWidget(year_);
    layout->addLayout(gainsLine);
    gainsRows_ = new ReportModel({QStringLiteral("Sold"), QStringLiteral("Ticker"), QStringLiteral("Name"),
                                  QStringLiteral("Shares"), QStringLiteral("Acquired"), QStringLiteral("Proceeds"),
                                  QStringLiteral("Cost"), QStringLiteral("Gain"), QStringLiteral("Term")},
                                 {kGainSold, kGainShares, kGainAcquired, kGainProceeds, kGainCost, kGainGain}, this);
    gainsView_ = reportView(gainsRows_,
                            {QStringLiteral("12/31/2024"), QStringLiteral("WWWWWWWWWW"), QStringLiteral("Name"),
                             QStringLiteral("999,999,999"), QStringLiteral("12/31/2024"),
                             QStringLiteral("$999,999,999.00"), QStringLiteral("$999,999,999.00"),
                             QStringLiteral("($999,999,999.00)"), QStringLiteral("Short")},
                            kGainName, this);
    gainsView_->setObjectName(QStringLiteral("gains"));
    gainsLabel->setBuddy(gainsView_);
    layout->addWidget(gainsView_, 3);
    totals_ = new QLabel(this);
    totals_->setObjectName(QStringLiteral("gainTotals"));
    totals_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(totals_);

    auto *buttons = new QHBoxLayout;
    save_ = new AccessKeyButton(QStringLiteral("&Save Gains as CSV..."), this);
    save_->setObjectName(QStringLiteral("cmdSaveGains"));
    buttons->addWidget(save_);
    buttons->addStretch(1);
    auto *close = new AccessKeyButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(close);
    layout->addLayout(buttons);

    setTabOrder(holdingsView_, year_);
    setTabOrder(year_, gainsView_);
    setTabOrder(gainsView_, save_);
    setTabOrder(save_, close);
    connect(year_, &QComboBox::currentIndexChanged, this, &HoldingsGainsWindow::showYear);
    connect(save_, &QPushButton::clicked, this, &HoldingsGainsWindow::saveGains);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    gainsView_->installEventFilter(this);
    resize(1100, 660);
}

// Delete in the list of gains undoes the sale of its current row.
bool HoldingsGainsWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == gainsView_ && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            undoSale();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void HoldingsGainsWindow::reload()
{
    const Holdings &holdings = report_.holdings();
    holdingsRows_->show(int(holdings.tickers.size()) + 1, [&holdings](int row, int column) -> QString {
        const bool total = std::size_t(row) == holdings.tickers.size();
        const Holding &h = total ? holdings.total : holdings.tickers[std::size_t(row)];
        switch (column) {
        case kHoldTicker:
            return total ? QStringLiteral("Total") : h.ticker;
        case kHoldShares:
            return regional::numberText(h.shares);
        case kHoldCost:
            return money(h.cost) + (h.lotsWithoutCost > 0 ? QStringLiteral(" *") : QString());
        case kHoldAverage:
            return total || !h.averageCost() ? QString() : regional::priceText(*h.averageCost());
        case kHoldLots:
            return QString::number(h.lots);
        case kHoldLong:
            return regional::numberText(h.longShares);
        case kHoldOldest:
            return regional::shortDate(h.oldest);
        default:
            return {};
        }
    }, true);
    const int withoutCost = holdings.total.lotsWithoutCost;
    holdingsNote_->setText(
        withoutCost == 0
            ? QString()
            : QStringLiteral("* Without the cost of %1 that %2 neither a net amount nor a price.")
                  .arg(withoutCost == 1 ? QStringLiteral("1 lot") : QStringLiteral("%1 lots").arg(withoutCost),
                       withoutCost == 1 ? QStringLiteral("has") : QStringLiteral("have")));
    holdingsNote_->setVisible(withoutCost > 0);

    const bool wasAll = started_ && !chosenYear();
    const std::optional<int> was = chosenYear();
    const std::vector<int> &years = report_.years();
    const QSignalBlocker quiet(year_);
    year_->clear();
    year_->addItem(QStringLiteral("All"));
    for (const int y : years)
        year_->addItem(QString::number(y), y);
    // The latest year at first, and once the chosen year has no sales left;
    // All stays All.
    const int kept = wasAll ? 0 : was ? year_->findData(*was) : -1;
    year_->setCurrentIndex(kept >= 0 ? kept : years.empty() ? 0 : 1);
    started_ = true;
    showYear();
}

std::optional<int> HoldingsGainsWindow::chosenYear() const
{
    const QVariant y = year_->currentData();
    return y.isValid() ? std::optional<int>(y.toInt()) : std::nullopt;
}

void HoldingsGainsWindow::showYear()
{
    shown_ = report_.salesIn(chosenYear());
    gainsRows_->show(int(shown_.size()), [this](int row, int column) -> QString {
        const SalePart &s = *shown_[std::size_t(row)];
        switch (column) {
        case kGainSold:
            return regional::shortDate(s.sold);
        case kGainTicker:
            return s.ticker;
        case kGainName:
            return s.name;
        case kGainShares:
            return regional::numberText(s.shares);
        case kGainAcquired:
            return regional::shortDate(s.acquired);
        case kGainProceeds:
            return money(toCents(s.proceeds));
        case kGainCost:
            return money(toCents(s.cost));
        case kGainGain:
            return money(shownGain(s));
        case kGainTerm:
            return s.term;
        default:
            return {};
        }
    });
    const GainTotals totals = gainTotals(shown_);
    totals_->setText(QStringLiteral("Short-term gain: %1      Long-term gain: %2      Total gain: %3")
                         .arg(money(totals.shortTerm), money(totals.longTerm), money(totals.total())));
    if (!shown_.empty())
        gainsView_->selectRow(0);
    updateCommands();
}

void HoldingsGainsWindow::updateCommands()
{
    save_->setEnabled(!shown_.empty());
}

// Asks, then undoes the sale of the current row; a refusal is told with its
// reason. The lists are read again and the row at the same place selected.
void HoldingsGainsWindow::undoSale()
{
    const QModelIndex at = gainsView_->currentIndex();
    if (!at.isValid() || std::size_t(at.row()) >= shown_.size())
        return;
    const SalePart sale = *shown_[std::size_t(at.row())];
    const QString question =
        QStringLiteral("Undo the sale of %1 shares of %2 on %3? The shares and their cost, %4, go back into lot %5.")
            .arg(regional::numberText(sale.shares), sale.ticker, regional::shortDate(sale.sold),
                 money(toCents(sale.cost)))
            .arg(sale.lot);
    if (dialogs_.message(question, Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation) != Dialogs::Answer::Yes)
        return;
    try {
        report_.undo(sale);
    } catch (const Error &e) {
        tellFailure(dialogs_, Deed::UndoSale, e);
        return;
    }
    reload();
    if (!shown_.empty()) {
        gainsView_->selectRow(std::min(at.row(), int(shown_.size()) - 1));
        gainsView_->setFocus(Qt::OtherFocusReason);
    }
}

// Asks for the file, proposing "Tesmo gains <year>.csv" in the folder, and
// writes the sales shown into it.
void HoldingsGainsWindow::saveGains()
{
    if (shown_.empty())
        return;
    const QString folder = folder_.isEmpty() ? QDir::homePath() : folder_;
    const QString path =
        dialogs_.saveFile(QStringLiteral("Save Gains as CSV"), folder + u'/' + gainsFileName(chosenYear()),
                          QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    try {
        const WaitPointer wait(dialogs_);
        report_.save(chosenYear(), path);
    } catch (const Error &e) {
        tellFailure(dialogs_, Deed::SaveGains, e);
    }
}

} // namespace tesmo
