#include "platform/office/ForkedWork.h"

#include "text/Error.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tesmo::office {

namespace {

// How long the waiting thread sleeps between two looks at the progress and
// the user's Cancel.
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
    std::optional<Error> failure;
    try {
        work(pipe);
    } catch (const Error &e) {
        failure = e;
    } catch (...) {
        failure = Error(kErrCannotWrite, QStringLiteral("The %1 could not be written.").arg(kind));
    }
    if (failure) {
        const QByteArray text = failure->description().toUtf8();
        pipe.send({Record::kFailed, failure->number(), text.size()}, text);
    } else {
        pipe.send({Record::kDone, 0, 0});
    }
    ::_exit(0);
}

// The program's hold on the child: on every way out the child is ended, if
// it still runs, and waited for.
struct Child {
    pid_t pid;
    int fd;      // the program's end of the pipe
    int status = 0;
    ~Child()
    {
        ::close(fd);
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            reap();
        }
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
    Child child{pid, ends[0]};

    std::string received;   // bytes of records not yet read whole
    qint64 done = 0;
    bool returned = false;
    std::optional<Error> failure;
    for (bool open = true; open;) {
        pollfd ready{child.fd, POLLIN, 0};
        if (::poll(&ready, 1, kWaitMs) > 0) {
            char buffer[4096];
            const ssize_t n = ::read(child.fd, buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, std::size_t(n));
            else if (n == 0 || errno != EINTR)
                open = false;
        }
        std::size_t at = 0;
        Record record;
        while (received.size() - at >= sizeof record) {
            std::memcpy(&record, received.data() + at, sizeof record);
            const std::size_t text = record.kind == Record::kFailed ? std::size_t(record.value) : 0;
            if (received.size() - at - sizeof record < text)
                break;
            if (record.kind == Record::kProgress)
                done = record.value;
            else if (record.kind == Record::kDone)
                returned = true;
            else
                failure = Error(record.number, QString::fromUtf8(received.data() + at + sizeof record, qsizetype(text)));
            at += sizeof record + text;
        }
        received.erase(0, at);
        // A cancel, up to the end, ends the child and the work.
        if (progress && !progress->advance(done))
            throw Error(kErrUserCancelled);
    }
    child.reap();
    if (failure)
        throw *failure;
    if (!returned)
        throw cannot(WIFSIGNALED(child.status)
                         ? QStringLiteral("its writing ended with signal %1.").arg(WTERMSIG(child.status))
                         : QStringLiteral("its writing ended early."));
}

} // namespace tesmo::office
