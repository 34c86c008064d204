// A full disk for the tests: while an object lives, no file of this process
// may grow beyond the limit (RLIMIT_FSIZE, with SIGXFSZ ignored, so that a
// write past it fails with EFBIG instead of ending the process).
#pragma once

#include <csignal>
#include <sys/resource.h>

namespace tesmo::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &before_);
        signal_ = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, before_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &before_);
        std::signal(SIGXFSZ, signal_);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;

private:
    rlimit before_{};
    void (*signal_)(int) = nullptr;
};

} // namespace tesmo::test
