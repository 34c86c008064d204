// The IDs of a record set in ascending order: four bytes an ID while every ID
// lies between 0 and 4,294,967,295 (the IDs a ledger gives), eight bytes once
// one does not, so that a ledger of a million lots keeps them in 4 MB.
#pragma once

#include "text/Fields.h"

#include <cstdint>
#include <vector>

namespace tesmo {

class Keyset {
public:
    // Filling: IDs in any order, then sorted once.
    void reserve(std::size_t count);
    void append(LotId id);
    void sort();

    std::size_t size() const { return wide_ ? wideIds_.size() : narrowIds_.size(); }
    bool empty() const { return size() == 0; }
    LotId operator[](std::size_t position) const
    {
        return wide_ ? wideIds_[position] : LotId(narrowIds_[position]);
    }
    // The position of id; -1 when the set does not hold it.
    int positionOf(LotId id) const;
    // Adds id after every ID not larger than it; returns its position.
    std::size_t insert(LotId id);
    void erase(std::size_t position);

private:
    static bool narrow(LotId id) { return id >= 0 && id <= LotId(UINT32_MAX); }
    // The first position whose ID is larger than id (after: or not smaller).
    std::size_t bound(LotId id, bool after) const;
    void widen();

    bool wide_ = false;
    std::vector<std::uint32_t> narrowIds_;
    std::vector<LotId> wideIds_;
};

} // namespace tesmo
