#include "store/ByteArena.h"

#include <cstring>
#include <new>

namespace tesmo {

// A piece that would not fit in the room left in the last chunk goes to the
// start of the next one.
std::uint32_t ByteArena::add(std::string_view piece)
{
    std::uint64_t where = end_;
    if ((where & kChunkMask) + piece.size() > kChunkSize)
        where = (where | kChunkMask) + 1;
    if (piece.size() > kLongest || where + piece.size() > std::uint64_t{0xFFFFFFFF})
        throw std::bad_alloc();
    const std::size_t chunk = std::size_t(where >> kChunkBits);
    while (chunks_.size() <= chunk)
        chunks_.push_back(std::make_unique_for_overwrite<char[]>(kChunkSize));
    if (!piece.empty())
        std::memcpy(chunks_[chunk].get() + (where & kChunkMask), piece.data(), piece.size());
    end_ = std::uint32_t(where + piece.size());
    return std::uint32_t(where);
}

} // namespace tesmo
