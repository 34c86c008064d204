// Finding lots by ticker: the first lot of a ticker, and on repeated finds of
// the current lot's ticker the next one, wrapping to the first. Tickers are
// compared by one case fold throughout.
#include "mainwin/frmStocks.h"

#include "text/FieldRules.h"

#include <QLineEdit>

namespace tesmo {

namespace {

bool isCancelled(int number)
{
    return number == kErrCancelled;   // the field rules have shown their message
}

} // namespace

void frmStocks::cmdFind_Click()
{
    command("Source : frmStocks cmdFind_Click", [this] {
        const QString answer = dialogs_.input(QStringLiteral("Enter Ticker Symbol"), QStringLiteral("Find"));
        if (answer.isEmpty())
            return;
        FindByTicker(answer);
    });
}

bool frmStocks::FindByTicker(const QString &strTicker)
{
    bool found = true;
    const bool ran = trap(
        "Source : FindByTicker",
        [&] {
            RecordStore &rs = *data1_;
            const Bookmark before = rs.getBookmark();
            if (sameTicker(strTicker, txtFields[kTicker]->text())) {
                found = FindNextByTicker(strTicker);
            } else {
                rs.FindFirst(FindCriteria::byTicker(strTicker));
                if (rs.NoMatch()) {
                    rs.setBookmark(before);
                    dialogs_.message(strTicker + QStringLiteral(" Not Found"), Dialogs::Buttons::Ok,
                                     Dialogs::Icon::Information);
                    found = false;
                    return;
                }
            }
            HighlightLists();
        },
        isCancelled);
    return ran && found;
}

bool frmStocks::FindNextByTicker(const QString &strTicker)
{
    return trap(
        "Source : FindNextByTicker",
        [&] {
            RecordStore &rs = *data1_;
            const FindCriteria criteria = FindCriteria::byTicker(strTicker);
            rs.FindNext(criteria);
            if (rs.NoMatch())
                rs.FindFirst(criteria);
        },
        isCancelled);
}

} // namespace tesmo
