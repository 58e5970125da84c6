#pragma once

#include "vornsdk/index_set.h"

#include <cstdint>
#include <span>
#include <vector>

namespace teskar {

// Many variable-length index lists in one pool, eight bytes of bookkeeping each. A list that
// outgrows its room moves to the end of the pool, leaving its old room abandoned; the pool
// compacts itself when more than half of it is abandoned. Lists keep their order.
//
// Room is handed out in powers of two, except for lists laid out whole by build_exact, whose
// room is exactly their length until they grow.
class ListPool {
public:
    using Index = VORNSDK::Index;

    // Longest list the pool holds.
    static constexpr std::uint32_t kMaxListSize = (1u << 26) - 1;

    std::size_t lists() const { return slots_.size(); }
    void resize(std::size_t n) { slots_.resize(n); }
    // Makes room for that many lists and entries in all without moving anything later.
    void reserve(std::size_t lists, std::size_t entries)
    {
        slots_.reserve(lists);
        data_.reserve(entries);
    }

    std::span<Index const> get(std::size_t i) const
    {
        if (i >= slots_.size())
            return {};
        Slot const& s = slots_[i];
        return {data_.data() + s.offset, s.count()};
    }
    std::size_t size(std::size_t i) const { return i < slots_.size() ? slots_[i].count() : 0; }

    void assign(std::size_t i, std::span<Index const> values);
    void push_back(std::size_t i, Index value);
    // Removes the first occurrence; false when absent.
    bool erase_value(std::size_t i, Index value);
    void clear(std::size_t i) { assign(i, {}); }
    // Drops the lists from n on; their room counts as abandoned.
    void truncate(std::size_t n);
    // Appends lists after the last one: list k holds values[starts[k] .. starts[k + 1]), each
    // value plus add, with room for exactly that many. One step for many lists.
    void append(std::span<Index const> starts, std::span<Index const> values, Index add);

    // Adds list lists() holding exactly `values`, with room for exactly that many.
    void append_exact(std::span<Index const> values);
    // append_exact for many lists at once: sizes[k] values each, taken from values in order.
    void append_exact(std::span<std::uint16_t const> sizes, std::span<Index const> values);

    // Lays out empty lists in bulk, each with room for exactly its entries: count(i) once for
    // every entry list i will hold, then lay_out_counted(first) gives lists first.. their room at
    // the end of the pool, then fill(i, value) puts the entries in (each list fills from its last
    // entry back to its first), and end_fill(first) makes the lists whole.
    void count(std::size_t i)
    {
        if (i >= slots_.size())
            slots_.resize(i + 1);
        slots_[i].set_count(slots_[i].count() + 1);
    }
    void lay_out_counted(std::size_t first);
    void fill(std::size_t i, Index value)
    {
        Slot& s = slots_[i];
        s.set_count(s.count() - 1);
        data_[s.offset + s.count()] = value;
    }
    void end_fill(std::size_t first);

    std::size_t memory_bytes() const { return slots_.capacity() * sizeof(Slot) + data_.capacity() * sizeof(Index); }

private:
    // A list's place: its offset, its length and the size of its room (a power of two, or, for
    // code 0, exactly its length).
    struct Slot {
        std::uint32_t offset = 0;
        std::uint32_t packed = 0;

        std::uint32_t count() const { return packed & kMaxListSize; }
        std::uint32_t capacity() const
        {
            std::uint32_t const code = packed >> 26;
            return code == 0 ? count() : 1u << (code - 1);
        }
        void set(std::uint32_t count, std::uint32_t code) { packed = count | (code << 26); }
        void set_count(std::uint32_t count) { packed = (packed & ~kMaxListSize) | count; }
    };

    void make_room(std::size_t i, std::uint32_t needed);
    void compact();

    std::vector<Slot> slots_;
    std::vector<Index> data_;
    std::size_t abandoned_ = 0;
};

} // namespace teskar
