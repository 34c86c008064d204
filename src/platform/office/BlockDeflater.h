// A stream of bytes deflated into a file on every core at once. The bytes go
// in blocks of a quarter of a megabyte, each deflated on a thread of Qt's
// pool, primed with the 32 KB before it so that it packs as
// tightly as one stream would; the blocks join into one raw deflate stream,
// as a zip entry holds it. Only a few blocks are in memory at a time.
//
// What may run at once: the blocks are deflated on Qt's pool, each from a
// copy of its bytes; everything else, the file included, is the calling
// thread's.
#pragma once

#include "platform/office/ZipWriter.h"

#include <QFuture>
#include <QString>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>

namespace tesmo::office {

class BlockDeflater {
public:
    // Creates the file at path; level: zlib's, 1 the fastest. Raises Error
    // when the file cannot be made.
    BlockDeflater(const QString &path, int level);
    // Waits for the blocks in flight and removes the file.
    ~BlockDeflater();
    BlockDeflater(const BlockDeflater &) = delete;
    BlockDeflater &operator=(const BlockDeflater &) = delete;

    // Raises Error when a block could not be deflated or written.
    void write(std::string_view bytes);
    // After the last bytes: the stream ended and written whole. Raises Error
    // when it could not be. The file stays while the deflater lives.
    DeflatedFile finish();

    struct Block {
        std::string deflated;
        std::uint32_t crc = 0;
        std::size_t size = 0;
        int error = 0;   // the Error that the deflating met; 0 when none
    };

private:
    void submit(bool last);
    void collect();   // writes the oldest block in flight
    [[noreturn]] void fail() const;

    QString path_;
    std::FILE *file_ = nullptr;
    int level_;
    std::size_t inFlightMost_;
    std::string pending_;      // bytes not yet in a block
    std::string dictionary_;   // the last 32 KB of every byte so far
    std::deque<QFuture<Block>> inFlight_;
    DeflatedFile written_;
};

} // namespace tesmo::office
