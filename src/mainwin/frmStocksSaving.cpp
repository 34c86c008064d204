// Saving the pending lot: a changed lot's rows are rewritten in both lists, a
// new lot's row joins the end of the master list.
#include "mainwin/frmStocks.h"

#include "platform/ErrorTrap.h"

#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

namespace {

LotId wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw StoreError(kErrTypeMismatch);
    return value;
}

} // namespace

void frmStocks::cmdSave_Click()
{
    const QString tag = QStringLiteral("Source : frmStocks cmdSave_Click");
    RecordStore &rs = Data1();
    const bool nextWas = cmdNext->isEnabled();
    const bool prevWas = cmdPrev->isEnabled();
    const bool hadPosition = rs.AbsolutePosition() != -1;
    const bool adding = rs.EditMode() == kEditAdd;

    bool stored = errorTrap(
        dialogs_, tag,
        [&] {
            if (rs.EditMode() == kEditNone)
                rs.Edit();
            for (int pos : {int(kNetAmount), int(kPrice)}) {
                if (txtFields[std::size_t(pos)]->text().isEmpty()) {
                    rs.setFieldNull(pos);
                    binding_->setUnchanged(pos);
                }
            }
            rs.Update();
        },
        // A refusal by the field rules has shown its own message.
        [](int number) { return number == kErrCancelled; });
    if (!stored || UpdateFailed)
        return;

    errorTrap(dialogs_, tag, [&] {
        rs.setBookmark(rs.LastModified());
        FormatCurrFields();
        cmdAdd->setEnabled(true);
        cmdDelete->setEnabled(true);
        cmdUndo->setEnabled(false);
        cmdSave->setEnabled(false);
        cmdNext->setEnabled(false);
        cmdSplit->setEnabled(true);
        cmdSelect->setEnabled(true);
        if (rs.RecordCount() > 2)
            cmdFind->setEnabled(true);
        setListsAvailable(true);
        cmdSelect->setEnabled(true);
        if (selectedRows_->rows() > 0)
            cmddeselect->setEnabled(true);
        if (hadPosition)
            cmdPrev->setEnabled(true);
        if (adding) {
            AddToLists(wholeNumber(txtFields[kID]->text()));
            txtCount->setText(QString::number(wholeNumber(txtCount->text()) + 1));
            showRecordNumber();
            ListView1->clearSelectedRow();
            ListView1->selectRow(masterRows_->rows() - 1);
        } else {
            EditLists(wholeNumber(txtFields[kID]->text()));
            cmdPrev->setEnabled(prevWas);
            cmdNext->setEnabled(nextWas);
        }
    });
}

RowTexts frmStocks::rowFromBoxes() const
{
    FieldTexts f;
    for (int pos = 0; pos < kFieldCount; ++pos)
        f[std::size_t(pos)] = txtFields[std::size_t(pos)]->text();
    return rowFromFields(f);
}

void frmStocks::EditLists(LotId lngID)
{
    const QString id = QString::number(lngID);
    const RowTexts row = rowFromBoxes();
    for (LotListModel *list : {static_cast<LotListModel *>(masterRows_), static_cast<LotListModel *>(selectedRows_)}) {
        const int r = list->rowOfId(id);
        if (r >= 0)
            list->setRowTexts(r, row);
    }
}

void frmStocks::AddToLists(LotId lngID)
{
    Q_UNUSED(lngID);   // the row's ID comes from txtFields(0), which holds it
    masterRows_->appendRow(rowFromBoxes());
}

} // namespace tesmo
