#include "sales/window/SellSharesDialog.h"

#include "platform/DialogTable.h"
#include "platform/ErrorTrap.h"
#include "sales/Cents.h"
#include "sales/SaleWords.h"
#include "sales/window/SaleLotsModel.h"
#include "text/FieldRules.h"
#include "text/Limits.h"
#include "text/Regional.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>
#include <numeric>

namespace tesmo {

namespace {

// A sale is quick, so a user waits for one sooner than for an export.
constexpr int kShowSaleProgressAfterMs = 500;

} // namespace

SellSharesDialog::SellSharesDialog(ShareSale &sale, Dialogs &dialogs, QWidget *parent)
    : QDialog(parent)
    , sale_(sale)
    , dialogs_(dialogs)
{
    lots_ = new SaleLotsModel(sale, this);
    buildControls(sale.ticker());
    replan();
}

void SellSharesDialog::buildControls(const QString &ticker)
{
    setObjectName(QStringLiteral("SellShares"));
    setWindowTitle(QStringLiteral("Sell Shares of %1").arg(ticker));
    setModal(true);
    auto *layout = new QVBoxLayout(this);

    auto *fields = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    const auto addBox = [&](const char *caption, const char *name) {
        auto *box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setMinimumWidth(180);
        box->installEventFilter(this);
        fields->addRow(QString::fromUtf8(caption), box);
        return box;
    };
    date_ = addBox("Sale &date:", "saleDate");
    date_->setText(regional::shortDate(QDate::currentDate()));
    shares_ = addBox("S&hares:", "shares");
    proceeds_ = addBox("&Proceeds:", "proceeds");
    proceeds_->setPlaceholderText(QStringLiteral("after fees"));
    method_ = new QComboBox(this);
    method_->setObjectName(QStringLiteral("method"));
    for (const auto &entry : kSaleMethods)
        method_->addItem(QString::fromLatin1(entry.caption), int(entry.method));
    connect(method_, &QComboBox::currentIndexChanged, this, &SellSharesDialog::methodChanged);
    fields->addRow(QStringLiteral("&Method:"), method_);
    layout->addLayout(fields);

    QString listed = ticker;
    auto *lotsLabel = new QLabel(QStringLiteral("&Lots of %1:").arg(listed.replace(u'&', QStringLiteral("&&"))), this);
    layout->addWidget(lotsLabel);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("lots"));
    table_->setModel(lots_);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked
                            | QAbstractItemView::EditKeyPressed);
    setUpDialogTable(table_, {70, 85, 80, 85, 95, 50, 80, 95, 95, 95});
    table_->horizontalHeader()->setHighlightSections(false);
    table_->selectionModel()->setCurrentIndex(lots_->index(0, kSaleLotId), QItemSelectionModel::NoUpdate);
    table_->installEventFilter(this);
    lotsLabel->setBuddy(table_);
    layout->addWidget(table_, 1);
    for (QLineEdit *box : {date_, shares_, proceeds_})
        connect(box, &QLineEdit::textChanged, this, &SellSharesDialog::replan);
    connect(lots_, &SaleLotsModel::typed, this, &SellSharesDialog::replan);

    totals_ = new QLabel(this);
    totals_->setObjectName(QStringLiteral("totals"));
    totals_->setWordWrap(true);
    layout->addWidget(totals_);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *sell = buttons->addButton(QStringLiteral("&Sell"), QDialogButtonBox::AcceptRole);
    sell->setObjectName(QStringLiteral("sell"));
    sell->setDefault(true);
    QPushButton *cancel = buttons->addButton(QDialogButtonBox::Cancel);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SellSharesDialog::sell);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    setTabOrder(date_, shares_);
    setTabOrder(shares_, proceeds_);
    setTabOrder(proceeds_, method_);
    setTabOrder(method_, table_);
    setTabOrder(table_, sell);
    setTabOrder(sell, cancel);
    resize(920, 460);
    date_->setFocus(Qt::OtherFocusReason);
    date_->selectAll();
}

std::vector<SalePart> SellSharesDialog::plan() const
{
    const auto method = SaleMethod(method_->currentData().toInt());
    const QDate sold = regional::readDate(date_->text()).value_or(QDate());
    const QString sharesText = shares_->text();
    const double shares = (IsNumber(sharesText) ? numberFromText(sharesText) : std::nullopt)
                              .value_or(std::numeric_limits<double>::quiet_NaN());
    // The fields are refused in their order: proceeds that do not read are
    // told once the date and the shares are right.
    checkSale(sold, shares);
    const QString proceedsText = proceeds_->text();
    // To the cent, as the box shows the amount once it is left, so that Enter
    // sells for what Tab shows.
    std::optional<Ticks> proceeds = moneyFromText(proceedsText);
    if (proceeds && moneyInRange(*proceeds))
        proceeds = roundToCent(*proceeds);
    if (!proceeds)
        throw SaleRefusal(SaleField::Proceeds, proceedsText.isEmpty() ? QStringLiteral("Must Enter Proceeds")
                                               : IsNumber(AwayFromCurrency(proceedsText))
                                                   ? QStringLiteral("Please Enter Proceeds between $0 and "
                                                                    "$450,000,000,000")
                                                   : QStringLiteral("Please Enter Proceeds as a Number"));
    return sale_.plan(sold, shares, *proceeds, method,
                      method == SaleMethod::Chosen ? lots_->chosen() : ChosenShares{});
}

