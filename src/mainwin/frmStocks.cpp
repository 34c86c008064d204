#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"
#include "platform/AccessKeys.h"
#include "platform/ErrorTrap.h"
#include "split/Split.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

namespace tesmo {

frmStocks::frmStocks(Platform platform, QWidget *parent)
    : QWidget(parent)
    , platform_(platform)
    , dialogs_(platform.dialogs)
{
    buildControls();
    binding_ = std::make_unique<BoxBinding>(txtFields);
    data1_ = std::make_unique<RecordStore>(QString::fromUtf8(kDatabaseName), *binding_);
    masterRows_->show(&data1_->rows());
    selectedRows_->show(&data1_->rows());
    data1_->setEvents({
        [this](int &action, bool &save) { Data1_Validate(action, save); },
        [this] { Data1_Reposition(); },
        [this](const Error &e) { Data1_Error(e.number(), e.description()); },
        [this](LotId id) { lotVanished(id); },
    });
    commands_ = new LedgerCommands(platform, *data1_,
                                   {this,
                                    [this](const char *tag, Deed deed, const std::function<void()> &body) {
                                        attempt(tag, deed, body);
                                    },
                                    [this] { showLots(); }, [this] { moveIntoGap(); }, [this] { loadLedger(); }},
                                   this);
    wireEvents();
}

// The lists let go of the lots before the store and the selection's lots go.
frmStocks::~frmStocks()
{
    commands_->stopDailyCopy();
    masterRows_->show(nullptr);
    selectedRows_->show(nullptr);
}

void frmStocks::wireEvents()
{
    for (int i = 0; i < kFieldCount; ++i) {
        QLineEdit *box = txtFields[std::size_t(i)];
        connect(box, &QLineEdit::textChanged, this, [this, i] { txtFields_Change(i); });
    }
    const std::pair<QPushButton *, void (frmStocks::*)()> clicks[] = {
        {cmdClose, &frmStocks::cmdClose_Click},   {cmdNext, &frmStocks::cmdNext_Click},
        {cmdPrev, &frmStocks::cmdPrev_Click},     {cmdAdd, &frmStocks::cmdAdd_Click},
        {cmdUndo, &frmStocks::cmdUndo_Click},     {cmdSave, &frmStocks::cmdSave_Click},
        {cmdDelete, &frmStocks::cmdDelete_Click}, {cmdFind, &frmStocks::cmdFind_Click},
        {cmdSelect, &frmStocks::cmdSelect_Click}, {cmddeselect, &frmStocks::cmddeselect_Click},
        {cmdSplit, &frmStocks::cmdSplit_Click},   {cmdExport, &frmStocks::cmdExport_Click},
        {cmdOptions, &frmStocks::cmdOptions_Click}, {cmdHelp, &frmStocks::cmdHelp_Click},
    };
    for (const auto &[button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);
    ListView1->onPick = [this](int row) { ListView1_Click(row); };
    ListView2->onPick = [this](int row) { ListView2_Click(row); };
    ListView1->onKeyDown = [this](int code) { ListView1_KeyDown(code); };
    ListView2->onKeyDown = [this](int code) { ListView2_KeyDown(code); };
    ListView1->onDoubleClick = [this] { ListView1_DblClick(); };
    ListView2->onDoubleClick = [this] { ListView2_DblClick(); };
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &frmStocks::windowActivated);
    for (QLineEdit *box : txtFields)
        box->installEventFilter(this);   // their keys and loss of focus
    ListView1->onContextMenu = [this](const QPoint &at) { commands_->contextMenu(at); };
    commands_->attach();
}

bool frmStocks::trap(const char *sourceTag, const std::function<void()> &body, const std::function<bool(int)> &silent)
{
    return errorTrap(dialogs_, QString::fromUtf8(sourceTag), [&] { runInUserWords(body); },
                     [&](int number) { return silent && silent(number); });
}

void frmStocks::command(const char *sourceTag, const std::function<void()> &body,
                        const std::function<bool(int)> &silent)
{
    const int before1 = ListView1->selectedRow();
    const int before2 = ListView2->selectedRow();
    trap(sourceTag, body, silent);
    reportVanishedLots();
    updateCommands();
    // A row the command selected is shown, wherever the list was scrolled.
    if (ListView1->selectedRow() != before1)
        ListView1->scrollToSelectedRow();
    if (ListView2->selectedRow() != before2)
        ListView2->scrollToSelectedRow();
    warnAboutUnfitLot();
}

void frmStocks::attempt(const char *sourceTag, Deed deed, const std::function<void()> &body)
{
    command(sourceTag, [&] {
        try {
            body();
        } catch (const Error &e) {
            if (e.number() != kErrCancelled)
                tellFailure(dialogs_, deed, e);
        }
    });
}

void frmStocks::showLots()
{
    HighlightLists();
    updateCommands();
    ListView1->scrollToSelectedRow();
}

frmStocks::EditState frmStocks::editState() const
{
    const bool typed = binding_->anyChanged();
    if (data1_->EditMode() == kEditAdd) {
        if (typed)
            return EditState::NewTyped;
        return glbCurrRecord ? EditState::NewUntouched : EditState::NewFirstLot;
    }
    return typed ? EditState::Changed : EditState::Browsing;
}

void frmStocks::updateCommands()
{
    const RecordStore &rs = *data1_;
    const int position = rs.AbsolutePosition();
    const int count = rs.RecordCount();
    const bool browsing = rs.EditMode() != kEditAdd;
    const bool onLot = browsing && position >= 0;
    const EditState state = editState();

    cmdSave->setEnabled(state == EditState::Changed || state == EditState::NewTyped);
    cmdUndo->setEnabled(state != EditState::Browsing && state != EditState::NewFirstLot);
    cmdUndo->setText(state == EditState::NewUntouched ? QStringLiteral("&Cancel") : QStringLiteral("&Undo"));
    for (QPushButton *b : {cmdAdd, cmdDelete, cmdSplit, cmdSelect})
        b->setEnabled(onLot);
    cmdFind->setEnabled(browsing && count >= 3);
    cmdPrev->setEnabled(onLot && position > 0);
    cmdNext->setEnabled(onLot && position + 1 < count);
    cmddeselect->setEnabled(browsing && selectedRows_->rows() > 0);
    ListView1->setEnabled(browsing);
    ListView2->setEnabled(browsing);

    txtRecNum->setText(QString::number(position + 1));
    txtCount->setText(QString::number(count));
    if (position >= 0 && ListView1->selectedRow() != position)
        ListView1->selectRow(position);
}

// A lot whose stored values the window cannot take as they are (written by
// another tool) is shown as well as it can be; the user is told once each
// time it becomes current, so that it can be corrected or deleted.
void frmStocks::warnAboutUnfitLot()
{
    const StoredLot *lot = data1_->current();
    if (!lot || data1_->EditMode() == kEditAdd) {
        warnedLot_.reset();
        return;
    }
    if (warnedLot_ == lot->id())
        return;
    warnedLot_.reset();
    const QStringList unfit = lot->unfitFields();
    if (unfit.isEmpty())
        return;
    warnedLot_ = lot->id();
    dialogs_.message(QStringLiteral("This lot holds a value that Tesmo cannot take as it is stored (%1). "
                                    "Correct it and save the lot, or delete the lot.")
                         .arg(unfit.join(QStringLiteral(", "))),
                     Dialogs::Buttons::Ok, Dialogs::Icon::Information);
}

void frmStocks::txtFields_Change(int Index)
{
    Q_UNUSED(Index);
    if (opened_ && !binding_->filling())
        updateCommands();
}

bool frmStocks::eventFilter(QObject *watched, QEvent *event)
{
    for (int i = 0; i < kFieldCount; ++i) {
        if (watched != txtFields[std::size_t(i)])
            continue;
        if (event->type() == QEvent::KeyPress) {
            const auto *keyEvent = static_cast<QKeyEvent *>(event);
            if (isAccessKey(*keyEvent))
                return true;   // an access key no enabled button took
            const int key = keyEvent->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                txtFields_KeyPress(i, kKeyEnter);
                return true;
            }
            if (key == Qt::Key_Escape) {
                txtFields_KeyPress(i, kKeyEscape);
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            // Only a move of the focus to another control of the program
            // counts; switching windows or opening a menu does not.
            const auto reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                txtFields_LostFocus(i);
        }
        break;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tesmo
