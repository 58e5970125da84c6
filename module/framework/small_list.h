#pragma once

#include "vornsdk/index_set.h"

#include <array>
#include <cstddef>
#include <vector>

namespace tolvir {

// A list of indices that lives on the stack while it holds at most N of them; hot loops over
// small neighbourhoods use it to avoid an allocation per step.
template <std::size_t N>
class SmallIndexList {
public:
    void push_back(VORNSDK::Index i)
    {
        if (size_ < N)
            inline_[size_] = i;
        else
            overflow_.push_back(i);
        ++size_;
    }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    VORNSDK::Index operator[](std::size_t k) const { return k < N ? inline_[k] : overflow_[k - N]; }

    class iterator {
    public:
        iterator(SmallIndexList const* list, std::size_t k) : list_(list), k_(k) {}
        VORNSDK::Index operator*() const { return (*list_)[k_]; }
        iterator& operator++()
        {
            ++k_;
            return *this;
        }
        bool operator!=(iterator const& o) const { return k_ != o.k_; }

    private:
        SmallIndexList const* list_;
        std::size_t k_;
    };
    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, size_); }

private:
    std::array<VORNSDK::Index, N> inline_{};
    std::vector<VORNSDK::Index> overflow_;
    std::size_t size_ = 0;
};

} // namespace tolvir
