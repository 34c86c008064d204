// Finding lots by ticker: the first lot of a ticker, and on repeated finds of
// the current lot's ticker the next one, wrapping to the first.
#include "mainwin/frmStocks.h"

#include <QLineEdit>
#include <QPushButton>

namespace tesmo {

void frmStocks::cmdFind_Click()
{
    trap("Source : frmStocks cmdFind_Click", [this] {
        const QString answer = dialogs_.input(QStringLiteral("Enter Ticker Symbol"), QStringLiteral("Find"));
        if (answer.isEmpty())
            return;
        // When the lot being left could not be stored, it stays current with
        // its change pending, and Save and Undo stay on.
        if (FindByTicker(answer))
            settleOnCurrentLot(true);
    });
}

bool frmStocks::FindByTicker(const QString &strTicker)
{
    bool nextFound = true;
    const bool ran = trap("Source : FindByTicker", [&] {
        RecordStore &rs = Data1();
        const Bookmark before = rs.getBookmark();
        const FindCriteria criteria = FindCriteria::byTicker(strTicker);
        if (strTicker.toUpper() == txtFields[kTicker]->text().toUpper()) {
            nextFound = FindNextByTicker(strTicker);
        } else {
            rs.FindFirst(criteria);
            if (rs.NoMatch()) {
                rs.setBookmark(before);
                settleOnCurrentLot(false);   // the lot looks as it did while the box is up
                dialogs_.message(strTicker + QStringLiteral(" Not Found"), Dialogs::Buttons::Ok,
                                 Dialogs::Icon::Information);
                return;
            }
            showRecordNumber();
            FixNavigation();
        }
        HighlightLists();
    });
    return ran && nextFound;
}

bool frmStocks::FindNextByTicker(const QString &strTicker)
{
    return trap("Source : FindNextByTicker", [&] {
        RecordStore &rs = Data1();
        const FindCriteria criteria = FindCriteria::byTicker(strTicker);
        rs.FindNext(criteria);
        if (rs.NoMatch())
            rs.FindFirst(criteria);
        showRecordNumber();
        FixNavigation();
    });
}

} // namespace tesmo
