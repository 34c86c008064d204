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
        FindByTicker(answer);
        ListView1->clearSelectedRow();
        ListView1->selectRow(Data1().AbsolutePosition());
        FormatCurrFields();
        cmdDelete->setEnabled(true);
        cmdSave->setEnabled(false);
        cmdUndo->setEnabled(false);
    });
}

void frmStocks::FindByTicker(const QString &strTicker)
{
    trap("Source : FindByTicker", [&] {
        RecordStore &rs = Data1();
        const Bookmark before = rs.getBookmark();
        const FindCriteria criteria = FindCriteria::byTicker(strTicker);
        if (strTicker.toUpper() == txtFields[kTicker]->text().toUpper()) {
            FindNextByTicker(strTicker);
        } else {
            rs.FindFirst(criteria);
            if (rs.NoMatch()) {
                rs.setBookmark(before);
                dialogs_.message(strTicker + QStringLiteral(" Not Found"), Dialogs::Buttons::Ok,
                                 Dialogs::Icon::Information);
                return;
            }
            showRecordNumber();
            FixNavigation();
        }
        HighlightLists();
    });
}

void frmStocks::FindNextByTicker(const QString &strTicker)
{
    trap("Source : FindNextByTicker", [&] {
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
