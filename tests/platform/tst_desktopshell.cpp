// The real desktop shell over stand-ins for the desktop's opener: it waits
// for the opener's answer, counts a failure as one, and passes the path as
// one argument, blanks and quotes included. While an opener that runs on is
// waited for, the window's thread goes on.
#include "platform/DesktopShell.h"
#include "support/LedgerFolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tesmo;

class DesktopShellTest : public QObject {
    Q_OBJECT

    QTemporaryDir bin;   // the stand-in xdg-open and xdg-mime, first on PATH
    QByteArray path;

    // The stand-in opener records its arguments, then runs script (sh).
    void opener(const QByteArray &script) { write("xdg-open", "printf '%s\\n' \"$#\" \"$@\" > \"$0.args\"\n" + script); }
    void write(const QString &name, const QByteArray &body)
    {
        QFile f(bin.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    QStringList arguments() const
    {
        QFile f(bin.filePath("xdg-open.args"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts)
                                           : QStringList();
    }

private slots:
    void initTestCase()
    {
        path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path);
        write("xdg-mime", "echo viewer.desktop");
    }
    void cleanupTestCase() { qputenv("PATH", path); }

    void theOpenersAnswerCounts()
    {
        for (const auto &[script, handedOver] : {std::pair{"exit 0", true}, {"exit 4", false}, {"kill -9 $$", false},
                                                 {"exec sleep 30", true}})   // runs on as the program it started
            check(script, handedOver);
    }

private:
    void check(const QByteArray &script, bool handedOver)
    {
        QTemporaryDir folder;
        const QString file = folder.filePath("it's a \"file\" with blanks.txt");
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        opener(script);

        DesktopShell shell;
        int beats = 0;
        QTimer beat;
        connect(&beat, &QTimer::timeout, [&] { ++beats; });
        beat.start(10);
        QCOMPARE(test::errorOf([&] { QVERIFY(shell.startViewer(file)); }), handedOver ? 0 : int(kErrCannotStart));
        QCOMPARE(arguments(), (QStringList{"1", file}));
        QCOMPARE(shell.open(file), handedOver ? int(Shell::kOpened) : int(Shell::kNoAssociation));
        QVERIFY(!script.startsWith("exec sleep") || beats > 10);
        QCOMPARE(shell.open(folder.filePath("missing.txt")), int(Shell::kFileNotFound));
    }
};

QTEST_GUILESS_MAIN(DesktopShellTest)
#include "tst_desktopshell.moc"
