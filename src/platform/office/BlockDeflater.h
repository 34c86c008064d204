// A stream of bytes deflated into a file on every core at once. The bytes go
// in blocks of a quarter of a megabyte, each deflated by one of a few workers,
// primed with the 32 KB before it so that it packs as tightly as one stream
// would; the blocks join into one raw deflate stream, as a zip entry holds
// it. Only a few blocks are in memory at a time.
#pragma once

#include <QString>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <future>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace tesmo::office {

class BlockDeflater {
public:
    // Creates the file at path; level: zlib's, 1 the fastest. Raises Error
    // when the file cannot be made.
    BlockDeflater(const QString &path, int level);
    // Stops the workers and removes the file.
    ~BlockDeflater();
    BlockDeflater(const BlockDeflater &) = delete;
    BlockDeflater &operator=(const BlockDeflater &) = delete;

    void write(std::string_view bytes);
    // After the last bytes: the stream ended, everything written. Raises
    // Error when a block could not be deflated or written.
    void finish();

    const QString &path() const { return path_; }
    std::uint32_t crc() const { return crc_; }                  // of the bytes written
    std::uint64_t size() const { return size_; }                // the bytes written
    std::uint64_t deflatedSize() const { return deflatedSize_; }

private:
    struct Block {
        std::string deflated;
        std::uint32_t crc = 0;
        std::size_t size = 0;
        bool ok = false;
    };
    struct Job {
        std::string input;
        std::string dictionary;
        bool last = false;
        std::promise<Block> done;
    };
    void submit(bool last);
    void collect();   // writes the oldest block in flight
    void work();      // a worker: deflates jobs until told to stop

    QString path_;
    std::FILE *file_ = nullptr;
    int level_;
    std::string pending_;      // bytes not yet in a block
    std::string dictionary_;   // the last 32 KB of every byte so far
    std::deque<std::future<Block>> inFlight_;
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    std::uint64_t deflatedSize_ = 0;
    bool failed_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    bool stop_ = false;
    std::vector<std::thread> workers_;
};

} // namespace tesmo::office
