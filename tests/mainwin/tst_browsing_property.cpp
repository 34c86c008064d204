// Random walks through the main window: short sequences of what a user does (moves, clicks, drags
// and keys in the master list, New, typing, Save, Undo, Delete, an import, a restore, a sale and
// its undoing, a corporate action and its undoing) and of another program deleting lots, on a
// small ledger or one longer than the list shows. After every step the list, the counter, the
// buttons, the boxes and the file agree (only rows of lots deleted elsewhere that the window has
// not met may stay), a lot is current whenever the list has rows and no new lot is pending, and a
// newly selected row is in view.
#include "support/ImportPreview.h"
#include "support/MainWindow.h"

#include "store/Backup.h"

#include <QComboBox>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTableView>

using namespace tesmo;
using namespace tesmo::test;

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

// A number's digits alone, read here rather than by the parsers the walk tries: no "$" nor
// thousands separators, "-" for parentheses, no zeros after the last digit after the point.
static QString plainDecimal(QString text)
{
    const bool negative = text.startsWith('(') && text.endsWith(')');
    text.remove(QRegularExpression("[$,()]"));
    if (text.contains('.'))
        text.remove(QRegularExpression("\\.?0*$"));
    if (text.startsWith('.') || text.isEmpty())
        text.prepend('0');
    return negative ? '-' + text : text;
}

// A row's text (M/D/YYYY, $1,234.50 or 1234.5) and the file's value for it say the same thing.
static bool sameValue(int field, const QString &row, const QString &file)
{
    if (file == "NULL")
        return row.isEmpty();
    switch (field) {
    case kTradeDate: {
        const QStringList mdy = row.split('/');
        return mdy.size() == 3 && QDate(mdy[2].toInt(), mdy[0].toInt(), mdy[1].toInt()).toString(Qt::ISODate) == file;
    }
    case kNumShares:
    case kPrice:
    case kNetAmount:
        return plainDecimal(row) == plainDecimal(file);
    default:
        return row == file;
    }
}

class BrowsingPropertyTest : public QObject {
    Q_OBJECT

    QString log;   // the steps of the current sequence, for a failure message
    QStringList deletedElsewhere;   // IDs of lots the other program deleted
    QString stuck;                  // a move's error box about such a lot

    // The first disagreement between the window and the file; empty when none.
    QString disagreement(MainWindow &w) const
    {
        const QStringList lots =
            w.folder.query("SELECT ID, ifnull(Name1, 'NULL'), Ticker, printf('%.15g', NumShares), "
                           "iif(Price IS NULL, 'NULL', printf('%.4f', Price)), "
                           "iif(NetAmount IS NULL, 'NULL', printf('%.4f', NetAmount)), "
                           "TradeDate FROM qryStocks")
                .split('|', Qt::SkipEmptyParts);
        QList<int> shown;   // the rows of lots still in the file
        for (int r = 1; r <= w.rows(1); ++r) {
            if (!deletedElsewhere.contains(w.cell(1, r, 3)))
                shown << r;
        }
        if (!stuck.isEmpty())
            return stuck;
        if (shown.size() != lots.size())
            return QStringLiteral("list has %1 rows of lots in the file, the file %2 lots").arg(shown.size()).arg(lots.size());
        const int columnOf[kFieldCount] = {3, 0, 1, 4, 5, 6, 2};
        for (int i = 0; i < lots.size(); ++i) {
            const QStringList values = lots[i].split(',');
            for (int field = 0; field < kFieldCount; ++field) {
                const QString row = w.cell(1, shown[i], columnOf[field]);
                if (!sameValue(field, row, values[field]))
                    return QStringLiteral("row %1 shows '%2' where the file holds '%3'").arg(shown[i]).arg(row, values[field]);
            }
        }
        const int rows = w.rows(1);
        if (!w.counter().endsWith(" of " + QString::number(rows)))
            return QStringLiteral("counter %1 with %2 rows").arg(w.counter()).arg(rows);
        if (w.list(1)->isEnabled() == false)
            return {};   // a new lot is pending
        const int number = w.counter().section(' ', 0, 0).toInt();
        if (number == 0 && rows > 0)
            return QStringLiteral("no current lot among %1 rows").arg(rows);
        if (w.selected(1) != number)
            return QStringLiteral("row %1 selected with record %2").arg(w.selected(1)).arg(number);
        if (number > 0 && w.cell(1, number, 3) != w.box(kID)->text())
            return QStringLiteral("record %1 shows lot %2").arg(number).arg(w.box(kID)->text());
        if (w.button("cmdNext")->isEnabled() != (number > 0 && number < rows))
            return QStringLiteral("Next enabled %1 at record %2").arg(w.button("cmdNext")->isEnabled()).arg(number);
        if (w.button("cmdPrev")->isEnabled() != (number > 1))
            return QStringLiteral("Previous enabled %1 at record %2").arg(w.button("cmdPrev")->isEnabled()).arg(number);
        return {};
    }

