#pragma once

#include "vornsdk/index_set.h"

#include <cstdint>
#include <span>
#include <vector>

namespace teskar {

// Many variable-length index lists in one pool. A list that outgrows its room moves to the end
// of the pool, leaving its old room abandoned; the pool compacts itself when more than half of
// it is abandoned. Lists keep their order.
class ListPool {
public:
    using Index = VORNSDK::Index;

    std::size_t lists() const { return slots_.size(); }
    void resize(std::size_t n) { slots_.resize(n); }

    std::span<Index const> get(std::size_t i) const
    {
        if (i >= slots_.size())
            return {};
        Slot const& s = slots_[i];
        return {data_.data() + s.offset, s.count};
    }
    std::size_t size(std::size_t i) const { return i < slots_.size() ? slots_[i].count : 0; }

    void assign(std::size_t i, std::span<Index const> values);
    void push_back(std::size_t i, Index value);
    // Removes the first occurrence; false when absent.
    bool erase_value(std::size_t i, Index value);
    void clear(std::size_t i) { assign(i, {}); }
    // Drops the lists from n on; their room counts as abandoned.
    void truncate(std::size_t n);
    // Appends lists after the last one: list k holds values[starts[k] .. starts[k + 1]), each
    // value plus add. One step for many lists, each with just its room.
    void append(std::span<Index const> starts, std::span<Index const> values, Index add);

    std::size_t memory_bytes() const { return slots_.capacity() * sizeof(Slot) + data_.capacity() * sizeof(Index); }

private:
    struct Slot {
        std::uint32_t offset = 0;
        std::uint32_t count = 0;
        std::uint32_t capacity = 0;
    };

    void make_room(std::size_t i, std::uint32_t needed);
    void compact();

    std::vector<Slot> slots_;
    std::vector<Index> data_;
    std::size_t abandoned_ = 0;
};

} // namespace teskar
