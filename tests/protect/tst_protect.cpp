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

namespace {

QWidget *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmStocks" && w->isVisible())
            return w;
    return nullptr;
}

} // namespace

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
    void start(bool isProtected, const QString &password, const QStringList &answers,
               const QString &setupSql = {})
    {
        folder = std::make_unique<LedgerFolder>(numberedLots(2));
        if (!setupSql.isEmpty())
            QCOMPARE(folder->exec(setupSql), QString());
        QCOMPARE(folder->exec(QStringLiteral("UPDATE Options SET Protected = %1, Password = '%2'")
                                  .arg(int(isProtected))
                                  .arg(password)),
                 QString());
        for (const QString &a : answers)
            dialogs.typeNext(a);
        form = std::make_unique<Form1>(Platform{dialogs, shell, office});
        ended = std::make_unique<QSignalSpy>(form.get(), &Form1::programEnds);
        form->start();
        QTRY_VERIFY(mainWindow() || ended->count() > 0);
    }

private slots:
    void cleanup()
    {
        ended.reset();
        form.reset();
        folder.reset();
        dialogs = ScriptedDialogs{};
    }

    void theGateAsksUntilTheRightPasswordOrNone_data()
    {
        QTest::addColumn<bool>("isProtected");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<int>("prompts");
        QTest::addColumn<bool>("opens");
        QTest::newRow("protection off") << false << QStringList{} << 0 << true;
        QTest::newRow("right at once") << true << QStringList{"Secret"} << 1 << true;
        QTest::newRow("case and a trailing blank differ, then right")
            << true << QStringList{"secret", "Secret ", "SECRET", "Secret"} << 4 << true;
        QTest::newRow("Cancel at the first prompt") << true << QStringList{""} << 1 << false;
        QTest::newRow("Cancel at a later prompt") << true << QStringList{"wrong", ""} << 2 << false;
    }
    void theGateAsksUntilTheRightPasswordOrNone()
    {
        QFETCH(bool, isProtected);
        QFETCH(QStringList, answers);
        QFETCH(int, prompts);
        QFETCH(bool, opens);
        start(isProtected, "Secret", answers);
        const auto inputs = dialogs.takeInputs();
        QCOMPARE(inputs.size(), prompts);
        for (int i = 0; i < inputs.size(); ++i) {
            QCOMPARE(inputs[i].prompt, i == 0 ? QStringLiteral("Please Enter Your Password")
                                              : QStringLiteral("Incorrect Password. Please try again."));
            QCOMPARE(inputs[i].title, QStringLiteral("Tesmo"));
            QCOMPARE(inputs[i].echo, Dialogs::Echo::Password);
        }
        // Nothing on screen holds the stored password, not even the
        // protection dialog's box on the start-up frame.
        auto *box = form->findChild<QLineEdit *>("txtPassword");
        QCOMPARE(box->text(), QString());
        QCOMPARE(box->echoMode(), QLineEdit::Password);
        QCOMPARE(mainWindow() != nullptr, opens);
        QCOMPARE(ended->count(), opens ? 0 : 1);
        if (!opens) {
            const auto boxes = dialogs.takeBoxes();
            QCOMPARE(boxes.size(), 1);
            QCOMPARE(boxes[0].text, QStringLiteral("Password not provided. Closing program."));
            QCOMPARE(boxes[0].icon, Dialogs::Icon::Information);
        }
        QVERIFY(!form->isVisible());
        QVERIFY2(dialogs.faults().isEmpty(), qPrintable(dialogs.faults().join("; ")));
    }

    void theDialogStoresTheSettingOnlyWhenItHoldsTogether()
    {
        start(false, "", {});
        QWidget *main = mainWindow();
        const auto stored = [&] { return folder->query("SELECT Protected, Password FROM Options"); };
        auto *check = form->findChild<QCheckBox *>("chkProtection");
        auto *password = form->findChild<QLineEdit *>("txtPassword");
        const auto press = [&](const char *name) {
            QTest::mouseClick(form->findChild<QPushButton *>(name), Qt::LeftButton);
        };
        const auto openDialog = [&] {
            QTest::mouseClick(main->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
            QVERIFY(form->isVisible());
        };

        openDialog();
        check->setChecked(true);
        press("OKButton");
        QCOMPARE(dialogs.takeTexts(), QStringList{"Must Enter a Password"});
        QVERIFY(form->isVisible());
        QCOMPARE(stored(), QStringLiteral("0,"));
        password->setText("Open Sesame");
        press("OKButton");
        QVERIFY(!form->isVisible());
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
        QVERIFY2(dialogs.faults().isEmpty(), qPrintable(dialogs.faults().join("; ")));
    }

    // One limit for the password, in characters: the dialog and the prompt
    // refuse a longer one with a message, the file refuses to hold one, and
    // nothing is ever cut to fit.
    void aPasswordHasOneLimitEverywhere()
    {
        const QString longest(256, u'p');
        const QString tooLong = longest + u'q';
        start(true, longest, {QString(600, u'p'), longest});   // pasted far too long, then right
        const auto inputs = dialogs.takeInputs();
        QCOMPARE(inputs.size(), 2);
        QVERIFY(mainWindow());
        QCOMPARE(dialogs.takeTexts(), QStringList{"A password holds at most 256 characters."});
        QVERIFY(folder->exec("UPDATE Options SET Password = '" + tooLong + "'").contains("at most 256"));

        QTest::mouseClick(mainWindow()->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
        auto *password = form->findChild<QLineEdit *>("txtPassword");
        password->selectAll();
        QTest::keyClicks(password, tooLong + QString(300, u'x'));
        QTest::mouseClick(form->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        QCOMPARE(dialogs.takeTexts(), QStringList{"A password holds at most 256 characters."});
        QVERIFY(form->isVisible());
        QCOMPARE(folder->query("SELECT length(Password) FROM Options"), QStringLiteral("256"));
        password->setText(QString::fromUtf8("😀").repeated(255));   // counted in characters, not code units
        QTest::mouseClick(form->findChild<QPushButton *>("OKButton"), Qt::LeftButton);
        QVERIFY(!form->isVisible());
        QCOMPARE(folder->query("SELECT length(Password) FROM Options"), QStringLiteral("255"));
        QVERIFY2(dialogs.faults().isEmpty(), qPrintable(dialogs.faults().join("; ")));
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
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].contains("longer than 256 characters") && texts[0].contains("UPDATE Options SET Protected = 0"),
                 qPrintable(texts[0]));
    }
};

QTEST_MAIN(ProtectTest)
#include "tst_protect.moc"
