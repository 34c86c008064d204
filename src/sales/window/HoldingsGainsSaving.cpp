// Saving the sales shown: the gains as CSV, and the rows of Form 8949 as CSV
// or TXF under the box the user picks.
#include "sales/window/HoldingsGainsWindow.h"

#include "platform/ErrorTrap.h"
#include "sales/GainsCsv.h"

#include <QDir>
#include <algorithm>

namespace tesmo {

namespace {

// The filters of the save dialog of Form 8949, one a pair of boxes, in the
// order of Form8949Box.
QString boxFilters(const QString &pattern)
{
    return QStringLiteral("Box A and D: basis reported to the IRS (%1);;"
                          "Box B and E: basis not reported to the IRS (%1);;"
                          "Box C and F: no Form 1099-B (%1)")
        .arg(pattern);
}

} // namespace

// Asks for the file, proposing "Tesmo gains <year>.csv" in the folder, and
// writes the sales shown into it.
void HoldingsGainsWindow::saveGains()
{
    if (lines_.empty())
        return;
    const QString folder = folder_.isEmpty() ? QDir::homePath() : folder_;
    const QString path =
        dialogs_.saveFile(QStringLiteral("Save Gains as CSV"), folder + u'/' + gainsFileName(chosenYear()),
                          QStringLiteral("CSV files (*.csv);;All files (*)"));
    if (path.isEmpty())
        return;
    try {
        qsizetype rows = 0;
        {
            const WaitPointer wait(dialogs_);
            rows = report_.save(chosenYear(), path);
        }
        tellSaved(rows, path);
    } catch (const Error &e) {
        tellFailure(dialogs_, Deed::SaveGains, e);
    }
}

// Asks for the file and the box of Form 8949 its rows go under (A and D at
// first), and writes the rows of the sales shown into it.
void HoldingsGainsWindow::saveForm8949(bool txf)
{
    if (lines_.empty())
        return;
    const QString folder = folder_.isEmpty() ? QDir::homePath() : folder_;
    int box = 0;
    const QString path = dialogs_.saveFile(txf ? QStringLiteral("Save as TXF") : QStringLiteral("Save Form 8949"),
                                           folder + u'/' + form8949FileName(chosenYear(), txf),
                                           boxFilters(txf ? QStringLiteral("*.txf") : QStringLiteral("*.csv")), &box);
    if (path.isEmpty())
        return;
    try {
        qsizetype rows = 0;
        {
            const WaitPointer wait(dialogs_);
            rows = report_.saveForm8949(chosenYear(), Form8949Box(std::clamp(box, 0, 2)), txf, path);
        }
        tellSaved(rows, path);
    } catch (const Error &e) {
        tellFailure(dialogs_, Deed::SaveGains, e);
    }
}

void HoldingsGainsWindow::tellSaved(qsizetype rows, const QString &path)
{
    dialogs_.message(QStringLiteral("%1 saved to %2.")
                         .arg(rows == 1 ? QStringLiteral("1 row") : QStringLiteral("%L1 rows").arg(rows),
                              QDir::toNativeSeparators(path)),
                     Dialogs::Buttons::Ok, Dialogs::Icon::Information);
}

} // namespace tesmo
