#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace VORNSDK {

// Mesh element indices. kNoIndex never names an element.
using Index = std::uint32_t;
inline constexpr Index kNoIndex = 0xFFFFFFFFu;

// An edge as two point indices. The order is kept (it tells the side an edge is walked on),
// but two pairs with the same points are the same edge: equality and ordering ignore the order.
struct VertexPair {
    Index v1 = kNoIndex;
    Index v2 = kNoIndex;

    constexpr VertexPair() = default;
    constexpr VertexPair(Index a, Index b) : v1(a), v2(b) {}

    constexpr Index sorted_v1() const { return v1 < v2 ? v1 : v2; }
    constexpr Index sorted_v2() const { return v1 < v2 ? v2 : v1; }
    constexpr VertexPair flip() const { return {v2, v1}; }
    constexpr Index other_vertex(Index v) const { return v == v1 ? v2 : v1; }
    constexpr bool contains(Index v) const { return v == v1 || v == v2; }
    constexpr bool invalid() const { return v1 == kNoIndex || v2 == kNoIndex || v1 == v2; }
    // The same points in the same order.
    constexpr bool same_direction(VertexPair const& o) const { return v1 == o.v1 && v2 == o.v2; }
    // A key that is equal for both orders.
    constexpr std::uint64_t key() const { return (std::uint64_t(sorted_v1()) << 32) | sorted_v2(); }

    friend constexpr bool operator==(VertexPair const& a, VertexPair const& b) { return a.key() == b.key(); }
    friend constexpr bool operator<(VertexPair const& a, VertexPair const& b) { return a.key() < b.key(); }
};

namespace detail {

inline std::uint64_t mix(std::uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return x;
}

// Mesh elements are mostly visited in index order, and neighbouring elements have close indices:
// hashes that keep that order keep the table's accesses close together in memory.
inline std::uint64_t hash_key(Index i) { return i; }
inline std::uint64_t hash_key(VertexPair const& e) { return (std::uint64_t(e.sorted_v1()) << 3) + (e.sorted_v2() & 7u); }

} // namespace detail

// A set that iterates in insertion order with O(1) insert, erase and membership.
//
// Erasing never moves the other members, so a loop may erase while it iterates; inserting may
// compact the storage and so invalidates iterators.
template <class Key>
class OrderedSet {
public:
    class iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Key;
        using difference_type = std::ptrdiff_t;
        using pointer = Key const*;
        using reference = Key const&;

        iterator(OrderedSet const* set, std::size_t i) : set_(set), i_(i) { skip(); }
        Key const& operator*() const { return set_->keys_[i_]; }
        iterator& operator++()
        {
            ++i_;
            skip();
            return *this;
        }
        bool operator==(iterator const& o) const { return i_ == o.i_; }
        bool operator!=(iterator const& o) const { return i_ != o.i_; }

    private:
        void skip()
        {
            while (i_ < set_->keys_.size() && !set_->alive_[i_])
                ++i_;
        }
        OrderedSet const* set_;
        std::size_t i_;
    };

    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, keys_.size()); }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    bool contains(Key const& k) const { return find_slot(k) != kEmpty; }

    // True when the key was not yet a member.
    bool insert(Key const& k)
    {
        if (keys_.size() - size_ > size_ && keys_.size() > 64)
            compact();
        if ((keys_.size() + 1) * 2 > table_.size())
            rehash(table_.empty() ? 16 : table_.size() * 2);
        // One probe finds either the key or the empty slot where it belongs.
        std::size_t const mask = table_.size() - 1;
        std::size_t s = home_slot(k);
        for (; table_[s] != 0; s = (s + 1) & mask)
            if (keys_[table_[s] - 1] == k)
                return false;
        keys_.push_back(k);
        alive_.push_back(1);
        table_[s] = static_cast<std::uint32_t>(keys_.size());
        ++size_;
        return true;
    }

    // True when the key was a member.
    bool erase(Key const& k)
    {
        std::size_t slot = find_slot(k);
        if (slot == kEmpty)
            return false;
        alive_[table_[slot] - 1] = 0;
        --size_;
        // Backward-shift deletion keeps every probe chain unbroken.
        std::size_t const mask = table_.size() - 1;
        std::size_t hole = slot;
        for (std::size_t next = (hole + 1) & mask; table_[next] != 0; next = (next + 1) & mask) {
            std::size_t const home = home_slot(keys_[table_[next] - 1]);
            if (((next - home) & mask) >= ((next - hole) & mask)) {
                table_[hole] = table_[next];
                hole = next;
            }
        }
        table_[hole] = 0;
        return true;
    }

    // Inserts an absent key, erases a present one.
    void toggle(Key const& k)
    {
        if (!erase(k))
            insert(k);
    }

    void clear()
    {
        keys_.clear();
        alive_.clear();
        table_.clear();
        size_ = 0;
    }

    void reserve(std::size_t n)
    {
        keys_.reserve(n);
        alive_.reserve(n);
        std::size_t cap = 16;
        while (cap < n * 2)
            cap *= 2;
        if (cap > table_.size())
            rehash(cap);
    }

    // The place of a member in insertion order, counting erased members too (so it equals the
    // member's rank among the survivors only while nothing was erased); size() when absent.
    std::size_t position(Key const& k) const
    {
        std::size_t const slot = find_slot(k);
        return slot == kEmpty ? keys_.size() : table_[slot] - 1;
    }

    // The stored key equal to k (for edges: with the orientation it was inserted with).
    Key const* find(Key const& k) const
    {
        std::size_t const slot = find_slot(k);
        return slot == kEmpty ? nullptr : &keys_[table_[slot] - 1];
    }

    friend bool operator==(OrderedSet const& a, OrderedSet const& b)
    {
        if (a.size_ != b.size_)
            return false;
        auto ia = a.begin(), ib = b.begin();
        for (; ia != a.end(); ++ia, ++ib)
            if (!(*ia == *ib))
                return false;
        return true;
    }

private:
    static constexpr std::size_t kEmpty = ~std::size_t(0);

    std::size_t home_slot(Key const& k) const { return detail::hash_key(k) & (table_.size() - 1); }

    std::size_t find_slot(Key const& k) const
    {
        if (table_.empty())
            return kEmpty;
        std::size_t const mask = table_.size() - 1;
        for (std::size_t s = home_slot(k);; s = (s + 1) & mask) {
            std::uint32_t const entry = table_[s];
            if (entry == 0)
                return kEmpty;
            if (keys_[entry - 1] == k)
                return s;
        }
    }

    void place(std::uint32_t position)
    {
        std::size_t const mask = table_.size() - 1;
        std::size_t s = home_slot(keys_[position]);
        while (table_[s] != 0)
            s = (s + 1) & mask;
        table_[s] = position + 1;
    }

    void rehash(std::size_t capacity)
    {
        table_.assign(capacity, 0);
        for (std::size_t i = 0; i < keys_.size(); ++i)
            if (alive_[i])
                place(static_cast<std::uint32_t>(i));
    }

    void compact()
    {
        std::size_t out = 0;
        for (std::size_t i = 0; i < keys_.size(); ++i)
            if (alive_[i])
                keys_[out++] = keys_[i];
        keys_.resize(out);
        alive_.assign(out, 1);
        rehash(table_.size());
    }

    std::vector<Key> keys_;
    std::vector<std::uint8_t> alive_;
    std::vector<std::uint32_t> table_; // position + 1; 0 marks an empty slot
    std::size_t size_ = 0;
};

} // namespace VORNSDK
