// Random walks through the main window: thousands of short sequences of the
// commands a user has (Next, Previous, clicks, Up/Down, New, typing, Save,
// Undo, Delete) on a small ledger. After every step the master list, the
// counter, the Next and Previous buttons and the file must agree.
#include "support/Lots.h"
#include "support/MainWindow.h"

#include <QRandomGenerator>

using namespace tesmo;
using namespace tesmo::test;

namespace {

// What a user may type into a box: good and bad texts alike.
const QStringList kTexts[kFieldCount] = {
    {},
    {"Name", "", "A longer name"},
    {"AB", "", "O'NEIL"},
    {"5", "2.5", "x", ""},
    {"3.5", "bad", "", "1,000"},
    {"100", "", "-1"},
    {"1/2/2003", "13/1/2004", "", "2/29/2004"},
};

} // namespace

class BrowsingPropertyTest : public QObject {
    Q_OBJECT

    QString log;   // the steps of the current sequence, for a failure message

    // Checks that the window and the file agree; returns a description of
    // the first disagreement, or nothing.
    static QString disagreement(MainWindow &w)
    {
        RecordStore &rs = w->Data1();
        const LotListModel *rows = w->ListView1->lots();
        if (rows->rows() != rs.RecordCount())
            return QStringLiteral("list has %1 rows, record set %2 lots").arg(rows->rows()).arg(rs.RecordCount());
        QStringList ids;
        for (int i = 0; i < rows->rows(); ++i) {
            const QString id = rows->rowTexts(i)[kColID];
            if (id != QString::number(rs.keys()[std::size_t(i)]))
                return QStringLiteral("row %1 holds lot %2, position %3 is lot %4")
                    .arg(i + 1).arg(id).arg(i).arg(rs.keys()[std::size_t(i)]);
            ids << id;
        }
        const QString inFile = w.folder.query("SELECT group_concat(ID) FROM (SELECT ID FROM qryStocks)");
        if (inFile != (ids.isEmpty() ? QStringLiteral("NULL") : ids.join(QLatin1Char(','))))
            return QStringLiteral("file holds %1, list %2").arg(inFile, ids.join(QLatin1Char(',')));
        if (w->txtCount->text() != QString::number(rs.RecordCount()))
            return QStringLiteral("count box %1").arg(w->txtCount->text());
        if (rs.EditMode() == kEditAdd)
            return {};
        const int pos = rs.AbsolutePosition();
        if (w->txtRecNum->text() != QString::number(pos + 1))
            return QStringLiteral("record box %1 at position %2").arg(w->txtRecNum->text()).arg(pos);
        if (MainWindow::selected(w->ListView1) != pos + 1)
            return QStringLiteral("row %1 selected at position %2").arg(MainWindow::selected(w->ListView1)).arg(pos);
        if (w->cmdNext->isEnabled() != (pos + 1 < rs.RecordCount()))
            return QStringLiteral("Next enabled %1 at position %2").arg(w->cmdNext->isEnabled()).arg(pos);
        if (w->cmdPrev->isEnabled() != (pos > 0))
            return QStringLiteral("Previous enabled %1 at position %2").arg(w->cmdPrev->isEnabled()).arg(pos);
        return {};
    }

    void step(MainWindow &w, QRandomGenerator &random)
    {
        const int action = int(random.bounded(11));
        const int rows = w->ListView1->lots()->rows();
        switch (action) {
        case 0:
            log += " next";
            if (w->cmdNext->isEnabled())
                MainWindow::click(w->cmdNext);
            break;
        case 1:
            log += " prev";
            if (w->cmdPrev->isEnabled())
                MainWindow::click(w->cmdPrev);
            break;
        case 2:
            if (rows > 0) {
                const int row = 1 + int(random.bounded(rows));
                log += QStringLiteral(" click%1").arg(row);
                MainWindow::clickRow(w->ListView1, row);
            }
            break;
        case 3:
        case 4: {
            const bool down = action == 3;
            log += down ? " down" : " up";
            w->ListView1->setFocus();
            QTest::keyClick(w->ListView1, down ? Qt::Key_Down : Qt::Key_Up);
            break;
        }
        case 5:
            log += " new";
            if (w->cmdAdd->isEnabled())
                MainWindow::click(w->cmdAdd);
            break;
        case 6:
        case 7: {
            const int field = 1 + int(random.bounded(6));
            const QString text = kTexts[field][int(random.bounded(kTexts[field].size()))];
            log += QStringLiteral(" type%1'%2'").arg(field).arg(text);
            w.retype(field, text);
            break;
        }
        case 8:
            log += " save";
            if (w->cmdSave->isEnabled())
                MainWindow::click(w->cmdSave);
            break;
        case 9:
            log += " undo";
            if (w->cmdUndo->isEnabled())
                MainWindow::click(w->cmdUndo);
            break;
        case 10:
            log += " delete";
            if (w->cmdDelete->isEnabled()) {
                w.dialogs.answerNext(Dialogs::Answer::Yes);
                MainWindow::click(w->cmdDelete);
            }
            break;
        }
        w.dialogs.takeBoxes();   // rule messages and error boxes are part of the walk
    }

private slots:
    void everyStepKeepsTheWindowAndTheFileInStep()
    {
        const int sequences = qEnvironmentVariableIntValue("TESMO_PROPERTY_SEQUENCES") > 0
                                  ? qEnvironmentVariableIntValue("TESMO_PROPERTY_SEQUENCES")
                                  : 2000;
        const quint32 seed = qEnvironmentVariableIsSet("TESMO_PROPERTY_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("TESMO_PROPERTY_SEED"))
                                 : 20030115u;
        QRandomGenerator random(seed);
        for (int s = 0; s < sequences; ++s) {
            MainWindow w(numberedLots(int(random.bounded(5)), {2}), true);
            log = QStringLiteral("seed %1, sequence %2:").arg(seed).arg(s);
            QString broken = disagreement(w);
            for (int i = 0; i < 12 && broken.isEmpty(); ++i) {
                step(w, random);
                broken = disagreement(w);
            }
            QVERIFY2(broken.isEmpty(), qPrintable(log + " -> " + broken));
            const QStringList faults = w.dialogs.faults();
            QVERIFY2(faults.isEmpty(), qPrintable(log + " -> " + faults.join("; ")));
        }
    }
};

QTEST_MAIN(BrowsingPropertyTest)
#include "tst_browsing_property.moc"
