#include "platform/office/ForkedWork.h"

#include "platform/Background.h"
#include "text/Error.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tesmo::office {

namespace {

// How long the calling thread waits for the child between two looks at the
// progress and the user's Cancel.
constexpr int kWaitMs = 20;

// What the child tells the program through the pipe: its progress, then that
// the work returned, or the error it raised, with the UTF-8 bytes of the
// error's description after the record.
struct Record {
    enum Kind : std::int32_t { kProgress, kDone, kFailed };
    Kind kind;
    std::int32_t number;   // the error's number
    std::int64_t value;    // the units done; for an error, its description's bytes
};

bool writeAll(int fd, const char *bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= std::size_t(n);
    }
    return true;
}

// The child's end of the pipe. The child ends when no one reads it any more.
class Pipe : public Progress {
public:
    explicit Pipe(int fd)
        : fd_(fd)
    {
    }
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
        if (!writeAll(fd_, reinterpret_cast<const char *>(&record), sizeof record)
            || !writeAll(fd_, text.constData(), std::size_t(text.size())))
            ::_exit(2);
    }

private:
    int fd_;
    qint64 last_ = -1;
};

// The child: runs work, tells how it ended, and ends without running any of
// the program's own ends (its destructors, exit handlers and buffers).
[[noreturn]] void runChild(int fd, pid_t program, const QString &kind, const std::function<void(Progress &)> &work)
{
    // The child ends with the program, even with one that is killed.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != program)
        ::_exit(2);
    Pipe pipe(fd);
    try {
        work(pipe);
        pipe.send({Record::kDone, 0, 0});
    } catch (...) {
        Error failure(kErrCannotWrite, QStringLiteral("The %1 could not be written.").arg(kind));
        try {
            throw;
        } catch (const Error &e) {
            failure = e;
        } catch (...) {
        }
        const QByteArray text = failure.description().toUtf8();
        pipe.send({Record::kFailed, failure.number(), text.size()}, text);
    }
    ::_exit(0);
}

// Reads the child's records from fd until the child has closed it, telling
// its progress to done. Returns whether the work returned; raises the Error
// the work raised.
bool readReport(int fd, std::atomic<qint64> &done)
{
    std::string received;   // bytes of records not yet read whole
    bool returned = false;
    for (;;) {
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return returned;
        received.append(buffer, std::size_t(n));
        std::size_t at = 0;
        Record record;
        while (received.size() - at >= sizeof record) {
            std::memcpy(&record, received.data() + at, sizeof record);
            const std::size_t text = record.kind == Record::kFailed ? std::size_t(record.value) : 0;
            if (received.size() - at - sizeof record < text)
                break;
            if (record.kind == Record::kFailed)
                throw Error(record.number, QString::fromUtf8(received.data() + at + sizeof record, qsizetype(text)));
            if (record.kind == Record::kProgress)
                done = record.value;
            else
                returned = true;
            at += sizeof record + text;
        }
        received.erase(0, at);
    }
}

// The program's hold on the child: on every way out the child is ended, if
// it still runs, the reading of its pipe waited for, and the child reaped.
struct Child {
    pid_t pid;
    int fd;   // the program's end of the pipe
    std::optional<BackgroundTask<bool>> reading;
    int status = 0;
    ~Child()
    {
        if (pid > 0)
            ::kill(pid, SIGKILL);
        if (reading)
            reading->wait();
        ::close(fd);
        if (pid > 0)
            reap();
    }
    void reap()
    {
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        pid = 0;
    }
};

} // namespace

void runForked(const QString &kind, const std::function<void(Progress &)> &work, Progress *progress)
{
    const auto cannot = [&](const QString &why) {
        return Error(kErrCannotWrite, QStringLiteral("The %1 could not be written: %2").arg(kind, why));
    };
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        throw cannot(QString::fromLocal8Bit(std::strerror(errno)));
    const pid_t program = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(ends[0]);
        runChild(ends[1], program, kind, work);
    }
    const int why = errno;
    ::close(ends[1]);
    if (pid < 0) {
        ::close(ends[0]);
        throw cannot(QString::fromLocal8Bit(std::strerror(why)));
    }
    Child child{pid, ends[0], {}};
    const auto done = std::make_shared<std::atomic<qint64>>(0);
    child.reading = runInBackground([fd = child.fd, done] { return readReport(fd, *done); });
    // A Cancel, up to the end, ends the child and the work.
    for (bool ended = false; !ended;) {
        ended = child.reading->waitFor(kWaitMs);
        if (progress)
            progress->report(*done);
    }
    child.reap();
    if (!child.reading->result())
        throw cannot(WIFSIGNALED(child.status)
                         ? QStringLiteral("its writing ended with signal %1.").arg(WTERMSIG(child.status))
                         : QStringLiteral("its writing ended early."));
}

} // namespace tesmo::office
