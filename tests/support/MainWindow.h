// A main window on a ledger of the given lots in a fresh temporary folder, with scripted boxes;
// opened, shown and active. The helpers read what the user sees and type and click as the user does.
#pragma once

#include "mainwin/frmStocks.h"
#include "support/LedgerFolder.h"
#include "support/RecordingOffice.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTimer>
#include <QtTest>

namespace tesmo::test {

class MainWindow {
public:
    // setupSql, when given, runs on the file before the window opens it.
    explicit MainWindow(const std::vector<NewLot> &lots = {}, bool createFile = true, const QString &setupSql = {})
        : folder(lots, createFile)
    {
        if (!setupSql.isEmpty())
            folder.exec(setupSql);
        window = std::make_unique<frmStocks>(Platform{dialogs, shell, office});
        window->open();
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    // The boxes went as scripted, unless the test failed already.
    ~MainWindow()
    {
        const QStringList faults = dialogs.faults();
        if (!QTest::currentTestFailed())
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    template <typename T = QWidget>
    T *find(const QString &name) const
    {
        T *w = window->findChild<T *>(name);
        if (!w)
            qFatal("no control named %s", qPrintable(name));
        return w;
    }
    QLineEdit *box(int field) const { return find<QLineEdit>(QStringLiteral("txtFields(%1)").arg(field)); }
    QPushButton *button(const char *name) const { return find<QPushButton>(QString::fromLatin1(name)); }
    QAbstractItemView *list(int n) const { return find<QAbstractItemView>(QStringLiteral("ListView%1").arg(n)); }

    // The edit boxes 1 to 6 joined by "|".
    QString fields() const
    {
        QStringList t;
        for (int i = kName1; i <= kTradeDate; ++i)
            t << box(i)->text();
        return t.join(QLatin1Char('|'));
    }
    // "n of m" as the record counter shows it.
    QString counter() const { return find<QLineEdit>("txtRecNum")->text() + " of " + find<QLineEdit>("txtCount")->text(); }
    // The first words of the enabled command buttons' captions, in a fixed order.
    QString enabled() const
    {
        QStringList on;
        for (const char *name : {"cmdSave", "cmdAdd", "cmdUndo", "cmdFind", "cmdPrev", "cmdNext", "cmdDelete",
                                 "cmdSplit", "cmdSelect", "cmddeselect"}) {
            if (button(name)->isEnabled())
                on << button(name)->text().remove(QLatin1Char('&')).section(QLatin1Char(' '), 0, 0);
        }
        return on.join(QLatin1Char(' '));
    }

    // A cell of a list (row from 1, column in list order: 0 name ... 6 net).
    QString cell(int n, int row, int column) const { return list(n)->model()->index(row - 1, column).data().toString(); }
    int rows(int n) const { return list(n)->model()->rowCount(); }
    // A column of a list joined by "|"; the names by default.
    QString column(int n, int c = 0) const
    {
        QStringList t;
        for (int r = 1; r <= rows(n); ++r)
            t << cell(n, r, c);
        return t.join(QLatin1Char('|'));
    }
    // The selected row of a list, counted from 1; 0 when none.
    int selected(int n) const
    {
        const QModelIndexList s = list(n)->selectionModel()->selectedRows();
        return s.isEmpty() ? 0 : s.first().row() + 1;
    }

    // Replaces a box's text by typing: select all, then the keys.
    void retype(int field, const QString &text)
    {
        box(field)->setFocus(Qt::MouseFocusReason);
        box(field)->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box(field), Qt::Key_Delete);
        else
            QTest::keyClicks(box(field), text);
    }
    void key(int field, Qt::Key k) { box(field)->setFocus(Qt::MouseFocusReason), QTest::keyClick(box(field), k); }
    void click(const char *name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    // Clicks a row (from 1) of a list, as the mouse does; twice for a double click.
    void clickRow(int n, int row, bool twice = false)
    {
        QAbstractItemView *v = list(n);
        const QPoint at = v->visualRect(v->model()->index(row - 1, 0)).center();
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, at);
        if (twice)
            QTest::mouseDClick(v->viewport(), Qt::LeftButton, {}, at);
    }
    void select(int row) { clickRow(1, row), click("cmdSelect"); }   // a row of the master list into the selection list
    void listKey(int n, Qt::Key k, Qt::KeyboardModifiers mods = {}) { list(n)->setFocus(Qt::MouseFocusReason), QTest::keyClick(list(n), k, mods); }
    // Ctrl and the key, the window active again as a window manager makes it once a dialog closed.
    void ctrlKey(Qt::Key k)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), k, Qt::ControlModifier);
    }

    // Lots in the file: "ID,Name1,Ticker,NumShares,Price,NetAmount,TradeDate" rows joined by "|".
    QString file() const { return folder.query(QStringLiteral("SELECT * FROM qryStocks")); }

    LedgerFolder folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    RecordingOffice office;
    std::unique_ptr<frmStocks> window;
};

// Chooses entry (the first when empty) from the popup menu that open brings up, or Escape when
// it lacks it or has it disabled; gives the text of the entry chosen, empty when none was.
inline QString chooseFromMenu(const std::function<void()> &open, const QString &entry = {})
{
    QString chosen;
    QTimer poll;
    int tries = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
        if (!menu && ++tries < 200)
            return;
        poll.stop();
        if (!menu)
            return;
        for (QAction *a : menu->actions()) {
            if ((entry.isEmpty() ? a == menu->actions().first() : a->text() == entry) && a->isEnabled()) {
                menu->setActiveAction(a);
                chosen = a->text();
            }
        }
        QTest::keyClick(menu, menu->activeAction() ? Qt::Key_Return : Qt::Key_Escape);
    });
    poll.start(5);
    open();
    if (!QTest::qWaitFor([] { return !QApplication::activePopupWidget(); }))
        QTest::qFail("the menu stayed up", __FILE__, __LINE__);
    return chosen;
}

// Fails the current test when the scripted boxes went against the script (before the end).
#define VERIFY_BOXES_AS_SCRIPTED(win)                                                   \
    do {                                                                                \
        const QStringList faults = (win).dialogs.faults();                              \
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));      \
    } while (false)

// Names the case of a table that a failed check was in.
#define NAME_THE_CASE(name) \
    const auto caseName_ = qScopeGuard([&] { if (QTest::currentTestFailed()) qWarning("in the case '%s'", qPrintable(QString(name))); })

} // namespace tesmo::test
