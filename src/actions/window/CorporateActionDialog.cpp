#include "actions/window/CorporateActionDialog.h"

#include "actions/window/ActionRows.h"
#include "platform/DialogTable.h"
#include "platform/ErrorTrap.h"
#include "sales/window/ReportModel.h"
#include "text/FieldRules.h"
#include "text/Regional.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace tesmo {

namespace {

// An action is quick, so a user waits for one sooner than for an export.
constexpr int kShowActionProgressAfterMs = 500;
// The progress is told in these units, whatever the count of lots.
constexpr qint64 kProgressUnits = 1000;

const struct {
    ActionKind kind;
    const char *caption;
} kKinds[] = {
    {ActionKind::Split, "Split or reverse split"},
    {ActionKind::TickerChange, "Ticker or name change"},
    {ActionKind::Merger, "Merger for shares"},
    {ActionKind::CashMerger, "Merger for cash"},
    {ActionKind::SpinOff, "Spin-off"},
    {ActionKind::ReturnOfCapital, "Return of capital"},
};

// The fields each kind needs.
struct Needs {
    bool ratio, names, fractions, cashPerShare, percent;
};

Needs needsOf(ActionKind kind)
{
    // Cash per share is taken for a merger for shares to refuse one for
    // shares and cash.
    const bool cash = kind == ActionKind::Merger || kind == ActionKind::CashMerger
                   || kind == ActionKind::ReturnOfCapital;
    return {takesRatio(kind), namesNewTicker(kind), takesRatio(kind), cash, kind == ActionKind::SpinOff};
}

} // namespace

CorporateActionDialog::CorporateActionDialog(TickerActions &actions, const QString &ticker, Dialogs &dialogs,
                                             QWidget *parent)
    : QDialog(parent)
    , command_(actions)
    , lotTicker_(ticker)
    , dialogs_(dialogs)
{
    setObjectName(QStringLiteral("CorporateAction"));
    setWindowTitle(QStringLiteral("Corporate Action"));
    setModal(true);
    buildFields();
    buildList();
    kindChanged();
    fillTickers(lotTicker_);
    showActions(-1);
    resize(900, 600);
    kind_->setFocus(Qt::OtherFocusReason);
}

