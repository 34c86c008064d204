// Setting up the main window on the ledger, choosing the first current lot,
// the events of the record store, activation and closing.
#include "mainwin/frmStocks.h"

#include "mainwin/LotListView.h"
#include "split/Split.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QWindow>

namespace tesmo {

namespace {

// How long after the window opens the daily copy of the ledger starts.
constexpr int kDailyCopyDelayMs = 1500;

} // namespace

void frmStocks::open()
{
    loadLedger();
    reportVanishedLots();
    updateCommands();
    ListView1->scrollToSelectedRow();
    warnAboutUnfitLot();
    // A moment after the window is up, so that the copy of a large ledger
    // does not slow its opening.
    QTimer::singleShot(kDailyCopyDelayMs, commands_, &LedgerCommands::startDailyCopy);
}

void frmStocks::loadLedger()
{
    selectedRows_->show(&data1_->rows());
    glbCurrRecord.reset();
    warnedLot_.reset();
    Form_Initialize();
    opened_ = true;
    if (const QString notice = data1_->notice(); !notice.isEmpty())
        dialogs_.message(notice, Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation);
}

// The first current lot: none on an empty ledger (a new lot is started), the
// only lot, or of several the first whose net amount is empty, else the last.
void frmStocks::Form_Initialize()
{
    trap("Source : frmStocks Form_Initialize", [this] {
        NetAmountBlank = false;
        txtRectangle->lower();
        for (QLabel *caption : Text1)
            caption->raise();

        Form_Load();

        RecordStore &rs = *data1_;
        const int count = rs.RecordCount();
        if (count == 0) {
            glbCurrRecord.reset();
            rs.AddNew();
            return;
        }
        rs.MoveLast();
        rs.MoveFirst();
        if (count >= 2) {
            ListView1->clearSelectedRow();
            rs.FindFirst(FindCriteria::netAmountIsNull());
            if (!rs.NoMatch())
                NetAmountBlank = true;
            else
                rs.MoveLast();
        }
    });
}

void frmStocks::Form_Load()
{
    trap("Source : frmStocks Form_Load", [this] {
        // The binding opens (and, for a new ledger, creates) the file before
        // the list reads it.
        data1_->Open();
        PopulateList();
    });
}

void frmStocks::Form_Activate()
{
    if (NetAmountBlank)
        txtFields[kNetAmount]->setFocus(Qt::ActiveWindowFocusReason);
}

// Form_Activate runs when the window first becomes active, and when it
// becomes active again coming from another window of the program (the split
// dialog); never when a message or input box closes. A moment without any
// active window (another program's turn, or a box just closed) does not
// count as a window of its own.
void frmStocks::windowActivated(QWindow *now)
{
    QWidget *nowWidget = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (now && w->windowHandle() == now)
            nowWidget = w;
    if (!nowWidget)
        return;
    if (nowWidget == this && (!activatedOnce_ || cameFromForm_)) {
        activatedOnce_ = true;
        Form_Activate();
    }
    // Known now: the window may be gone by the time this one is active again.
    cameFromForm_ = nowWidget != this && !isDialogBox(nowWidget);
}

void frmStocks::Data1_Error(int DataErr, const QString &description)
{
    const Error e = inUserWords(Error(DataErr, description));
    dialogs_.message(QStringLiteral("Data error event hit err:") + e.description());
}

void frmStocks::Data1_Reposition()
{
    dialogs_.setWaitPointer(false);
}

void frmStocks::cmdClose_Click()
{
    trap("Source : frmStocks cmdClose_Click", [this] { close(); });
}

// Unloading offers the pending lot to the field rules first: a valid change is
// stored; a refused or failed one keeps the window open with its message, and
// Undo then lets it close.
void frmStocks::closeEvent(QCloseEvent *event)
{
    const bool unloaded = trap(
        "Source : frmStocks Form_Unload", [this] { data1_->Close(kActUnload); },
        [](int number) { return number == kErrCancelled; });
    updateCommands();
    if (!unloaded) {
        event->ignore();
        return;
    }
    if (split_)
        split_->close();
    commands_->stopDailyCopy();
    event->accept();
    emit closed();
}

} // namespace tesmo
