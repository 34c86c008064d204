#include "text/ByteArena.h"

#include <cstring>
#include <new>

namespace tesmo {

// A piece that would not fit in the room left in the last chunk goes to the
// start of the next one. A piece longer than a chunk takes the places of as
// many chunks as it spans, in one allocation held by the first of them; the
// next piece starts after them.
std::uint32_t ByteArena::add(std::string_view piece)
{
    std::uint64_t where = end_;
    if ((where & kChunkMask) + piece.size() > kChunkSize)
        where = (where | kChunkMask) + 1;
    const std::uint64_t end = where + piece.size();
    if (end > std::uint64_t{0xFFFFFFFF})
        throw std::bad_alloc();
    const std::size_t chunk = std::size_t(where >> kChunkBits);
    if (piece.size() > kChunkSize) {
        chunks_.resize(chunk);
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(piece.size()));
        chunks_.resize(std::size_t((end + kChunkMask) >> kChunkBits));
        std::memcpy(chunks_[chunk].get(), piece.data(), piece.size());
        end_ = std::uint32_t(std::min<std::uint64_t>((end + kChunkMask) & ~std::uint64_t{kChunkMask}, 0xFFFFFFFF));
        return std::uint32_t(where);
    }
    while (chunks_.size() <= chunk)
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
    if (!piece.empty())
        std::memcpy(chunks_[chunk].get() + (where & kChunkMask), piece.data(), piece.size());
    end_ = std::uint32_t(end);
    return std::uint32_t(where);
}

} // namespace tesmo