void CorporateActionDialog::buildFields()
{
    auto *layout = new QVBoxLayout(this);
    auto *fields = fields_ = new QFormLayout;
    fields->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    ticker_ = new QComboBox(this);
    ticker_->setObjectName(QStringLiteral("ticker"));
    ticker_->setMinimumWidth(180);
    ticker_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    connect(ticker_, &QComboBox::currentIndexChanged, this, [this] { showActions(-1); });
    fields->addRow(QStringLiteral("Tick&er:"), ticker_);
    kind_ = new QComboBox(this);
    kind_->setObjectName(QStringLiteral("kind"));
    for (const auto &k : kKinds)
        kind_->addItem(QString::fromLatin1(k.caption), int(k.kind));
    connect(kind_, &QComboBox::currentIndexChanged, this, &CorporateActionDialog::kindChanged);
    fields->addRow(QStringLiteral("&Kind:"), kind_);
    const auto box = [&](const char *name, const char *placeholder) {
        auto *b = new QLineEdit(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setMinimumWidth(180);
        b->setPlaceholderText(QString::fromUtf8(placeholder));
        return b;
    };
    date_ = box("date", "M/D/YYYY");
    date_->setText(regional::shortDate(QDate::currentDate()));
    fields->addRow(QStringLiteral("&Date:"), date_);
    ratio_ = box("ratio", "4 for 1");
    fields->addRow(QStringLiteral("R&atio:"), ratio_);
    newTicker_ = box("newTicker", "");
    fields->addRow(QStringLiteral("New &ticker:"), newTicker_);
    newName_ = box("newName", "");
    fields->addRow(QStringLiteral("New &name:"), newName_);
    fractions_ = new QCheckBox(QStringLiteral("Cash for &fractions"), this);
    fractions_->setObjectName(QStringLiteral("fractions"));
    connect(fractions_, &QCheckBox::toggled, this, &CorporateActionDialog::kindChanged);
    fractionCash_ = box("fractionCash", "in all");
    fractionAmount_ = new QLabel(QStringLiteral("A&mount:"), this);
    fractionAmount_->setBuddy(fractionCash_);
    auto *fractionRow = new QHBoxLayout;
    fractionRow->addWidget(fractionAmount_);
    fractionRow->addWidget(fractionCash_);
    fields->addRow(fractions_, fractionRow);
    cashPerShare_ = box("cashPerShare", "");
    fields->addRow(QStringLiteral("Cash &per share:"), cashPerShare_);
    percent_ = box("percent", "");
    fields->addRow(QStringLiteral("Percent of c&ost:"), percent_);
    layout->addLayout(fields);

    auto *buttons = new QHBoxLayout;
    record_ = new QPushButton(QStringLiteral("&Record"), this);
    record_->setObjectName(QStringLiteral("record"));
    record_->setDefault(true);
    connect(record_, &QPushButton::clicked, this, &CorporateActionDialog::recordAction);
    buttons->addWidget(record_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
}

void CorporateActionDialog::buildList()
{
    auto *layout = static_cast<QVBoxLayout *>(this->layout());
    auto *label = actionsLabel_ = new QLabel(this);
    layout->addWidget(label);
    actionRows_ = new ReportModel(actionHeadings(), {kActionLots}, this);
    actionsView_ = new QTableView(this);
    actionsView_->setObjectName(QStringLiteral("actions"));
    actionsView_->setModel(actionRows_);
    actionsView_->setSelectionMode(QAbstractItemView::SingleSelection);
    actionsView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    actionsView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUpDialogTable(actionsView_, {85, 130, 330, 60});
    // The figures take the room left; the count of lots is short.
    actionsView_->horizontalHeader()->setStretchLastSection(false);
    actionsView_->horizontalHeader()->setSectionResizeMode(kActionFigures, QHeaderView::Stretch);
    actionsView_->installEventFilter(this);
    label->setBuddy(actionsView_);
    layout->addWidget(actionsView_, 1);
    connect(actionsView_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { showLotsOf(current.row()); });

    auto *lotsLabel = new QLabel(QStringLiteral("&Lots of the action:"), this);
    layout->addWidget(lotsLabel);
    lotRows_ = new ReportModel(actionLotHeadings(), {kLotSharesBefore, kLotShares, kLotCostBefore, kLotCost, kLotGain},
                               this);
    lotsView_ = new QTableView(this);
    lotsView_->setObjectName(QStringLiteral("actionLots"));
    lotsView_->setModel(lotRows_);
    lotsView_->setSelectionMode(QAbstractItemView::SingleSelection);
    lotsView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    setUpDialogTable(lotsView_, {90, 70, 85, 100, 100, 100, 100, 90});
    lotsLabel->setBuddy(lotsView_);
    layout->addWidget(lotsView_, 1);

    auto *buttons = new QDialogButtonBox(this);
    undo_ = buttons->addButton(QStringLiteral("&Undo Action"), QDialogButtonBox::ActionRole);
    undo_->setObjectName(QStringLiteral("undoAction"));
    undo_->setAutoDefault(false);
    connect(undo_, &QPushButton::clicked, this, &CorporateActionDialog::undoChosen);
    QPushButton *close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
    close->setObjectName(QStringLiteral("close"));
    close->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    QWidget *order[] = {ticker_, kind_,          date_,    ratio_,  newTicker_,  newName_,   fractions_, fractionCash_,
                        cashPerShare_,  percent_, record_, actionsView_, lotsView_, undo_,      close};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void CorporateActionDialog::kindChanged()
{
    const Needs needs = needsOf(ActionKind(kind_->currentData().toInt()));
    ratio_->setEnabled(needs.ratio);
    newTicker_->setEnabled(needs.names);
    newName_->setEnabled(needs.names);
    fractions_->setEnabled(needs.fractions);
    fractionCash_->setEnabled(needs.fractions && fractions_->isChecked());
    cashPerShare_->setEnabled(needs.cashPerShare);
    percent_->setEnabled(needs.percent);
    for (QWidget *box : {ratio_, newTicker_, newName_, cashPerShare_, percent_})
        fields_->labelForField(box)->setEnabled(box->isEnabled());
    fractionAmount_->setEnabled(fractionCash_->isEnabled());
}

void CorporateActionDialog::fillTickers(const QString &shown)
{
    QString first = lotTicker_;
    try {
        first = command_.currentTicker();
    } catch (const Error &) {
        // The ticker the dialog opened on stays first.
    }
    QStringList tickers{first};
    for (const QString &t : command_.actionTickers())
        if (!sameTicker(t, first))
            tickers << t;
    const auto at = std::find_if(tickers.cbegin(), tickers.cend(),
                                 [&shown](const QString &t) { return sameTicker(t, shown); });
    const int chosen = at == tickers.cend() ? int(tickers.size()) : int(at - tickers.cbegin());
    if (at == tickers.cend())
        tickers << shown;
    const QSignalBlocker quiet(ticker_);
    ticker_->clear();
    ticker_->addItems(tickers);
    ticker_->setCurrentIndex(chosen);
}

QString CorporateActionDialog::chosenTicker() const
{
    return ticker_->currentText();
}

ActionRequest CorporateActionDialog::request() const
{
    ActionRequest r;
    r.kind = ActionKind(kind_->currentData().toInt());
    r.ticker = chosenTicker();
    const std::optional<QDate> day = regional::readDate(date_->text());
    if (!day)
        throw ActionRefusal(ActionField::Day,
                            QStringLiteral("Please Enter the Date of the action as M/D/YYYY, such as 6/3/2024."));
    r.day = *day;
    const Needs needs = needsOf(r.kind);
    if (needs.ratio)
        r.ratio = ratio_->text();
    if (needs.names)
        r.newTicker = newTicker_->text(), r.newName = newName_->text();
    if (needs.percent)
        r.percent = percent_->text();
    if (needs.fractions && fractions_->isChecked()) {
        r.cashForFractions = true;
        r.cash = fractionCash_->text();
    }
    if (r.kind == ActionKind::Merger)
        r.cashPerShare = cashPerShare_->text();
    else if (needs.cashPerShare)
        r.cash = cashPerShare_->text();
    return r;
}

void CorporateActionDialog::recordAction()
{
    try {
        CorporateAction planned;
        {
            WaitPointer wait(dialogs_);
            planned = command_.plan(request(), QDate::currentDate());
        }
        // An action that takes more than half a second shows its progress,
        // and Cancel stops it with nothing recorded.
        const auto progress = dialogs_.progress(QStringLiteral("Recording %1...").arg(actionPhrase(planned)),
                                                kProgressUnits, kShowActionProgressAfterMs);
        recorded_ = command_.record(planned, [&progress](qint64 done, qint64 total) {
            return progress->advance(total > 0 ? done * kProgressUnits / total : 0);
        });
        progress->finish();
    } catch (const ActionRefusal &refusal) {
        refuse(refusal);
        return;
    } catch (const Error &e) {
        if (e.number() != kErrUserCancelled)
            tellFailure(dialogs_, Deed::RecordAction, e);
        return;
    }
    accept();
}

void CorporateActionDialog::refuse(const ActionRefusal &refusal)
{
    dialogs_.message(refusal.description(), Dialogs::Buttons::Ok, Dialogs::Icon::Information);
    QWidget *field = kind_;
    switch (refusal.field()) {
    case ActionField::Kind:
        break;
    case ActionField::Day:
        field = date_;
        break;
    case ActionField::Ratio:
        field = ratio_;
        break;
    case ActionField::NewTicker:
        field = newTicker_;
        break;
    case ActionField::NewName:
        field = newName_;
        break;
    case ActionField::Cash:
        // A merger refused for its cash per share, else the cash typed.
        field = fractionCash_->isEnabled() && !(cashPerShare_->isEnabled() && !cashPerShare_->text().trimmed().isEmpty())
                    ? fractionCash_
                    : cashPerShare_;
        break;
    case ActionField::Percent:
        field = percent_;
        break;
    }
    field->setFocus(Qt::OtherFocusReason);
    if (auto *box = qobject_cast<QLineEdit *>(field))
        box->selectAll();
}

void CorporateActionDialog::showActions(int chosen)
{
    QString ticker = chosenTicker();
    actionsLabel_->setText(QStringLiteral("Act&ions of %1:").arg(ticker.replace(u'&', QStringLiteral("&&"))));
    actions_ = command_.actionsOf(chosenTicker());
    actionRows_->show(int(actions_.size()), [this](int row, int column) -> QString {
        return actionCell(actions_[std::size_t(row)], column);
    });
    const int row = actions_.empty() ? -1 : std::clamp(chosen < 0 ? int(actions_.size()) - 1 : chosen, 0,
                                                       int(actions_.size()) - 1);
    if (row >= 0)
        actionsView_->setCurrentIndex(actionRows_->index(row, 0));
    showLotsOf(row);
    undo_->setEnabled(row >= 0);
}

void CorporateActionDialog::showLotsOf(int row)
{
    if (row < 0 || std::size_t(row) >= actions_.size()) {
        lotRows_->show(0, {});
        return;
    }
    const CorporateAction *a = &actions_[std::size_t(row)];
    lotRows_->show(int(a->lots.size()), [a](int r, int column) -> QString {
        return actionLotCell(a->lots[std::size_t(r)], column);
    });
}

void CorporateActionDialog::undoChosen()
{
    const int row = actionsView_->currentIndex().row();
    if (row < 0 || std::size_t(row) >= actions_.size())
        return;
    const CorporateAction action = actions_[std::size_t(row)];
    int next = row > 0 ? row - 1 : 0;
    try {
        command_.checkUndo(action);
        const QString question = QStringLiteral("Undo %1 (%2)?")
                                     .arg(actionPhrase(action), regional::counted(lotsReached(action), "lot", "lots"));
        if (dialogs_.message(question, Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation) != Dialogs::Answer::Yes)
            return;
        const auto progress = dialogs_.progress(QStringLiteral("Undoing %1...").arg(actionPhrase(action)),
                                                kProgressUnits, kShowActionProgressAfterMs);
        command_.undo(action, [&progress](qint64 done, qint64 total) {
            return progress->advance(total > 0 ? done * kProgressUnits / total : 0);
        });
        progress->finish();
        // A ticker change or a merger undone leaves its new ticker with
        // nothing: the lots are the old ticker's again, and so is the dialog.
        QString shown = chosenTicker();
        if (!command_.holdsLots(shown) && command_.actionsOf(shown).empty() && command_.holdsLots(action.ticker)) {
            shown = action.ticker;
            next = -1;
        }
        fillTickers(shown);
    } catch (const Error &e) {
        if (e.number() != kErrUserCancelled)
            tellFailure(dialogs_, Deed::UndoAction, e);
    }
    showActions(next);
    actionsView_->setFocus(Qt::OtherFocusReason);
}

// Delete in the list of actions undoes the one chosen.
bool CorporateActionDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == actionsView_ && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        undoChosen();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace tesmo
