// The start-up gate and the protection dialog, over scripted boxes, with the
// setting read back from the ledger's Options record.
#include "protect/Form1.h"
#include "support/LedgerFolder.h"
#include "support/RecordingOffice.h"
#include "support/RecordingShell.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace tesmo;
using namespace tesmo::test;

static QWidget *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmStocks" && w->isVisible())
            return w;
    return nullptr;
}

class ProtectTest : public QObject {
    Q_OBJECT

    std::unique_ptr<LedgerFolder> folder;
    ScriptedDialogs dialogs;
    RecordingShell shell;
    RecordingOffice office;
    std::unique_ptr<Form1> form;
    std::unique_ptr<QSignalSpy> ended;   // programEnds

    // Starts the program on the given setting, with the answers typed into
    // the password prompts; returns once the gate has run.
    void start(bool isProtected, const QString &password, const QStringList &answers, const QString &setupSql = {})
    {
        cleanup();
        folder = std::make_unique<LedgerFolder>(numberedLots(2));
        QCOMPARE(folder->exec(setupSql + QStringLiteral("; UPDATE Options SET Protected = %1, Password = '%2'")
                                             .arg(int(isProtected)).arg(password)), QString());
        for (const QString &a : answers)
            dialogs.typeNext(a);
        form = std::make_unique<Form1>(Platform{dialogs, shell, office});
        ended = std::make_unique<QSignalSpy>(form.get(), &Form1::programEnds);
        form->start();
        QTRY_VERIFY(mainWindow() || ended->count() > 0);
    }

private slots:
    // Each start, and each test, ends with the boxes gone as scripted.
    void cleanup()
    {
        const QStringList faults = dialogs.faults();
        ended.reset();
        form.reset();
        folder.reset();
        dialogs = ScriptedDialogs{};
        if (!QTest::currentTestFailed())
            QVERIFY2(faults.isEmpty(), qPrintable(faults.join("; ")));
    }

    // The prompts come until the right password, exact in case and blanks, or a Cancel, which
    // ends the program; protection off asks nothing.
    void theGateAsksUntilTheRightPasswordOrNone()
    {
        const struct {
            bool isProtected;
            QStringList answers;
            bool opens;
        } cases[] = {{false, {}, true},
                     {true, {"Secret"}, true},
                     {true, {"secret", "Secret ", "SECRET", "Secret"}, true},
                     {true, {""}, false},
                     {true, {"wrong", ""}, false}};
        for (const auto &c : cases) {
            start(c.isProtected, "Secret", c.answers);
            const auto inputs = dialogs.takeInputs();
            QCOMPARE(inputs.size(), c.answers.size());
            for (int i = 0; i < inputs.size(); ++i) {
                QCOMPARE(inputs[i].prompt + "|" + inputs[i].title,
                         QString(i ? "Incorrect Password. Please try again.|Tesmo" : "Please Enter Your Password|Tesmo"));
                QCOMPARE(inputs[i].echo, Dialogs::Echo::Password);
            }
            // Nothing on screen holds the stored password, not even the
            // protection dialog's box on the start-up frame.
            auto *box = form->findChild<QLineEdit *>("txtPassword");
            QVERIFY(box->text().isEmpty() && box->echoMode() == QLineEdit::Password);
            QCOMPARE(mainWindow() != nullptr, c.opens);
            QCOMPARE(ended->count(), c.opens ? 0 : 1);
            const auto boxes = dialogs.takeBoxes();
            QCOMPARE(boxes.size(), c.opens ? 0 : 1);
            if (!c.opens)
                QVERIFY(boxes[0].text == "Password not provided. Closing program." && boxes[0].icon == Dialogs::Icon::Information);
            QVERIFY(!form->isVisible());
        }
    }

