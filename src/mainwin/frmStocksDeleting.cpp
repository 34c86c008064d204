// Deleting the current lot after a question that names it.
#include "mainwin/frmStocks.h"

#include "text/Regional.h"

#include <QLineEdit>
#include <cmath>

namespace tesmo {

namespace {

// The number of shares rounded to a whole number, half to even, in plain
// digits; a value that is no number at all is named as it is shown.
QString wholeShares(const StoredLot &lot, bool &one)
{
    const auto shares = lot.shares();
    one = false;
    if (!shares || !std::isfinite(*shares) || std::fabs(*shares) >= 9.0e18)
        return lot.boxTexts()[kNumShares];
    const long long whole = std::llrint(*shares);   // the default rounding mode is to even
    one = whole == 1;
    return QString::number(whole);
}

} // namespace

// The question names the lot as the file holds it: that is the lot the
// delete removes, whatever unsaved text the boxes show.
QString frmStocks::DeleteMessage() const
{
    const StoredLot *lot = data1_->current();
    if (!lot)
        throw Error(kErrNoCurrentLot);
    bool one = false;
    QString text = QStringLiteral("Are you sure you want to PERMENANTLY delete from the database the ")
                   + wholeShares(*lot, one) + QStringLiteral(" share");
    if (!one)
        text += QLatin1Char('s');
    const FieldTexts shown = lot->boxTexts();
    text += QStringLiteral(" of ") + shown[kTicker] + QStringLiteral(" you bought on ") + shown[kTradeDate]
            + QLatin1Char('?');
    return text;
}

// After the delete the lot before the deleted one is current, or the new
// first lot when the first was deleted; deleting the only lot starts a new
// one. A delete that fails in the file changes nothing.
void frmStocks::cmdDelete_Click()
{
    command(" Source : frmStocks cmdDelete_Click", [this] {
        RecordStore &rs = *data1_;
        if (!rs.getBookmark())
            throw Error(kErrNoCurrentLot);
        const auto answer = dialogs_.message(DeleteMessage(), Dialogs::Buttons::YesNo, Dialogs::Icon::Exclamation);
        if (answer != Dialogs::Answer::Yes)
            return;
        rs.Delete();
        moveIntoGap();
    });
}

void frmStocks::moveIntoGap()
{
    RecordStore &rs = *data1_;
    rs.MovePrevious();
    if (rs.AbsolutePosition() == -1)
        rs.MoveNext();
    if (rs.AbsolutePosition() == -1) {
        glbCurrRecord.reset();
        rs.AddNew();
        txtFields[kName1]->setFocus(Qt::OtherFocusReason);
    } else {
        HighlightLists();
    }
}

} // namespace tesmo
