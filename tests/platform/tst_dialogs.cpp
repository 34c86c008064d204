// The real message and input boxes show their texts as plain text, titled
// as asked, and answer as the user answers.
#include "platform/QtDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QtTest>

using namespace tesmo;

class DialogsTest : public QObject {
    Q_OBJECT

    // Runs check on the next modal box once it shows, then closes it.
    static void whenShown(std::function<void(QWidget *)> check)
    {
        QTimer::singleShot(20, [check] {
            if (QWidget *box = QApplication::activeModalWidget()) {
                check(box);
                box->close();
            } else {
                whenShown(check);
            }
        });
    }

    static bool activate(QWidget &window) { return window.show(), window.activateWindow(), QTest::qWaitForWindowActive(&window); }

private slots:
    void boxesShowPlainText()
    {
        QtDialogs real;
        Dialogs &dialogs = real;
        const QString markup = QStringLiteral("<h1>Big</h1> Not Found");
        QStringList seen;   // the titles of the boxes that showed the markup as plain text
        const auto look = [&](QWidget *box) {
            for (QLabel *label : box->findChildren<QLabel *>())
                if (label->text() == markup && label->textFormat() == Qt::PlainText)
                    seen << box->windowTitle();
        };
        whenShown(look);
        QCOMPARE(dialogs.message(markup, Dialogs::Buttons::YesNo), Dialogs::Answer::No);
        whenShown([&](QWidget *box) {
            look(box);
            box->findChild<QLineEdit *>()->setText("typed");
        });
        QCOMPARE(dialogs.input(markup, QStringLiteral("Find")), QString());   // closed: as Cancel
        QCOMPARE(seen, (QStringList{"Tesmo", "Find"}));

        // A password box shows dots and takes no more than it is told.
        QString shown;
        whenShown([&](QWidget *box) {
            auto *edit = box->findChild<QLineEdit *>();
            QTest::keyClicks(edit, "secret!");
            shown = edit->displayText() + "|" + edit->text();
        });
        dialogs.input(QStringLiteral("Password"), QStringLiteral("Tesmo"), {}, {}, Dialogs::Echo::Password, 5);
        QCOMPARE(shown.section('|', 1), QStringLiteral("secre"));
        QVERIFY(!shown.section('|', 0, 0).contains(QStringLiteral("secre")));
    }

    // A box takes the progress of work away first, whether its dialog is up or yet to show, and
    // when the box comes of other work through the events the progress lets through: none stands
    // over the box or is left to come up over or after it. Work going on after has it anew.
    void aBoxTakesTheProgressAway()
    {
        QWidget window;
        QtDialogs real;
        const auto dialogs = [](bool visibleOnly) {
            QList<QProgressDialog *> all;
            for (QWidget *w : QApplication::topLevelWidgets()) {
                auto *d = qobject_cast<QProgressDialog *>(w);
                if (d && (d->isVisible() || !visibleOnly))
                    all << d;
            }
            return all;
        };
        enum When { BeforeItShows, AfterItShows, ThroughItsEvents };
        for (const When when : {BeforeItShows, AfterItShows, ThroughItsEvents}) {
            QVERIFY(activate(window));
            auto progress = real.progress(QStringLiteral("Exporting"), 100);
            if (when != BeforeItShows)
                QVERIFY(QTest::qWaitFor([&] { return progress->advance(1) && !dialogs(true).isEmpty(); }, 10000));
            qsizetype whileUp = -1;
            whenShown([&](QWidget *) { whileUp = dialogs(when == ThroughItsEvents).size(); });
            if (when == ThroughItsEvents) {
                bool shown = false;
                QTimer::singleShot(0, &window, [&] { shown = real.message(QStringLiteral("A copy failed.")) == Dialogs::Answer::Ok; });
                for (qint64 done = 2; !shown; ++done) {
                    QVERIFY(progress->advance(done % 100) && done < 10000);
                    QThread::msleep(1);
                }
            } else {
                real.message(QStringLiteral("The export failed."));
            }
            QCOMPARE(whileUp, 0);
            QVERIFY(progress->advance(50));
            QCOMPARE(dialogs(false).size(), 1);
            QVERIFY(dialogs(true).isEmpty());
        }
    }

    // Long work shows its progress over the window after a moment, also work whose progress stands
    // still and lets no events through itself, and a Cancel is taken: the dialog says so at once and
    // stays up until the work has stopped; every later question of the work answers false.
    void progressShowsForLongWorkAndCancelStopsIt()
    {
        QWidget window;
        QVERIFY(activate(window));
        QtDialogs real;
        auto progress = real.progress(QStringLiteral("Packing"), 1);
        QProgressDialog *dialog = nullptr;
        QStringList labels;   // before the click on Cancel, and right after it
        QTimer user;          // clicks Cancel once the dialog shows
        QObject::connect(&user, &QTimer::timeout, [&] {
            dialog = window.findChild<QProgressDialog *>();
            if (dialog && dialog->isVisible()) {
                user.stop();
                labels << dialog->labelText();
                QTest::mouseClick(dialog->findChild<QPushButton *>(), Qt::LeftButton);
                labels << dialog->labelText();
            }
        });
        user.start(20);
        QElapsedTimer clock;
        clock.start();
        while (progress->advance(0) && clock.elapsed() < 10000)
            QThread::msleep(5);
        QVERIFY2(clock.elapsed() < 10000, "the cancel was never taken");
        QCOMPARE(labels, QStringList({"Packing", "Cancelling ..."}));
        QVERIFY(isDialogBox(dialog) && dialog->isVisible());
        QVERIFY(!progress->advance(1));
        progress.reset();
        QVERIFY(!window.findChild<QProgressDialog *>());
    }
};

QTEST_MAIN(DialogsTest)
#include "tst_dialogs.moc"
