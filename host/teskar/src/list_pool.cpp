#include "teskar/list_pool.h"

#include <algorithm>

namespace teskar {

void ListPool::make_room(std::size_t i, std::uint32_t needed)
{
    Slot& s = slots_[i];
    if (needed <= s.capacity)
        return;
    // Small lists grow straight to a useful size; larger ones double.
    std::uint32_t const capacity = std::max<std::uint32_t>(needed, std::max<std::uint32_t>(4, s.capacity * 2));
    if (s.offset + s.capacity == data_.size()) {
        // The list already ends the pool: grow in place.
        data_.resize(s.offset + capacity);
        s.capacity = capacity;
        return;
    }
    std::uint32_t const offset = static_cast<std::uint32_t>(data_.size());
    data_.resize(data_.size() + capacity);
    std::copy_n(data_.begin() + s.offset, s.count, data_.begin() + offset);
    abandoned_ += s.capacity;
    s.offset = offset;
    s.capacity = capacity;
    if (abandoned_ * 2 > data_.size())
        compact();
}

void ListPool::compact()
{
    std::vector<Index> packed;
    packed.reserve(data_.size() - abandoned_);
    for (Slot& s : slots_) {
        std::uint32_t const offset = static_cast<std::uint32_t>(packed.size());
        packed.insert(packed.end(), data_.begin() + s.offset, data_.begin() + s.offset + s.capacity);
        s.offset = offset;
    }
    data_.swap(packed);
    abandoned_ = 0;
}

void ListPool::truncate(std::size_t n)
{
    if (n >= slots_.size())
        return;
    // Lists appended together fill the end of the pool: that end is simply cut off, keeping the
    // room for the next lists. Otherwise their room is abandoned.
    std::size_t first = data_.size(), room = 0;
    for (std::size_t i = n; i < slots_.size(); ++i) {
        first = std::min<std::size_t>(first, slots_[i].offset);
        room += slots_[i].capacity;
    }
    slots_.resize(n);
    if (first + room == data_.size()) {
        data_.resize(first);
        return;
    }
    abandoned_ += room;
    if (abandoned_ * 2 > data_.size())
        compact();
}

void ListPool::append(std::span<Index const> starts, std::span<Index const> values, Index add)
{
    if (starts.size() < 2)
        return;
    std::size_t const first = slots_.size();
    std::uint32_t const base = static_cast<std::uint32_t>(data_.size());
    slots_.resize(first + starts.size() - 1);
    for (std::size_t k = 0; k + 1 < starts.size(); ++k) {
        std::uint32_t const count = starts[k + 1] - starts[k];
        slots_[first + k] = {base + starts[k] - starts.front(), count, count};
    }
    data_.resize(base + (starts.back() - starts.front()));
    Index* out = data_.data() + base;
    for (Index i = starts.front(); i < starts.back(); ++i)
        *out++ = values[i] + add;
}

void ListPool::assign(std::size_t i, std::span<Index const> values)
{
    if (i >= slots_.size())
        slots_.resize(i + 1);
    // Values taken from the pool itself must be copied out before the pool can move.
    bool const inside = !data_.empty() && values.data() >= data_.data() && values.data() < data_.data() + data_.size();
    std::vector<Index> copy;
    if (inside) {
        copy.assign(values.begin(), values.end());
        values = copy;
    }
    make_room(i, static_cast<std::uint32_t>(values.size()));
    Slot& s = slots_[i];
    std::copy(values.begin(), values.end(), data_.begin() + s.offset);
    s.count = static_cast<std::uint32_t>(values.size());
}

void ListPool::push_back(std::size_t i, Index value)
{
    if (i >= slots_.size())
        slots_.resize(i + 1);
    make_room(i, slots_[i].count + 1);
    Slot& s = slots_[i];
    data_[s.offset + s.count++] = value;
}

bool ListPool::erase_value(std::size_t i, Index value)
{
    if (i >= slots_.size())
        return false;
    Slot& s = slots_[i];
    auto const first = data_.begin() + s.offset;
    auto const last = first + s.count;
    auto const it = std::find(first, last, value);
    if (it == last)
        return false;
    std::copy(it + 1, last, it);
    --s.count;
    return true;
}

} // namespace teskar
