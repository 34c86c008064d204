#include "sales/window/HoldingsGainsWindow.h"

#include "platform/AccessKeys.h"
#include "platform/DialogTable.h"
#include "platform/ErrorTrap.h"
#include "sales/window/ReportModel.h"
#include "text/Regional.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QKeyEvent>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace tesmo {

namespace {

enum HoldingsColumn : int {
    kHoldTicker, kHoldShares, kHoldCost, kHoldAdjusted, kHoldAverage, kHoldLots, kHoldLong, kHoldOldest
};
enum GainsColumn : int {
    kGainSold, kGainTicker, kGainName, kGainShares, kGainAcquired, kGainProceeds, kGainCost, kGainCode,
    kGainAdjustment, kGainGain, kGainTerm
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
                                     QStringLiteral("Adjusted Cost"), QStringLiteral("Average Cost"),
                                     QStringLiteral("Lots"), QStringLiteral("Held Over a Year"),
                                     QStringLiteral("Oldest Lot")},
                                    {kHoldShares, kHoldCost, kHoldAdjusted, kHoldAverage, kHoldLots, kHoldLong,
                                     kHoldOldest},
                                    this);
    holdingsView_ = reportView(holdingsRows_,
                               {QStringLiteral("WWWWWWWWWW"), QStringLiteral("999,999,999"),
                                QStringLiteral("$999,999,999.00 *"), QStringLiteral("$999,999,999.00"),
                                QStringLiteral("$99,999.0000"),
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
                                  QStringLiteral("Cost Basis"), QStringLiteral("Code"), QStringLiteral("Adjustment"),
                                  QStringLiteral("Gain"), QStringLiteral("Term")},
                                 {kGainShares, kGainAcquired, kGainProceeds, kGainCost, kGainAdjustment, kGainGain},
                                 this);
    gainsView_ = reportView(gainsRows_,
                            {QStringLiteral("\u25BE 12/31/2024"), QStringLiteral("MMMMMMM"), QStringLiteral("Name"),
                             QStringLiteral("99,999,999"), QStringLiteral("12/31/2024"), QStringLiteral("$99,999,999.00"),
                             QStringLiteral("$99,999,999.00"), QStringLiteral("W"), QStringLiteral("$9,999,999.00"),
                             QStringLiteral("($99,999,999.00)"), QStringLiteral("Mixed")},
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
    save8949_ = new AccessKeyButton(QStringLiteral("Save &Form 8949..."), this);
    save8949_->setObjectName(QStringLiteral("cmdSaveForm8949"));
    buttons->addWidget(save8949_);
    saveTxf_ = new AccessKeyButton(QStringLiteral("Save as &TXF..."), this);
    saveTxf_->setObjectName(QStringLiteral("cmdSaveTxf"));
    buttons->addWidget(saveTxf_);
    buttons->addStretch(1);
    auto *close = new AccessKeyButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(close);
    layout->addLayout(buttons);

    setTabOrder(holdingsView_, year_);
    setTabOrder(year_, gainsView_);
    setTabOrder(gainsView_, save_);
    setTabOrder(save_, save8949_);
    setTabOrder(save8949_, saveTxf_);
    setTabOrder(saveTxf_, close);
    connect(year_, &QComboBox::currentIndexChanged, this, &HoldingsGainsWindow::showYear);
    connect(save_, &QPushButton::clicked, this, &HoldingsGainsWindow::saveGains);
    connect(save8949_, &QPushButton::clicked, this, [this] { saveForm8949(false); });
    connect(saveTxf_, &QPushButton::clicked, this, [this] { saveForm8949(true); });
    connect(gainsView_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &at) { toggle(at.row()); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    gainsView_->installEventFilter(this);
    resize(1240, 660);
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
        // Right, "+" and Enter open a sale into its rows; Left, "-" and Enter
        // close it.
        const int row = gainsView_->currentIndex().row();
        const bool opens = key->key() == Qt::Key_Right || key->key() == Qt::Key_Plus;
        const bool closes = key->key() == Qt::Key_Left || key->key() == Qt::Key_Minus;
        const bool toggles = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (row >= 0 && (opens || closes || toggles) && key->modifiers() == Qt::NoModifier) {
            const bool open = opened_.contains(lines_[shown_[std::size_t(row)].line].saleNo);
            if (toggles || open != opens)
                toggle(row);
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
            return money(h.cost - h.adjustment) + (h.lotsWithoutCost > 0 ? QStringLiteral(" *") : QString());
        case kHoldAdjusted:
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
    lines_ = report_.salesIn(chosenYear());
    showLines();
    if (!shown_.empty())
        gainsView_->selectRow(0);
    const GainTotals totals = gainTotals(lines_, report_.rows());
    totals_->setText(QStringLiteral("Short-term gain: %1      Long-term gain: %2      Total gain: %3")
                         .arg(money(totals.shortTerm), money(totals.longTerm), money(totals.total())));
    updateCommands();
}

// The list shows a line a sale, and under each sale opened its rows for
// taxes, each a piece of a part of it.
void HoldingsGainsWindow::showLines()
{
    shown_.clear();
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        shown_.push_back({i, -1});
        if (opened_.contains(lines_[i].saleNo))
            for (std::size_t r = 0; r < lines_[i].rows.size(); ++r)
                shown_.push_back({i, int(r)});
    }
    gainsRows_->show(int(shown_.size()), [this](int at, int column) -> QString {
        const Shown &entry = shown_[std::size_t(at)];
        const SaleLine &line = lines_[entry.line];
        const std::vector<TaxRow> &rows = report_.rows();
        const TaxRow *row = entry.row >= 0 ? &rows[line.rows[std::size_t(entry.row)]] : nullptr;
        const TaxRow &first = rows[line.rows.front()];
        const bool single = line.rows.size() == 1;
        const bool sameDay = std::all_of(line.rows.begin(), line.rows.end(),
                                         [&](std::size_t r) { return rows[r].acquired == first.acquired; });
        switch (column) {
        case kGainSold:
            if (row)
                return QString();
            return (single ? QString() : opened_.contains(line.saleNo) ? QStringLiteral("\u25BE ")
                                                                       : QStringLiteral("\u25B8 "))
                   + regional::shortDate(line.sold);
        case kGainTicker:
            return row ? QString() : line.ticker;
        case kGainName:
            return row ? QStringLiteral("    Lot %1  %2").arg(report_.partOf(*row).lot).arg(row->name)
                       : single || report_.partOf(first).lot == report_.partOf(rows[line.rows.back()]).lot
                           ? first.name
                           : QStringLiteral("%1 lots").arg(line.lots);
        case kGainShares:
            return regional::numberText(row ? row->shares : line.shares);
        case kGainAcquired:
            return row || sameDay ? regional::shortDate((row ? *row : first).acquired) : QStringLiteral("Various");
        case kGainProceeds:
            return money(row ? row->proceeds : line.proceeds);
        case kGainCost:
            return money(row ? row->costBasis : line.costBasis);
        case kGainCode:
            return (row ? row->wash() : line.wash()) ? QStringLiteral("W") : QString();
        case kGainAdjustment: {
            const Ticks adjustment = row ? row->adjustment : line.adjustment;
            return adjustment > 0 ? money(adjustment) : QString();
        }
        case kGainGain:
            return money(row ? row->gain() : line.gain());
        case kGainTerm:
            return row ? (row->longTerm ? QStringLiteral("Long") : QStringLiteral("Short")) : line.term;
        default:
            return {};
        }
    });
}

// Opens or closes the sale of the list's row at, keeping it current.
void HoldingsGainsWindow::toggle(int at)
{
    if (at < 0 || std::size_t(at) >= shown_.size())
        return;
    const std::size_t line = shown_[std::size_t(at)].line;
    if (lines_[line].rows.size() < 2)
        return;
    const SaleId sale = lines_[line].saleNo;
    if (!opened_.remove(sale))
        opened_.insert(sale);
    showLines();
    const auto first = std::find_if(shown_.begin(), shown_.end(), [&](const Shown &s) { return s.line == line; });
    gainsView_->selectRow(int(first - shown_.begin()));
}

void HoldingsGainsWindow::updateCommands()
{
    save_->setEnabled(!lines_.empty());
    save8949_->setEnabled(!lines_.empty());
    saveTxf_->setEnabled(!lines_.empty());
}

// Undoes the whole sale of the current row, after asking; a sale that cannot
// be undone is told with its reason before anything is asked. The lists are
// read again and the line at the same place selected.
void HoldingsGainsWindow::undoSale()
{
    const QModelIndex at = gainsView_->currentIndex();
    if (!at.isValid() || std::size_t(at.row()) >= shown_.size())
        return;
    const SaleLine sale = lines_[shown_[std::size_t(at.row())].line];
    try {
        report_.checkUndo(sale);
    } catch (const Error &e) {
        tellFailure(dialogs_, Deed::UndoSale, e);
        return;
    }
    if (dialogs_.message(undoQuestion(sale), Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation)
        != Dialogs::Answer::Yes)
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

} // namespace tesmo
