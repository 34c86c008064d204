// Bytes kept in large chunks that never move: adding to the arena never
// copies what it holds, so filling it with the lots of a large ledger never
// needs room for them twice. A piece is addressed by where it starts.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace tesmo {

class ByteArena {
public:
    // Copies piece in and returns where it starts. A piece longer than a
    // chunk gets room of its own. Raises std::bad_alloc when four gigabytes
    // are used up.
    std::uint32_t add(std::string_view piece);
    // The bytes from at on; a piece never straddles two chunks.
    const char *at(std::uint32_t where) const { return chunks_[where >> kChunkBits].get() + (where & kChunkMask); }

private:
    static constexpr int kChunkBits = 20;
    static constexpr std::uint32_t kChunkSize = std::uint32_t{1} << kChunkBits;
    static constexpr std::uint32_t kChunkMask = kChunkSize - 1;

    std::vector<std::unique_ptr<char[]>> chunks_;
    std::uint32_t end_ = 0;
};

} // namespace tesmo
