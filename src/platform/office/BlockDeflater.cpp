#include "platform/office/BlockDeflater.h"

#include "text/Error.h"

#include <QFile>
#include <QThread>
#include <QtConcurrentRun>
#include <algorithm>
#include <memory>
#include <new>
#include <zlib.h>

namespace tesmo::office {

namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 18;
constexpr std::size_t kWindowBytes = std::size_t{1} << 15;

// Deflates input raw, primed with dictionary; a block that is not the last
// ends on a byte boundary (a sync flush), so that the next one's output
// follows it in the same stream. A failure of zlib is told in the block, to
// be raised where the block is written.
BlockDeflater::Block deflateBlock(const std::string &input, const std::string &dictionary, bool last, int level)
try {
    BlockDeflater::Block block;
    block.size = input.size();
    block.crc = std::uint32_t(crc32_z(0, reinterpret_cast<const Bytef *>(input.data()), input.size()));
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        block.error = kErrOutOfMemory;
        return block;
    }
    bool ok = dictionary.empty()
              || deflateSetDictionary(&z, reinterpret_cast<const Bytef *>(dictionary.data()), uInt(dictionary.size()))
                     == Z_OK;
    const std::size_t room = deflateBound(&z, uLong(input.size())) + 64;
    const auto out = std::make_unique_for_overwrite<char[]>(room);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    z.avail_in = uInt(input.size());
    z.next_out = reinterpret_cast<Bytef *>(out.get());
    z.avail_out = uInt(room);
    const int rc = ok ? deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH) : Z_STREAM_ERROR;
    ok = ok && (last ? rc == Z_STREAM_END : rc == Z_OK) && z.avail_in == 0;
    block.deflated.assign(out.get(), z.total_out);   // the deflated block is small: only it is kept
    deflateEnd(&z);
    if (!ok)
        block.error = kErrCannotWrite;
    return block;
} catch (const std::bad_alloc &) {
    BlockDeflater::Block failed;
    failed.error = kErrOutOfMemory;
    return failed;
}

} // namespace

BlockDeflater::BlockDeflater(const QString &path, int level)
    : path_(path)
    , level_(level)
    , inFlightMost_(std::size_t(std::max(1, QThread::idealThreadCount())))
{
    file_ = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file_)
        throw Error(kErrCannotWrite, QStringLiteral("The file %1 could not be created.").arg(path));
    pending_.reserve(kBlockBytes);
    written_.path = path;
}

BlockDeflater::~BlockDeflater()
{
    for (QFuture<Block> &block : inFlight_)
        block.waitForFinished();
    std::fclose(file_);
    QFile::remove(path_);
}

void BlockDeflater::fail() const
{
    throw Error(kErrCannotWrite, QStringLiteral("The file %1 could not be written.").arg(path_));
}

void BlockDeflater::write(std::string_view bytes)
{
    while (!bytes.empty()) {
        const std::size_t n = std::min(bytes.size(), kBlockBytes - pending_.size());
        pending_.append(bytes.data(), n);
        bytes.remove_prefix(n);
        if (pending_.size() == kBlockBytes)
            submit(false);
    }
}

// One block for each core in flight, and one being filled.
void BlockDeflater::submit(bool last)
{
    if (inFlight_.size() >= inFlightMost_)
        collect();
    std::string input;
    input.swap(pending_);
    pending_.reserve(kBlockBytes);
    std::string dictionary = dictionary_;
    if (input.size() >= kWindowBytes) {
        dictionary_.assign(input, input.size() - kWindowBytes, kWindowBytes);
    } else {
        dictionary_ += input;
        if (dictionary_.size() > kWindowBytes)
            dictionary_.erase(0, dictionary_.size() - kWindowBytes);
    }
    inFlight_.push_back(QtConcurrent::run(
        [input = std::move(input), dictionary = std::move(dictionary), last, level = level_] {
            return deflateBlock(input, dictionary, last, level);
        }));
}

void BlockDeflater::collect()
{
    const Block block = inFlight_.front().takeResult();
    inFlight_.pop_front();
    if (block.error == kErrOutOfMemory)
        throw Error(kErrOutOfMemory);
    if (block.error != 0)
        throw Error(kErrCannotWrite, QStringLiteral("A block of the document could not be deflated."));
    if (fwrite_unlocked(block.deflated.data(), 1, block.deflated.size(), file_) != block.deflated.size())
        fail();
    written_.crc = std::uint32_t(crc32_combine(written_.crc, block.crc, z_off_t(block.size)));
    written_.size += block.size;
    written_.deflatedSize += block.deflated.size();
}

DeflatedFile BlockDeflater::finish()
{
    submit(true);
    while (!inFlight_.empty())
        collect();
    if (std::fflush(file_) != 0 || std::ferror(file_))
        fail();
    return written_;
}

} // namespace tesmo::office
