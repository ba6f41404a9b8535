#pragma once
// Claiming the columns of one map row from the top object down.

#include <cstdint>
#include <vector>

namespace depthmap {

// Skip pointers over one row: next[x] leads toward the first column at or
// after x that no higher object has claimed yet (n when none is left).
class RowFill {
public:
    void reset(std::int32_t n)
    {
        next_.resize(static_cast<std::size_t>(n) + 1);
        for (std::int32_t i = 0; i <= n; ++i)
            next_[static_cast<std::size_t>(i)] = i;
        left_ = n;
    }
    std::int32_t left() const { return left_; }
    // Gives level to the unclaimed columns of [begin, end).
    void fill(std::int32_t begin, std::int32_t end, std::int32_t level, std::int32_t* out)
    {
        std::int32_t x = find(begin);
        while (x < end) {
            out[x] = level;
            next_[static_cast<std::size_t>(x)] = x + 1;
            --left_;
            x = find(x + 1);
        }
    }

private:
    std::int32_t find(std::int32_t x)
    {
        std::int32_t* n = next_.data();
        while (n[x] != x) {
            n[x] = n[n[x]]; // path halving
            x = n[x];
        }
        return x;
    }
    std::vector<std::int32_t> next_;
    std::int32_t left_ = 0;
};

} // namespace depthmap
