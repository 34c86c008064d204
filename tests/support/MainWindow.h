// A main window on a ledger of the given lots in a fresh temporary folder,
// with scripted boxes; shown and active, as the user finds it. Helpers read
// back what the user sees.
#pragma once

#include "mainwin/frmStocks.h"
#include "support/LedgerFolder.h"
#include "support/ScriptedDialogs.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace tesmo::test {

class MainWindow {
public:
    explicit MainWindow(const std::vector<NewLot> &lots = {}, bool createFile = true)
        : folder(lots, createFile)
    {
        window = std::make_unique<frmStocks>(Platform{dialogs});
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    frmStocks *operator->() const { return window.get(); }
    frmStocks &operator*() const { return *window; }

    // The edit boxes 1 to 6 joined by "|".
    QString fields() const
    {
        QStringList t;
        for (int i = kName1; i <= kTradeDate; ++i)
            t << window->txtFields[std::size_t(i)]->text();
        return t.join(QLatin1Char('|'));
    }
    // "n of m" as the record counter shows it.
    QString counter() const { return window->txtRecNum->text() + " of " + window->txtCount->text(); }

    // The captions, without access-key marks, of the enabled command buttons
    // in a fixed order: Save New Undo Find Previous Next Delete Split Select Deselect.
    QString enabled() const
    {
        QStringList on;
        const std::pair<QPushButton *, const char *> buttons[] = {
            {window->cmdSave, "Save"},     {window->cmdAdd, "New"},      {window->cmdUndo, "Undo"},
            {window->cmdFind, "Find"},     {window->cmdPrev, "Previous"}, {window->cmdNext, "Next"},
            {window->cmdDelete, "Delete"}, {window->cmdSplit, "Split"},  {window->cmdSelect, "Select"},
            {window->cmddeselect, "Deselect"}};
        for (const auto &[b, name] : buttons)
            if (b->isEnabled())
                on << QString::fromUtf8(name);
        return on.join(QLatin1Char(' '));
    }

    // The row texts (name column) of a list, joined by "|".
    static QString names(const LotListView *list)
    {
        QStringList n;
        for (int r = 0; r < list->lots()->rows(); ++r)
            n << list->lots()->rowTexts(r)[kColName];
        return n.join(QLatin1Char('|'));
    }
    // The selected row of a list, counted from 1; 0 when none.
    static int selected(const LotListView *list) { return list->selectedRow() + 1; }

    // Types into an edit box as the user would: focus it, then the keys.
    void type(int field, const QString &text)
    {
        QLineEdit *box = window->txtFields[std::size_t(field)];
        box->setFocus(Qt::MouseFocusReason);
        QTest::keyClicks(box, text);
    }
    // Replaces a box's text by typing: select all, then the keys.
    void retype(int field, const QString &text)
    {
        QLineEdit *box = window->txtFields[std::size_t(field)];
        box->setFocus(Qt::MouseFocusReason);
        box->selectAll();
        if (text.isEmpty())
            QTest::keyClick(box, Qt::Key_Delete);
        else
            QTest::keyClicks(box, text);
    }
    void key(int field, Qt::Key k)
    {
        QLineEdit *box = window->txtFields[std::size_t(field)];
        box->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(box, k);
    }
    static void click(QPushButton *button) { QTest::mouseClick(button, Qt::LeftButton); }
    // Clicks a row (from 1) of a list, as the mouse does.
    static void clickRow(LotListView *list, int row, bool twice = false)
    {
        const QModelIndex index = list->model()->index(row - 1, kColName);
        const QPoint at = list->visualRect(index).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        if (twice)   // the second press of a double click
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // Lots in the file: "ID,Name1,Ticker,NumShares,Price,NetAmount,TradeDate" rows joined by "|".
    QString file() const { return folder.query("SELECT * FROM qryStocks"); }

    LedgerFolder folder;
    ScriptedDialogs dialogs;
    std::unique_ptr<frmStocks> window;
};

// Fails the current test when the scripted boxes went against the script.
#define VERIFY_BOXES_AS_SCRIPTED(win)                                                   \
    do {                                                                                \
        const QStringList faults = (win).dialogs.faults();                              \
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));      \
    } while (false)

} // namespace tesmo::test
