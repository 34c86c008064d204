// Work run off the window's thread, on the program's one pool of threads,
// with its result brought back: either waited for where it is needed, or
// handed to a function on the thread of a living object once the work has
// ended. The result is the work's value or what it raised, raised again
// where the result is taken, so that a failure travels as every other
// failure does: as an Error.
//
// What may run at once: the work runs on a pool thread, alone with what it
// captured; it must share nothing with the window's thread but what it was
// given for that (a stop flag, a count of its progress), and it converts no
// local times and draws nothing from the C library's rand(), because the
// workbook's process is forked from the window's thread while such work may
// be under way (see office/ForkedWork.h). A BackgroundTask is used on one
// thread, the one that started the work.
#pragma once

#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace tesmo {

namespace background {

// The pool: one thread per core for work, and room beside them for work
// that mostly waits (the daily copy for a lock, a pipe for its writer), so
// that such work never holds up the rest.
inline QThreadPool &pool()
{
    static struct Pool : QThreadPool {
        Pool() { setMaxThreadCount(QThread::idealThreadCount() + 4); }
    } threads;
    return threads;
}

// What the work and the thread that waits for it share.
template <typename T>
struct Shared {
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::optional<Value> value;
    std::exception_ptr error;
    QObject *receiver = nullptr;   // where done is told; null once it is gone
};

} // namespace background

template <typename T>
class BackgroundTask {
public:
    explicit BackgroundTask(std::shared_ptr<background::Shared<T>> shared)
        : shared_(std::move(shared))
    {
    }

    // Waits for the work to end.
    void wait() const
    {
        std::unique_lock lock(shared_->mutex);
        shared_->ended.wait(lock, [this] { return shared_->done; });
    }
    // Waits at most ms for the work to end; true once it has.
    bool waitFor(int ms) const
    {
        std::unique_lock lock(shared_->mutex);
        return shared_->ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return shared_->done; });
    }
    // Waits for the work to end, then returns its value, or raises again
    // what it raised. The value is taken: once.
    T result()
    {
        wait();
        if (shared_->error)
            std::rethrow_exception(shared_->error);
        if constexpr (!std::is_void_v<T>)
            return std::move(*std::exchange(shared_->value, std::nullopt));
    }

private:
    std::shared_ptr<background::Shared<T>> shared_;
};

namespace background {

template <typename Work>
using ResultOf = std::invoke_result_t<std::decay_t<Work> &>;

// Runs work on the pool, its result kept in shared; then, with shared's lock
// held, whenDone(shared).
template <typename T, typename Work, typename WhenDone>
void start(const std::shared_ptr<Shared<T>> &shared, Work &&work, WhenDone whenDone)
{
    pool().start([shared, work = std::forward<Work>(work), whenDone = std::move(whenDone)]() mutable {
        std::optional<typename Shared<T>::Value> value;
        std::exception_ptr error;
        try {
            if constexpr (std::is_void_v<T>) {
                work();
                value.emplace();
            } else {
                value.emplace(work());
            }
        } catch (...) {
            error = std::current_exception();
        }
        const std::lock_guard lock(shared->mutex);
        shared->value = std::move(value);
        shared->error = error;
        shared->done = true;
        shared->ended.notify_all();
        whenDone(*shared);
    });
}

// Lives on the context's thread as the context's child, so that it goes
// with it; while it lives, the work's end is told through it.
template <typename T>
class Receiver : public QObject {
public:
    Receiver(QObject &context, const std::shared_ptr<Shared<T>> &shared)
        : QObject(&context)
        , shared_(shared)
    {
        shared_->receiver = this;
    }
    ~Receiver() override
    {
        const std::lock_guard lock(shared_->mutex);
        shared_->receiver = nullptr;
    }

private:
    std::shared_ptr<Shared<T>> shared_;
};

} // namespace background

// Runs work() on a thread of the pool. The task waits for it and takes its
// result; work keeps running when the task goes, so it must own what it uses.
template <typename Work>
BackgroundTask<background::ResultOf<Work>> runInBackground(Work &&work)
{
    using T = background::ResultOf<Work>;
    const auto shared = std::make_shared<background::Shared<T>>();
    background::start(shared, std::forward<Work>(work), [](background::Shared<T> &) {});
    return BackgroundTask<T>(shared);
}

// Runs work() on a thread of the pool, then done(task) on the thread of
// context, with the task ended: task.result() gives the value or raises the
// error. Called on context's thread. When context is gone before then, done
// is never called. The task returned waits for the same work.
template <typename Work, typename Done>
BackgroundTask<background::ResultOf<Work>> runInBackground(Work &&work, QObject &context, Done done)
{
    using T = background::ResultOf<Work>;
    const auto shared = std::make_shared<background::Shared<T>>();
    new background::Receiver<T>(context, shared);
    background::start(shared, std::forward<Work>(work),
                      [shared, done = std::move(done)](background::Shared<T> &ended) mutable {
                          // The receiver cannot go while the lock is held: its end takes it.
                          QObject *receiver = ended.receiver;
                          if (!receiver)
                              return;
                          QMetaObject::invokeMethod(
                              receiver,
                              [receiver, shared, done = std::move(done)]() mutable {
                                  receiver->deleteLater();
                                  done(BackgroundTask<T>(shared));
                              },
                              Qt::QueuedConnection);
                      });
    return BackgroundTask<T>(shared);
}

} // namespace tesmo
