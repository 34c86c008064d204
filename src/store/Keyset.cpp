#include "store/Keyset.h"

#include <algorithm>

namespace tesmo {

void Keyset::reserve(std::size_t count)
{
    if (wide_)
        wideIds_.reserve(count);
    else
        narrowIds_.reserve(count);
}

void Keyset::append(LotId id)
{
    if (!wide_ && !narrow(id))
        widen();
    if (wide_)
        wideIds_.push_back(id);
    else
        narrowIds_.push_back(std::uint32_t(id));
}

void Keyset::sort()
{
    const auto sorted = [](auto &ids) {
        if (!std::is_sorted(ids.begin(), ids.end()))
            std::sort(ids.begin(), ids.end());
    };
    if (wide_)
        sorted(wideIds_);
    else
        sorted(narrowIds_);
}

std::size_t Keyset::bound(LotId id, bool after) const
{
    const auto search = [&](const auto &ids, auto key) {
        const auto it = after ? std::upper_bound(ids.begin(), ids.end(), key)
                              : std::lower_bound(ids.begin(), ids.end(), key);
        return std::size_t(it - ids.begin());
    };
    if (wide_)
        return search(wideIds_, id);
    // Below or above every narrow ID.
    if (id < 0)
        return 0;
    if (id > LotId(UINT32_MAX))
        return narrowIds_.size();
    return search(narrowIds_, std::uint32_t(id));
}

int Keyset::positionOf(LotId id) const
{
    const std::size_t position = bound(id, false);
    return position < size() && (*this)[position] == id ? int(position) : -1;
}

std::size_t Keyset::insert(LotId id)
{
    if (!wide_ && !narrow(id))
        widen();
    const std::size_t position = bound(id, true);
    if (wide_)
        wideIds_.insert(wideIds_.begin() + std::ptrdiff_t(position), id);
    else
        narrowIds_.insert(narrowIds_.begin() + std::ptrdiff_t(position), std::uint32_t(id));
    return position;
}

void Keyset::erase(std::size_t position)
{
    if (wide_)
        wideIds_.erase(wideIds_.begin() + std::ptrdiff_t(position));
    else
        narrowIds_.erase(narrowIds_.begin() + std::ptrdiff_t(position));
}

void Keyset::widen()
{
    wideIds_.reserve(narrowIds_.capacity());
    wideIds_.assign(narrowIds_.begin(), narrowIds_.end());
    narrowIds_ = {};
    wide_ = true;
}

} // namespace tesmo
