#pragma once
// Pearson's correlation of two equally long series: how well a revealed
// depth agrees with the depth it was made from.

#include <cmath>
#include <cstddef>
#include <vector>

inline double pearson(const std::vector<double>& a, const std::vector<double>& b)
{
    const double n = static_cast<double>(a.size());
    double sa = 0, sb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        sa += a[i];
        sb += b[i];
    }
    const double ma = sa / n, mb = sb / n;
    double ab = 0, aa = 0, bb = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        ab += (a[i] - ma) * (b[i] - mb);
        aa += (a[i] - ma) * (a[i] - ma);
        bb += (b[i] - mb) * (b[i] - mb);
    }
    return ab / std::sqrt(aa * bb);
}