    // Ctrl and the key, once the window is active again; a fault when it does not become so.
    static QString ctrlKey(MainWindow &w, Qt::Key key)
    {
        w.window->activateWindow();
        if (!QTest::qWaitForWindowActive(w.window.get()))
            return QStringLiteral("the window did not become active again");
        QTest::keyClick(w.window.get(), key, Qt::ControlModifier);
        return {};
    }
    // A command by its entry of the master list's menu or by Ctrl and its key, as random picks.
    static QString byMenuOrKey(MainWindow &w, QRandomGenerator &random, const QString &entry, Qt::Key key)
    {
        if (random.bounded(2) != 0)
            return ctrlKey(w, key);
        chooseFromMenu([&] { w.listKey(1, Qt::Key_F10, Qt::ShiftModifier); }, entry);
        return {};
    }

    // A selected row of the master list out of its view; empty when none.
    static QString selectedOutOfView(MainWindow &w)
    {
        QAbstractItemView *v = w.list(1);
        const int row = w.selected(1);
        if (row == 0 || !v->isEnabled()
            || v->visualRect(v->model()->index(row - 1, 0)).intersects(v->viewport()->rect()))
            return {};
        return QStringLiteral("row %1 selected out of view").arg(row);
    }

    // The first and last rows (from 1) that the master list shows; 0 and 0 when it has none.
    static std::pair<int, int> rowsInView(MainWindow &w)
    {
        const QAbstractItemView *v = w.list(1);
        if (w.rows(1) == 0)
            return {0, 0};
        const int last = v->indexAt(QPoint(1, v->viewport()->height() - 1)).row();
        return {v->indexAt(QPoint(1, 1)).row() + 1, last < 0 ? w.rows(1) : last + 1};
    }