void SellSharesDialog::replan()
{
    std::vector<SalePart> parts;
    ShareSale::Figures figures;
    QString totals;
    try {
        parts = plan();
        figures = sale_.figures(parts);
        totals = QStringLiteral("Selling ") + saleSummary(figures.line);
    } catch (const Error &e) {
        // Nothing to say while the shares are still to be typed.
        if (!shares_->text().isEmpty())
            totals = e.description();
        parts.clear();
    }
    lots_->showPlan(regional::readDate(date_->text()).value_or(QDate()), parts, figures.rows);
    totals_->setText(totals);
}

// Choosing the lots starts at the current lot, the first listed.
void SellSharesDialog::methodChanged()
{
    const bool choosing = SaleMethod(method_->currentData().toInt()) == SaleMethod::Chosen;
    lots_->setChoosing(choosing);
    if (choosing)
        table_->setCurrentIndex(lots_->index(0, kSaleLotSold));
    replan();
}

void SellSharesDialog::commitTypedCell()
{
    QWidget *editor = QApplication::focusWidget();
    if (!editor || editor == table_ || !table_->isAncestorOf(editor))
        return;
    QAbstractItemDelegate *delegate = table_->itemDelegate();
    emit delegate->commitData(editor);
    emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void SellSharesDialog::sell()
{
    commitTypedCell();
    try {
        const std::vector<SalePart> parts = plan();
        // Enter answers Yes: a question never stops a sale the user meant.
        const QString question = sale_.question(parts, QDate::currentDate());
        if (!question.isEmpty()
            && dialogs_.message(question, Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation) != Dialogs::Answer::Yes)
            return;
        // A sale that takes more than half a second shows its progress, and
        // Cancel stops it with nothing sold.
        const auto progress = dialogs_.progress(QStringLiteral("Selling %1 of %2...")
                                                    .arg(sharesPhrase(std::accumulate(
                                                             parts.begin(), parts.end(), 0.0,
                                                             [](double n, const SalePart &p) { return n + p.shares; })),
                                                         sale_.ticker()),
                                                qint64(parts.size()), kShowSaleProgressAfterMs);
        sale_.sell(parts, [&progress](qint64 done) { return progress->advance(done); });
    } catch (const SaleRefusal &refusal) {
        refuse(refusal);
        return;
    } catch (const Error &e) {
        if (e.number() != kErrUserCancelled)
            tellFailure(dialogs_, Deed::Sell, e);
        // The lots as the sale now offers them: another program's change
        // refused it, and they are read anew.
        lots_->setLots(sale_.lots());
        replan();
        return;
    }
    accept();
}

void SellSharesDialog::refuse(const SaleRefusal &refusal)
{
    dialogs_.message(refusal.description(), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    QLineEdit *box = nullptr;
    switch (refusal.field()) {
    case SaleField::SaleDate:
        box = date_;
        break;
    case SaleField::Shares:
        box = shares_;
        break;
    case SaleField::Proceeds:
        box = proceeds_;
        break;
    case SaleField::LotShares:
    case SaleField::LotCost:
        break;
    }
    if (box) {
        box->setFocus(Qt::OtherFocusReason);
        box->selectAll();
        return;
    }
    // A refusal about one lot: its shares while the lots are chosen, else
    // its price, the figure that is missing.
    const int row = refusal.lot() ? lots_->rowOf(*refusal.lot()) : -1;
    const bool typed = refusal.field() == SaleField::LotShares;
    if (row >= 0)
        table_->setCurrentIndex(lots_->index(row, typed ? kSaleLotSold : kSaleLotPrice));
    table_->setFocus(Qt::OtherFocusReason);
}

// Typing into a box replaces what it held when it took the focus: a box
// selects its text itself when the keyboard brings the focus, and after the
// click that brings it with the mouse; an amount of proceeds typed as a
// plain number is shown as money once the focus leaves.
bool SellSharesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == table_ && event->type() == QEvent::KeyPress) {
        // Enter in a cell being typed into reaches the list, not the dialog.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            sell();
            return true;
        }
    }
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (box && event->type() == QEvent::FocusIn
        && static_cast<QFocusEvent *>(event)->reason() == Qt::MouseFocusReason)
        QTimer::singleShot(0, box, &QLineEdit::selectAll);
    if (box == proceeds_ && event->type() == QEvent::FocusOut && IsNumber(box->text())) {
        if (const auto ticks = parseTicks(box->text()))
            box->setText(regional::netAmountText(*ticks));
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tesmo
