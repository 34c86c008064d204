// Work off the window's thread: its value or its error comes back to the
// thread of a living object, or to whoever waits for it, and to no object
// that is gone.
#include "platform/Background.h"
#include "support/LedgerFolder.h"

#include <QSemaphore>
#include <QtTest>

using namespace tesmo;
using tesmo::test::errorOf;

class BackgroundTest : public QObject {
    Q_OBJECT

private slots:
    void resultsComeBackToALivingContextOnly()
    {
        for (const auto &[fails, contextGone /* before the work ends */] :
             {std::pair{false, false}, {true, false}, {false, true}, {true, true}})
            check(fails, contextGone);
    }

private:
    void check(bool fails, bool contextGone)
    {
        auto context = std::make_unique<QObject>();
        QSemaphore release;
        QThread *workThread = nullptr;
        QStringList told;   // what done was given, on which thread
        const auto work = [&, fails] {
            workThread = QThread::currentThread();
            release.acquire();
            if (fails)
                throw Error(kErrCannotWrite, QStringLiteral("full"));
            return QStringLiteral("made");
        };
        auto task = runInBackground(work, *context, [&](BackgroundTask<QString> ended) {
            const QString where = QThread::currentThread() == QCoreApplication::instance()->thread() ? "window" : "elsewhere";
            try {
                told << ended.result() + " on " + where;
            } catch (const Error &e) {
                told << QString::number(e.number()) + " on " + where;
            }
        });
        if (contextGone)
            context.reset();
        release.release();
        task.wait();
        QVERIFY(workThread && workThread != QCoreApplication::instance()->thread());
        // Once the work has ended, done is on its way to the window's thread.
        QCoreApplication::processEvents();
        if (contextGone)
            QCOMPARE(told, QStringList());
        else
            QCOMPARE(told, QStringList{fails ? "3109 on window" : "made on window"});

        // Waited for where it is needed, the same work gives the same.
        auto waited = runInBackground([&, fails] {
            release.release();
            return work();
        });
        QString value;
        QCOMPARE(errorOf([&] { value = waited.result(); }), fails ? int(kErrCannotWrite) : 0);
        QCOMPARE(value, fails ? "" : "made");
    }
};

QTEST_GUILESS_MAIN(BackgroundTest)
#include "tst_background.moc"