    // One action of the user or the other program; gives a row it selected out of view. Clicks
    // and drags go to rows in view, as the user sees them.
    QString step(MainWindow &w, QRandomGenerator &random)
    {
        QString fault;
        const int selectedBefore = w.selected(1);
        const int action = int(random.bounded(20));
        const int rows = w.rows(1);
        const auto [firstInView, lastInView] = rowsInView(w);
        const auto pressIf = [&](const char *name, const char *label) {
            log += label;
            if (w.button(name)->isEnabled())
                w.click(name);
        };
        switch (action) {
        case 0: pressIf("cmdNext", " next"); break;
        case 1: pressIf("cmdPrev", " prev"); break;
        case 2:
            if (rows > 0) {
                const int row = firstInView + int(random.bounded(lastInView - firstInView + 1));
                log += QStringLiteral(" click%1").arg(row);
                w.clickRow(1, row);
            }
            break;
        case 3:
        case 4: {
            const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_Up,       Qt::Key_Home,
                                    Qt::Key_End,  Qt::Key_PageDown, Qt::Key_PageUp};
            const Qt::Key k = keys[random.bounded(6)];
            const bool ctrl = random.bounded(2) == 1;
            log += QStringLiteral(" key%1%2").arg(ctrl ? "^" : "").arg(int(k), 0, 16);
            w.listKey(1, k, ctrl ? Qt::ControlModifier : Qt::NoModifier);
            fault = selectedOutOfView(w);
            break;
        }
        case 5: {
            // A press on one row, a drag and a release on another, or below the last row.
            log += " drag";
            QAbstractItemView *v = w.list(1);
            const QPoint from = v->visualRect(v->model()->index(std::max(firstInView - 1, 0), 0)).center();
            const QPoint to = from + QPoint(0, 18 * int(1 + random.bounded(6)));
            QTest::mousePress(v->viewport(), Qt::LeftButton, {}, from);
            QMouseEvent move(QEvent::MouseMove, to, v->viewport()->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                             Qt::NoModifier);
            QApplication::sendEvent(v->viewport(), &move);
            QTest::mouseRelease(v->viewport(), Qt::LeftButton, {}, to);
            break;
        }
        case 6: pressIf("cmdAdd", " new"); break;
        case 7:
        case 8: {
            const int field = 1 + int(random.bounded(6));
            const QString text = kTexts[field][int(random.bounded(kTexts[field].size()))];
            log += QStringLiteral(" type%1'%2'").arg(field).arg(text);
            w.retype(field, text);
            break;
        }
        case 9: pressIf("cmdSave", " save"); break;
        case 10: pressIf("cmdUndo", " undo"); break;
        case 11:
            log += " delete";
            if (w.button("cmdDelete")->isEnabled()) {
                w.dialogs.answerNext(Dialogs::Answer::Yes);
                w.click("cmdDelete");
            }
            break;
        case 12:
            log += " ctrl-click";
            if (rows > 0)
                QTest::mouseClick(w.list(1)->viewport(), Qt::LeftButton, Qt::ControlModifier,
                                  w.list(1)->visualRect(w.list(1)->model()->index(lastInView - 1, 0)).center());
            break;
        case 13:
            log += " escape";
            w.key(1 + int(random.bounded(6)), Qt::Key_Escape);
            break;
        case 14: {
            const QStringList ids = w.folder.query("SELECT ID FROM Lots").split('|', Qt::SkipEmptyParts);
            if (!ids.isEmpty()) {
                const QString id = ids[int(random.bounded(ids.size()))];
                log += " elsewhere-delete" + id;
                w.folder.exec("DELETE FROM Lots WHERE ID = " + id);
                deletedElsewhere << id;
            }
            break;
        }
        case 15: {
            // A broker's file: lots of the ledger's own (already there), new
            // ones, one twice, a refused row; imported, ticked or not, or
            // cancelled in the preview.
            QStringList lines{"Account 1234", "Date,Symbol,Quantity,Price,Amount,Description"};
            const int rowsInFile = 1 + int(random.bounded(4));
            for (int r = 0; r < rowsInFile; ++r) {
                const int i = 1 + int(random.bounded(5));
                switch (random.bounded(4)) {
                case 0: lines << QStringLiteral("01/15/2003,T%1,100,10,\"($%2.00)\",Lot %1").arg(i).arg(1000 * i); break;
                case 1: lines << QStringLiteral("2/%1/2024,N%1,%1.5,3.25,\"$1,00%1.50\",New %1").arg(i); break;
                case 2: lines << QStringLiteral("2/30/2024,BAD,1,1,1,Refused"); break;
                default: lines << QStringLiteral("3/1/2024,tw,2,,7,Twice") << QStringLiteral("3/1/2024,TW,2,,7,Twice"); break;
                }
            }
            lines << "Total,,,,," ;
            QFile file(w.folder.path() + "/walk.csv");
            if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                file.write(lines.join("\r\n").toUtf8());
            file.close();
            const int answer = int(random.bounded(3));
            log += QStringLiteral(" import%1[%2]").arg(answer).arg(lines.mid(2).join(';'));
            w.dialogs.chooseNext(file.fileName());
            PreviewAnswer preview([answer](QDialog &d) {
                if (answer == 1) {   // tick every row that can be
                    auto *rows = d.findChild<QAbstractItemView *>("rows");
                    for (int r = 0; r < rows->model()->rowCount(); ++r) {
                        rows->setCurrentIndex(rows->model()->index(r, 0));
                        QTest::keyClick(rows, Qt::Key_Space);
                    }
                }
                (answer < 2 && d.findChild<QPushButton *>("import")->isEnabled() ? PreviewAnswer::import
                                                                                  : PreviewAnswer::cancel)(d);
            });
            const QString opened = ctrlKey(w, Qt::Key_I);
            w.dialogs.forgetUnusedFiles();   // pending changes the rules refuse stop before the file dialog
            if (!opened.isEmpty())
                return opened;
            break;
        }
        case 16: {
            // A copy of the file as it is now, or a file named like a copy
            // that is no ledger; or "Restore from Backup...": a row chosen, a
            // copy or not, then Enter and Yes or No, or Escape.
            if (random.bounded(2) == 0) {
                const int row = int(random.bounded(3)), answer = int(random.bounded(3));
                log += QStringLiteral(" restore%1/%2").arg(row).arg(answer);
                PreviewAnswer choose(
                    [&](QDialog &d) {
                        auto *copies = d.findChild<QAbstractItemView *>("copies");
                        copies->setCurrentIndex(copies->model()->index(std::min(row, copies->model()->rowCount() - 1), 0));
                        if (answer > 0 && d.findChild<QPushButton *>("restore")->isEnabled())
                            w.dialogs.answerNext(answer == 1 ? Dialogs::Answer::Yes : Dialogs::Answer::No);
                        QTest::keyClick(copies, answer > 0 ? Qt::Key_Return : Qt::Key_Escape);
                    },
                    "RestoreFromBackup");
                if (w.list(1)->isEnabled())
                    chooseFromMenu([&] { w.listKey(1, Qt::Key_F10, Qt::ShiftModifier); }, "Restore from Backup...");
                break;
            }
            const bool ledger = random.bounded(3) > 0;
            log += ledger ? " copy" : " junk-copy";
            const QDateTime made = QDateTime::currentDateTime().addSecs(-int(random.bounded(100000)));
            if (ledger)
                backup::makeCopy(w.folder.file(), backup::Kind::Daily, made);
            else if (QDir().mkpath(backup::folderOf(w.folder.file())))
                QFile(backup::folderOf(w.folder.file()) + '/' + backup::fileName(backup::Kind::Daily, made))
                    .open(QIODevice::WriteOnly);
            break;
        }
        case 17: {
            // A sale of some shares of the current lot's ticker by a method,
            // through Ctrl+L or the menu; Escape when it is refused.
            const QString shares = QStringList{"1", "0.5", "50", "100", "150"}[int(random.bounded(5))];
            const int method = int(random.bounded(4));
            log += QStringLiteral(" sell%1/%2").arg(shares).arg(method);
            PreviewAnswer sell([&](QDialog &d) {
                d.findChild<QLineEdit *>("saleDate")->setText("6/1/2024");
                d.findChild<QLineEdit *>("shares")->setText(shares);
                d.findChild<QLineEdit *>("proceeds")->setText("$500");
                auto *methods = d.findChild<QComboBox *>("method");
                methods->setCurrentIndex(method);
                QTest::keyClick(methods, Qt::Key_Return);
                if (d.isVisible())
                    QTest::keyClick(methods, Qt::Key_Escape);
            }, "SellShares");
            if (const QString opened = byMenuOrKey(w, random, "Sell Shares...", Qt::Key_L); !opened.isEmpty())
                return opened;
            break;
        }
        case 18: {
            // Delete on a sale in the Holdings and Gains window (Ctrl+G or
            // the menu), answered Yes: the sale is undone, or refused before
            // the question.
            const int row = int(random.bounded(4));
            log += QStringLiteral(" undo-sale%1").arg(row);
            PreviewAnswer undo([&](QDialog &d) {
                auto *gains = d.findChild<QTableView *>("gains");
                if (gains->model()->rowCount() > 0) {
                    gains->setFocus();
                    gains->selectRow(std::min(row, gains->model()->rowCount() - 1));
                    w.dialogs.answerNext(Dialogs::Answer::Yes);
                    QTest::keyClick(gains, Qt::Key_Delete);
                    w.dialogs.forgetUnusedAnswers();
                }
                QTest::keyClick(gains, Qt::Key_Escape);
            }, "HoldingsGains");
            if (const QString opened = byMenuOrKey(w, random, "Holdings and Gains...", Qt::Key_G); !opened.isEmpty())
                return opened;
            break;
        }
        case 19: {
            // A corporate action on the current lot's ticker (Ctrl+K or the
            // menu): a split or a return of capital, recorded or refused; or
            // Delete on the latest action, answered Yes: undone, or refused.
            const int kind = int(random.bounded(3));
            log += QStringLiteral(" action%1").arg(kind);
            PreviewAnswer act([&](QDialog &d) {
                auto *kinds = d.findChild<QComboBox *>("kind");
                if (kind == 2) {
                    auto *actions = d.findChild<QTableView *>("actions");
                    actions->setFocus();
                    w.dialogs.answerNext(Dialogs::Answer::Yes);
                    QTest::keyClick(actions, Qt::Key_Delete);
                    w.dialogs.forgetUnusedAnswers();
                } else {
                    kinds->setCurrentIndex(kind == 0 ? 0 : 5);
                    d.findChild<QLineEdit *>("date")->setText("6/1/2024");
                    d.findChild<QLineEdit *>(kind == 0 ? "ratio" : "cashPerShare")->setText(kind == 0 ? "2 for 1" : "1");
                    QTest::keyClick(kinds, Qt::Key_Return);
                }
                if (d.isVisible())
                    QTest::keyClick(kinds, Qt::Key_Escape);
            }, "CorporateAction");
            if (const QString opened = byMenuOrKey(w, random, "Corporate Action...", Qt::Key_K); !opened.isEmpty())
                return opened;
            break;
        }
        }
        // Rule messages and error boxes are part of the walk, but a move
        // never gets stuck on a lot that another program deleted.
        for (const QString &text : w.dialogs.takeTexts()) {
            if (text.startsWith("3104 - The lot is no longer in the ledger file"))
                stuck = text;
            if (text.startsWith("The ledger now holds"))
                deletedElsewhere.clear();   // the list shows the file as restored
        }
        return w.selected(1) != selectedBefore ? selectedOutOfView(w) : fault;
    }

private slots:
    void everyStepKeepsTheWindowAndTheFileInStep()
    {
        const int asked = qEnvironmentVariableIntValue("TESMO_PROPERTY_SEQUENCES");
        const int sequences = asked > 0 ? asked : TESMO_PROPERTY_DEFAULT_SEQUENCES;
        const quint32 seed = qEnvironmentVariableIsSet("TESMO_PROPERTY_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("TESMO_PROPERTY_SEED")) : 20030115u;
        QRandomGenerator random(seed);
        for (int s = 0; s < sequences; ++s) {
            const int lots = random.bounded(8) == 0 ? 40 + int(random.bounded(30)) : int(random.bounded(5));
            MainWindow w(numberedLots(lots, {2}), true);
            log = QStringLiteral("seed %1, sequence %2, %3 lots:").arg(seed).arg(s).arg(lots);
            deletedElsewhere.clear();
            stuck.clear();
            QString broken = disagreement(w);
            for (int i = 0; i < 12 && broken.isEmpty(); ++i) {
                broken = step(w, random);
                if (broken.isEmpty())
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
