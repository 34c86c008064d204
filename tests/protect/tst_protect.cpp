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
#include <QRegularExpression>
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
    // ends the program; protection off asks nothing. One limit for the password, in characters:
    // a longer answer is refused with a message, never cut to fit, and one stored by another tool
    // beyond it is explained rather than asked for forever.
    void theGateAsksUntilTheRightPasswordOrNone()
    {
        const QString longest(256, u'p'), limit = "A password holds at most 256 characters.";
        const struct {
            bool isProtected;
            QString password;
            QStringList answers;
            bool opens;
            QString message;   // what the boxes said, a pattern
            const char *setup = "";
        } cases[] = {{false, "Secret", {}, true, ""},
                     {true, "Secret", {"Secret"}, true, ""},
                     {true, "Secret", {"secret", "Secret ", "SECRET", "Secret"}, true, ""},
                     {true, "Secret", {""}, false, "^Password not provided. Closing program.$"},
                     {true, "Secret", {"wrong", ""}, false, "^Password not provided. Closing program.$"},
                     {true, longest, {QString(600, u'p'), longest}, true, "^" + limit + "$"},
                     {true, QString(300, u'p'), {}, false, "longer than 256 characters.*UPDATE Options SET Protected = 0",
                      test::kPastTheChecks}};
        for (const auto &c : cases) {
            start(c.isProtected, c.password, c.answers, c.setup);
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
            const QString said = dialogs.takeTexts().join('|');
            QVERIFY2(c.message.isEmpty() ? said.isEmpty() : said.contains(QRegularExpression(c.message)), qPrintable(said));
            QVERIFY(!form->isVisible());
        }
    }

    // Each step: the dialog opened (showing the stored setting) unless still open, the box and the
    // check set, a button pressed; then the stored setting, and what the dialog said.
    void theDialogStoresTheSettingOnlyWhenItHoldsTogether()
    {
        const QString longest = QString::fromUtf8("😀").repeated(255);   // counted in characters, not code units
        const struct {
            bool check;
            QString password;
            const char *button;
            QString stored;
            const char *message = "";
        } steps[] = {{true, "", "OKButton", "0, open", "Must Enter a Password"},
                     {true, "Open Sesame", "OKButton", "1,Open Sesame"},
                     {false, "changed", "CancelButton", "1,Open Sesame"},
                     {true, QString(257, u'p') + QString(300, u'x'), "OKButton", "1,Open Sesame open",
                      "A password holds at most 256 characters."},
                     {true, longest, "OKButton", "1," + longest},
                     {false, "", "OKButton", "0,"}};   // off with an empty password is accepted
        start(false, "", {});
        QWidget *main = mainWindow();
        const auto file = [&] { return folder->query("SELECT Protected, Password FROM Options"); };
        const auto stored = [&] { return file() + (form->isVisible() ? " open" : ""); };
        auto *check = form->findChild<QCheckBox *>("chkProtection");
        auto *password = form->findChild<QLineEdit *>("txtPassword");
        for (const auto &step : steps) {
            if (!form->isVisible()) {   // the dialog reads the record afresh
                QTest::mouseClick(main->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
                QVERIFY(form->isVisible());
                QCOMPARE((check->isChecked() ? "1," : "0,") + password->text(), file());
            }
            check->setChecked(step.check);
            password->setText(step.password);
            QTest::mouseClick(form->findChild<QPushButton *>(step.button), Qt::LeftButton);
            QCOMPARE(stored(), step.stored);
            QCOMPARE(dialogs.takeTexts().join('|'), QString::fromUtf8(step.message));
        }
        QTest::mouseClick(main->findChild<QPushButton *>("cmdOptions"), Qt::LeftButton);
        QVERIFY(main->close());   // the main window's close ends the program, dialog open or not
        QCOMPARE(ended->count(), 1);
        QVERIFY(folder->exec("UPDATE Options SET Password = '" + QString(257, u'p') + "'").contains("at most 256"));
    }
};

QTEST_MAIN(ProtectTest)
#include "tst_protect.moc"
