// Setting up the main window on the ledger, choosing the first current lot,
// and closing.
#include "mainwin/frmStocks.h"

#include "platform/ErrorTrap.h"
#include "split/Split.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

void frmStocks::Form_Initialize()
{
    trap("Source : frmStocks Form_Initialize", [this] {
        NetAmountBlank = false;
        txtRectangle->lower();
        for (QLabel *caption : Text1)
            caption->raise();

        Form_Load();

        RecordStore &rs = Data1();
        const int count = rs.RecordCount();
        if (count == 0) {
            rs.AddNew();
            for (QPushButton *b : {cmdDelete, cmdAdd, cmdNext, cmdPrev, cmdSplit, cmdSelect})
                b->setEnabled(false);
        } else {
            rs.MoveLast();
            rs.MoveFirst();
            if (count == 1) {
                cmdDelete->setEnabled(true);
                cmdAdd->setEnabled(true);
                cmdNext->setEnabled(false);
                cmdPrev->setEnabled(false);
            } else {
                ListView1->clearSelectedRow();
                rs.FindFirst(FindCriteria::netAmountIsNull());
                if (!rs.NoMatch()) {
                    NetAmountBlank = true;
                    ListView1->selectRow(rs.AbsolutePosition());
                } else {
                    rs.MoveLast();
                    ListView1->selectRow(ListView1->lots()->rows() - 1);
                }
                cmdDelete->setEnabled(true);
                cmdAdd->setEnabled(true);
                cmdNext->setEnabled(rs.AbsolutePosition() + 1 != rs.RecordCount());
                cmdPrev->setEnabled(rs.AbsolutePosition() != 0);
            }
            if (count >= 3)
                cmdFind->setEnabled(true);
            FormatCurrFields();
        }
        cmdSave->setEnabled(false);
        cmdUndo->setEnabled(false);
        txtCount->setText(QString::number(rs.RecordCount()));
        txtRecNum->setText(QString::number(rs.AbsolutePosition() + 1));
        cmbExport->addItems({QStringLiteral("Spreadsheet"), QStringLiteral("Word Document"),
                             QStringLiteral("Text File")});
        cmbExport->setEditText(QStringLiteral("Text File"));
    });
}

void frmStocks::Form_Load()
{
    trap("Source : frmStocks Form_Load", [this] {
        // The binding opens (and, for a new ledger, creates) the file before
        // the list reads it.
        Data1().Open();
        PopulateList();
    });
}

void frmStocks::Form_Activate()
{
    if (NetAmountBlank)
        txtFields[kNetAmount]->setFocus(Qt::ActiveWindowFocusReason);
}

void frmStocks::Data1_Error(int DataErr, const QString &description, int &Response)
{
    Q_UNUSED(DataErr);
    dialogs_.message(QStringLiteral("Data error event hit err:") + description);
    Response = 0;
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
// stored, a refused one keeps the window open with the rule's message, and an
// untouched empty new lot is dropped.
void frmStocks::closeEvent(QCloseEvent *event)
{
    bool closed = false;
    trap("Source : frmStocks Form_Unload", [&] {
        RecordStore &rs = Data1();
        bool allEmpty = true;
        for (int pos = kName1; pos <= kTradeDate; ++pos)
            allEmpty = allEmpty && txtFields[std::size_t(pos)]->text().isEmpty();
        if (rs.EditMode() == kEditAdd && allEmpty)
            rs.CancelUpdate();
        try {
            rs.Close(kActUnload);
        } catch (const StoreError &e) {
            if (e.number() == kErrCancelled)
                return;   // the rule's message has been shown
            throw;
        }
        closed = true;
    });
    if (!closed) {
        event->ignore();
        return;
    }
    if (split_)
        split_->close();
    event->accept();
}

} // namespace tesmo
