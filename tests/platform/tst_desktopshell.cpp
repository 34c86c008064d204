// The real desktop shell over stand-ins for the desktop's opener: it waits
// for the opener's answer, counts a failure as one, and passes the path as
// one argument, blanks and quotes included.
#include "platform/DesktopShell.h"
#include "text/Error.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace tesmo;

class DesktopShellTest : public QObject {
    Q_OBJECT

    QTemporaryDir bin;   // the stand-in xdg-open and xdg-mime, first on PATH
    QByteArray path;

    // Makes the stand-in opener run script (sh) after recording its arguments.
    void opener(const QByteArray &script)
    {
        write("xdg-open", "printf '%s\\n' \"$#\" \"$@\" > \"$0.args\"\n" + script);
    }
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

    void theOpenersAnswerCounts_data()
    {
        QTest::addColumn<QByteArray>("script");
        QTest::addColumn<bool>("handedOver");
        QTest::newRow("answers at once") << QByteArray("exit 0") << true;
        QTest::newRow("fails") << QByteArray("exit 4") << false;
        QTest::newRow("dies") << QByteArray("kill -9 $$") << false;
        QTest::newRow("runs on as the program it started") << QByteArray("exec sleep 30") << true;
    }
    void theOpenersAnswerCounts()
    {
        QFETCH(QByteArray, script);
        QFETCH(bool, handedOver);
        QTemporaryDir folder;
        const QString file = folder.filePath("it's a \"file\" with blanks.txt");
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        opener(script);

        DesktopShell shell;
        int viewerError = 0;
        try {
            QVERIFY(shell.startViewer(file));
        } catch (const Error &e) {
            viewerError = e.number();
        }
        QCOMPARE(viewerError, handedOver ? 0 : int(kErrCannotStart));
        QCOMPARE(arguments(), (QStringList{"1", file}));
        QCOMPARE(shell.open(file), handedOver ? int(Shell::kOpened) : int(Shell::kNoAssociation));
        QCOMPARE(shell.open(folder.filePath("missing.txt")), int(Shell::kFileNotFound));
    }
};

QTEST_GUILESS_MAIN(DesktopShellTest)
#include "tst_desktopshell.moc"
