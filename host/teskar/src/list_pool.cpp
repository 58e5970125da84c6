#include "teskar/list_pool.h"

#include <algorithm>
#include <bit>

namespace teskar {

namespace {

// The room code for at least `needed` entries: a power of two, at least 4.
std::uint32_t room_code(std::uint32_t needed)
{
    std::uint32_t const room = std::bit_ceil(std::max<std::uint32_t>(needed, 4));
    return static_cast<std::uint32_t>(std::countr_zero(room)) + 1;
}

} // namespace

void ListPool::make_room(std::size_t i, std::uint32_t needed)
{
    Slot& s = slots_[i];
    std::uint32_t const old_capacity = s.capacity();
    if (needed <= old_capacity)
        return;
    std::uint32_t const code = room_code(std::max(needed, old_capacity * 2));
    std::uint32_t const capacity = 1u << (code - 1);
    if (s.offset + old_capacity == data_.size()) {
        // The list already ends the pool: grow in place.
        data_.resize(s.offset + capacity);
    } else {
        std::uint32_t const offset = static_cast<std::uint32_t>(data_.size());
        data_.resize(data_.size() + capacity);
        std::copy_n(data_.begin() + s.offset, s.count(), data_.begin() + offset);
        abandoned_ += old_capacity;
        s.offset = offset;
    }
    s.set(s.count(), code);
    if (abandoned_ * 2 > data_.size())
        compact();
}

void ListPool::compact()
{
    std::vector<Index> packed;
    packed.reserve(data_.size() - abandoned_);
    for (Slot& s : slots_) {
        std::uint32_t const offset = static_cast<std::uint32_t>(packed.size());
        packed.insert(packed.end(), data_.begin() + s.offset, data_.begin() + s.offset + s.capacity());
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
        room += slots_[i].capacity();
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
        Slot& s = slots_[first + k];
        s.offset = base + starts[k] - starts.front();
        s.set(starts[k + 1] - starts[k], 0);
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
    std::uint32_t const n = static_cast<std::uint32_t>(values.size());
    if (n > 0)
        make_room(i, n);
    Slot& s = slots_[i];
    std::copy(values.begin(), values.end(), data_.begin() + s.offset);
    // An exact room shrinks with its list; what it gave up is left for the next compaction.
    s.set_count(n);
}

void ListPool::push_back(std::size_t i, Index value)
{
    if (i >= slots_.size())
        slots_.resize(i + 1);
    make_room(i, slots_[i].count() + 1);
    Slot& s = slots_[i];
    data_[s.offset + s.count()] = value;
    s.set_count(s.count() + 1);
}

bool ListPool::erase_value(std::size_t i, Index value)
{
    if (i >= slots_.size())
        return false;
    Slot& s = slots_[i];
    auto const first = data_.begin() + s.offset;
    auto const last = first + s.count();
    auto const it = std::find(first, last, value);
    if (it == last)
        return false;
    std::copy(it + 1, last, it);
    s.set_count(s.count() - 1);
    return true;
}

void ListPool::append_exact(std::span<Index const> values)
{
    Slot s;
    s.offset = static_cast<std::uint32_t>(data_.size());
    s.set(static_cast<std::uint32_t>(values.size()), 0);
    data_.insert(data_.end(), values.begin(), values.end());
    slots_.push_back(s);
}

void ListPool::append_exact(std::span<std::uint16_t const> sizes, std::span<Index const> values)
{
    std::size_t offset = data_.size();
    data_.insert(data_.end(), values.begin(), values.end());
    std::size_t const first = slots_.size();
    slots_.resize(first + sizes.size());
    for (std::size_t k = 0; k < sizes.size(); ++k) {
        slots_[first + k].offset = static_cast<std::uint32_t>(offset);
        slots_[first + k].set(sizes[k], 0);
        offset += sizes[k];
    }
}

void ListPool::lay_out_counted(std::size_t first)
{
    std::size_t total = data_.size();
    for (std::size_t i = first; i < slots_.size(); ++i) {
        slots_[i].offset = static_cast<std::uint32_t>(total);
        total += slots_[i].count();
    }
    data_.resize(total);
    // Each list's count now runs down as fill() puts entries in.
    for (std::size_t i = first; i < slots_.size(); ++i)
        slots_[i].set(slots_[i].count(), 0);
}

void ListPool::end_fill(std::size_t first)
{
    for (std::size_t i = first; i < slots_.size(); ++i) {
        std::size_t const end = i + 1 < slots_.size() ? slots_[i + 1].offset : data_.size();
        slots_[i].set(static_cast<std::uint32_t>(end - slots_[i].offset), 0);
    }
}

} // namespace teskar
