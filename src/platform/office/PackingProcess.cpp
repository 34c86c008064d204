#include "platform/office/PackingProcess.h"

#include "platform/office/CellJournal.h"
#include "text/Error.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <sys/prctl.h>
#include <unistd.h>

namespace tesmo::office {

namespace {

// How long the program waits for the child between two looks at the
// progress and the user's Cancel.
constexpr int kWaitMs = 20;

// The job's first words: a job of another version of the program (one
// installed over it while it runs) is refused rather than misread.
constexpr quint32 kJobMagic = 0x54574231;   // "TWB1"
constexpr qint32 kJobVersion = 1;

QString &packingProgram()
{
    static QString program;
    return program;
}

// What the child tells through its standard output: its progress, then that
// the work returned, or the error it raised, with the UTF-8 bytes of the
// error's description after the record.
struct Record {
    enum Kind : std::int32_t { kProgress, kDone, kFailed };
    Kind kind;
    std::int32_t number;   // the error's number
    std::int64_t value;    // the units done; for an error, its description's bytes
};

// The child's end: its standard output. A child whose program no longer
// reads it ends.
class Report : public Progress {
public:
    bool advance(qint64 done) override
    {
        if (done != last_) {
            last_ = done;
            send({Record::kProgress, 0, done});
        }
        return true;
    }
    void send(const Record &record, const QByteArray &text = {}) const
    {
        if (!writeAll(reinterpret_cast<const char *>(&record), sizeof record)
            || !writeAll(text.constData(), std::size_t(text.size())))
            ::_exit(2);
    }

private:
    static bool writeAll(const char *bytes, std::size_t size)
    {
        while (size > 0) {
            const ssize_t n = ::write(STDOUT_FILENO, bytes, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            bytes += n;
            size -= std::size_t(n);
        }
        return true;
    }
    qint64 last_ = -1;
};

// The program's reading of the child's records, as they come in pieces.
class ReportReader {
public:
    // Reads the records that bytes complete; raises the Error that the
    // child told.
    void read(const QByteArray &bytes)
    {
        received_ += bytes;
        qsizetype at = 0;
        Record record;
        while (received_.size() - at >= qsizetype(sizeof record)) {
            std::memcpy(&record, received_.constData() + at, sizeof record);
            const qsizetype text = record.kind == Record::kFailed ? qsizetype(record.value) : 0;
            if (received_.size() - at - qsizetype(sizeof record) < text)
                break;
            if (record.kind == Record::kFailed)
                throw Error(record.number, QString::fromUtf8(received_.constData() + at + sizeof record, text));
            if (record.kind == Record::kProgress)
                done_ = record.value;
            else
                returned_ = true;
            at += qsizetype(sizeof record) + text;
        }
        received_.remove(0, at);
    }
    qint64 done() const { return done_; }
    bool returned() const { return returned_; }

private:
    QByteArray received_;   // bytes of records not yet read whole
    qint64 done_ = 0;
    bool returned_ = false;
};

QDataStream &operator<<(QDataStream &out, const SheetLayout &sheet)
{
    out << sheet.title << quint32(sheet.columns.size());
    for (const SheetColumn &c : sheet.columns)
        out << c.maxChars << c.width << c.numberFormat;
    out << quint32(sheet.rowFonts.size());
    for (const RowFont &f : sheet.rowFonts)
        out << qint32(f.first) << qint32(f.last) << f.bold << f.italic;
    return out;
}

QDataStream &operator>>(QDataStream &in, SheetLayout &sheet)
{
    quint32 n = 0;
    in >> sheet.title >> n;
    for (quint32 i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
        SheetColumn c;
        in >> c.maxChars >> c.width >> c.numberFormat;
        sheet.columns.push_back(c);
    }
    in >> n;
    for (quint32 i = 0; i < n && in.status() == QDataStream::Ok; ++i) {
        qint32 first = 0, last = 0;
        RowFont f{0, 0};
        in >> first >> last >> f.bold >> f.italic;
        f.first = first, f.last = last;
        sheet.rowFonts.push_back(f);
    }
    return in;
}

} // namespace

void setPackingProgram(const QString &program)
{
    packingProgram() = program;
}

void packInChild(const WorkbookJob &job, Progress *progress)
{
    const auto cannot = [](const QString &why) {
        return Error(kErrCannotWrite, QStringLiteral("The workbook could not be written: %1").arg(why));
    };
    QByteArray bytes;
    {
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out.setVersion(QDataStream::Qt_6_4);
        out << kJobMagic << kJobVersion << qint64(::getpid()) << job.sheet << qint64(job.size.atMost())
            << qint64(job.size.cells()) << job.cells << qint64(job.cellCount) << job.tmpdir << job.path;
    }
    auto *child = new QProcess;
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QString program =
        packingProgram().isEmpty() ? QCoreApplication::applicationFilePath() : packingProgram();
    child->start(program, {QString::fromLatin1(kPackWorkbookArgument)});
    // On every way out the child is ended, if it still runs, and reaped. One
    // stopped (a Cancel) is reaped by the application once it has gone, and
    // what it may have made in the folder while it went is removed then: the
    // program goes on at once, the folder's files removed by their owner.
    const auto end = qScopeGuard([child, folder = job.tmpdir] {
        if (child->state() == QProcess::NotRunning) {
            delete child;
            return;
        }
        child->kill();
        QObject::connect(child, &QProcess::finished, child, [child, folder] {
            if (QDir::isAbsolutePath(folder) && QDir(folder).dirName().startsWith(QLatin1String("Tesmo-")))
                QDir(folder).removeRecursively();
            child->deleteLater();
        });
        child->setParent(QCoreApplication::instance());
    });
    if (!child->waitForStarted(-1))
        throw cannot(child->errorString());
    child->write(bytes);
    child->closeWriteChannel();
    // A Cancel, up to the end, ends the child and the work.
    ReportReader report;
    while (child->state() != QProcess::NotRunning) {
        child->waitForReadyRead(kWaitMs);
        report.read(child->readAllStandardOutput());
        if (progress)
            progress->report(report.done());
    }
    report.read(child->readAllStandardOutput());
    if (!report.returned())
        throw cannot(child->exitStatus() == QProcess::CrashExit
                         ? QStringLiteral("its writing ended with signal %1.").arg(child->exitCode())
                         : QStringLiteral("its writing ended early."));
}

int packWorkbook()
{
    QFile input;
    if (!input.open(STDIN_FILENO, QIODevice::ReadOnly))
        return 2;
    const QByteArray bytes = input.readAll();
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_4);
    quint32 magic = 0;
    qint32 version = 0;
    qint64 program = 0, atMost = 0, cellsInSheet = 0, cellCount = 0;
    SheetLayout sheet;
    QString cells, tmpdir, path;
    in >> magic >> version >> program;
    if (in.status() != QDataStream::Ok || magic != kJobMagic || version != kJobVersion) {
        std::fprintf(stderr, "tesmo: %s is for Tesmo's own use: it packs the workbook of an export\n",
                     kPackWorkbookArgument);
        return 2;
    }
    in >> sheet >> atMost >> cellsInSheet >> cells >> cellCount >> tmpdir >> path;
    // The child ends with the program that started it, even with one that
    // is killed; one that is gone already is not waited for.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (in.status() != QDataStream::Ok || ::getppid() != pid_t(program))
        return 2;
    Report report;
    try {
        CellJournal journal(cells, cellCount);
        journal.rewind();
        const SheetSize size = SheetSize::measured(atMost, cellsInSheet);
        WorkbookWriter(sheet, size, journal, tmpdir).write(path, report);
        report.send({Record::kDone, 0, 0});
    } catch (const Error &e) {
        const QByteArray text = e.description().toUtf8();
        report.send({Record::kFailed, e.number(), text.size()}, text);
    } catch (const std::bad_alloc &) {
        const QByteArray text = Error(kErrOutOfMemory).description().toUtf8();
        report.send({Record::kFailed, kErrOutOfMemory, text.size()}, text);
    }
    return 0;
}

} // namespace tesmo::office
