// Deleting the current lot after a question that names it.
#include "mainwin/frmStocks.h"

#include "platform/Regional.h"
#include "store/FieldRules.h"

#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace tesmo {

namespace {

// A box's text as a 32-bit whole number, rounded half to even; 13 otherwise.
std::int32_t roundedWholeNumber(const QString &text)
{
    const auto value = numberFromText(text.trimmed());
    if (!value || std::fabs(*value) > 2147483647.0)
        throw StoreError(kErrTypeMismatch);
    return std::int32_t(std::nearbyint(*value));   // the default rounding mode is to even
}

} // namespace

// The question names the lot as the file holds it: that is the lot the
// delete removes, whatever unsaved text the boxes show.
QString frmStocks::DeleteMessage() const
{
    const RecordStore &rs = *data1_;
    const std::int32_t shares = roundedWholeNumber(rs.Fields(kNumShares));
    const auto date = regional::readDate(rs.Fields(kTradeDate));
    if (!date)
        throw StoreError(kErrTypeMismatch);
    QString text = QStringLiteral("Are you sure you want to PERMENANTLY delete from the database the ")
                   + QString::number(shares) + QStringLiteral(" share");
    if (shares != 1)
        text += QLatin1Char('s');
    text += QStringLiteral(" of ") + rs.Fields(kTicker) + QStringLiteral(" you bought on ")
            + regional::shortDate(*date) + QLatin1Char('?');
    return text;
}

void frmStocks::cmdDelete_Click()
{
    trap(" Source : frmStocks cmdDelete_Click", [this] {
        RecordStore &rs = Data1();
        const Bookmark current = rs.getBookmark();
        if (!current)
            throw StoreError(kErrNoCurrentLot);
        const LotId id = *current;
        const int position = rs.AbsolutePosition();
        const auto answer = dialogs_.message(DeleteMessage(), Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation);
        if (answer != Dialogs::Answer::Yes)
            return;
        rs.Delete();
        rs.MovePrevious();
        if (position == 0)
            rs.MoveNext();
        if (rs.AbsolutePosition() == -1) {
            rs.AddNew();
            txtFields[kName1]->setFocus(Qt::OtherFocusReason);
            cmdDelete->setEnabled(false);
            cmdAdd->setEnabled(false);
            cmdSplit->setEnabled(false);
        }
        cmdFind->setEnabled(rs.RecordCount() > 2);
        showRecordNumber();
        txtCount->setText(QString::number(txtCount->text().toInt() - 1));
        RefreshList(id);
        RefreshList2(id);
        if (rs.AbsolutePosition() != -1)
            HighlightLists();
        if (selectedRows_->rows() == 0)
            cmddeselect->setEnabled(false);
        FixNavigation();
        FormatCurrFields();
        cmdUndo->setEnabled(false);
        cmdSave->setEnabled(false);
    });
}

void frmStocks::RefreshList(LotId lngID)
{
    const int row = masterRows_->rowOfId(QString::number(lngID));
    if (row >= 0)
        masterRows_->removeLotRow(row);
}

void frmStocks::RefreshList2(LotId lngID)
{
    const int row = selectedRows_->rowOfId(QString::number(lngID));
    if (row >= 0)
        selectedRows_->removeLotRow(row);
}

} // namespace tesmo
