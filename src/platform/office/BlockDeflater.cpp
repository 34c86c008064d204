#include "platform/office/BlockDeflater.h"

#include "text/Error.h"

#include <QFile>
#include <algorithm>
#include <zlib.h>

namespace tesmo::office {

namespace {

constexpr std::size_t kBlockBytes = std::size_t{1} << 18;
constexpr std::size_t kWindowBytes = std::size_t{1} << 15;

// Deflates input raw into scratch, primed with dictionary; a block that is
// not the last ends on a byte boundary (a sync flush), so that the next
// one's output follows it in the same stream. Returns the deflated bytes.
bool deflateBlock(const std::string &input, const std::string &dictionary, bool last, int level,
                  std::string &scratch, std::string &out)
{
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return false;
    bool ok = dictionary.empty()
              || deflateSetDictionary(&z, reinterpret_cast<const Bytef *>(dictionary.data()), uInt(dictionary.size()))
                     == Z_OK;
    scratch.resize(deflateBound(&z, uLong(input.size())) + 64);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(input.data()));
    z.avail_in = uInt(input.size());
    z.next_out = reinterpret_cast<Bytef *>(scratch.data());
    z.avail_out = uInt(scratch.size());
    const int rc = ok ? deflate(&z, last ? Z_FINISH : Z_SYNC_FLUSH) : Z_STREAM_ERROR;
    ok = ok && (last ? rc == Z_STREAM_END : rc == Z_OK) && z.avail_in == 0;
    out.assign(scratch.data(), z.total_out);   // the deflated block is small: only it is kept
    deflateEnd(&z);
    return ok;
}

} // namespace

BlockDeflater::BlockDeflater(const QString &path, int level)
    : path_(path)
    , level_(level)
{
    file_ = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!file_)
        throw Error(kErrCannotWrite, QStringLiteral("The file %1 could not be created.").arg(path));
    pending_.reserve(kBlockBytes);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < cores; ++i)
        workers_.emplace_back([this] { work(); });
}

BlockDeflater::~BlockDeflater()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    for (std::thread &worker : workers_)
        worker.join();
    std::fclose(file_);
    QFile::remove(path_);
}

void BlockDeflater::work()
{
    std::string scratch;
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        Block block;
        block.size = job.input.size();
        block.crc = std::uint32_t(crc32_z(0, reinterpret_cast<const Bytef *>(job.input.data()), job.input.size()));
        block.ok = deflateBlock(job.input, job.dictionary, job.last, level_, scratch, block.deflated);
        job.done.set_value(std::move(block));
    }
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

void BlockDeflater::submit(bool last)
{
    // One block for each worker in flight, and one being filled.
    if (inFlight_.size() >= workers_.size())
        collect();
    Job job;
    job.input.swap(pending_);
    pending_.reserve(kBlockBytes);
    job.dictionary = dictionary_;
    job.last = last;
    if (job.input.size() >= kWindowBytes) {
        dictionary_.assign(job.input, job.input.size() - kWindowBytes, kWindowBytes);
    } else {
        dictionary_ += job.input;
        if (dictionary_.size() > kWindowBytes)
            dictionary_.erase(0, dictionary_.size() - kWindowBytes);
    }
    inFlight_.push_back(job.done.get_future());
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    wake_.notify_one();
}

void BlockDeflater::collect()
{
    const Block block = inFlight_.front().get();
    inFlight_.pop_front();
    if (!block.ok || fwrite_unlocked(block.deflated.data(), 1, block.deflated.size(), file_) != block.deflated.size())
        failed_ = true;
    crc_ = std::uint32_t(crc32_combine(crc_, block.crc, z_off_t(block.size)));
    size_ += block.size;
    deflatedSize_ += block.deflated.size();
}

void BlockDeflater::finish()
{
    submit(true);
    while (!inFlight_.empty())
        collect();
    if (failed_ || std::fflush(file_) != 0 || std::ferror(file_))
        throw Error(kErrCannotWrite, QStringLiteral("The file %1 could not be written.").arg(path_));
}

} // namespace tesmo::office