    void theDialogStoresTheSettingOnlyWhenItHoldsTogether()
    {
        start(false, "", {});
        QWidget *main = mainWindow();
        // The stored setting, and whether the dialog is still open.
        const auto stored = [&] { return folder->query("SELECT Protected, Password FROM Options") + (form->isVisible() ? " open" : ""); };
        auto *check = form->findChild<QCheckBox *>("chkProtection");
        auto *password = form->findChild<QLineEdit *>("txtPassword");
        const auto press = [&](const char *name) { QTest::mouseClick(form->findChild<QPushButton *>(name), Qt::LeftButton); };
        const auto openDialog = [&] {
            QTest::mouseClick(main->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
            QVERIFY(form->isVisible());
        };

        openDialog();
        check->setChecked(true);
        press("OKButton");
        QCOMPARE(dialogs.takeTexts(), QStringList{"Must Enter a Password"});
        QCOMPARE(stored(), QStringLiteral("0, open"));
        password->setText("Open Sesame");
        press("OKButton");
        QCOMPARE(stored(), QStringLiteral("1,Open Sesame"));

        openDialog();   // reads the record afresh
        QVERIFY(check->isChecked());
        check->setChecked(false);
        password->setText("changed");
        press("CancelButton");
        QCOMPARE(stored(), QStringLiteral("1,Open Sesame"));
        QCOMPARE(password->text(), QStringLiteral("Open Sesame"));

        openDialog();
        check->setChecked(false);
        password->clear();
        press("OKButton");   // off with an empty password is accepted
        QCOMPARE(stored(), QStringLiteral("0,"));

        openDialog();        // the main window's close ends the program, dialog open or not
        QVERIFY(main->close());
        QCOMPARE(ended->count(), 1);
    }

    // One limit for the password, in characters: the dialog and the prompt refuse a longer one with
    // a message, the file refuses to hold one, and nothing is ever cut to fit.
    void aPasswordHasOneLimitEverywhere()
    {
        const QString longest(256, u'p');
        const QString tooLong = longest + u'q';
        start(true, longest, {QString(600, u'p'), longest});   // pasted far too long, then right
        QCOMPARE(dialogs.takeInputs().size(), 2);
        QVERIFY(mainWindow());
        QCOMPARE(dialogs.takeTexts(), QStringList{"A password holds at most 256 characters."});
        QVERIFY(folder->exec("UPDATE Options SET Password = '" + tooLong + "'").contains("at most 256"));

        QTest::mouseClick(mainWindow()->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
        auto *password = form->findChild<QLineEdit *>("txtPassword");
        password->selectAll();
        QTest::keyClicks(password, tooLong + QString(300, u'x'));
        QTest::mouseClick(form->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        QCOMPARE(dialogs.takeTexts(), QStringList{"A password holds at most 256 characters."});
        QCOMPARE(folder->query("SELECT length(Password) FROM Options") + (form->isVisible() ? " open" : ""), "256 open");
        password->setText(QString::fromUtf8("😀").repeated(255));   // counted in characters, not code units
        QTest::mouseClick(form->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        QCOMPARE(folder->query("SELECT length(Password) FROM Options") + (form->isVisible() ? " open" : ""), "255");
    }

    // A password longer than the limit, stored by another tool in a ledger
    // made before the file kept the limit, can never be typed: the user is
    // told so and how to clear it, rather than asked for it forever.
    void aStoredPasswordBeyondTheLimitIsExplained()
    {
        start(true, QString(300, u'p'), {},
              "CREATE TABLE Loose (Protected, Password); INSERT INTO Loose SELECT * FROM Options; "
              "DROP TABLE Options; ALTER TABLE Loose RENAME TO Options");
        QVERIFY(!mainWindow());
        QCOMPARE(ended->count(), 1);
        QVERIFY(dialogs.takeInputs().isEmpty());
        const QStringList texts = dialogs.takeTexts();
        QVERIFY2(texts.size() == 1 && texts[0].contains("longer than 256 characters")
                     && texts[0].contains("UPDATE Options SET Protected = 0"), qPrintable(texts.join('|')));
    }
};

QTEST_MAIN(ProtectTest)
#include "tst_protect.moc"
