#pragma once
// The figure title table behind the exported catalogue functions.

#include <cstdint>

namespace terrakit {

// The value of pi every figure formula uses.
inline constexpr double FigurePi = 22.0 / 7.0;

class TSIRDSMath {
public:
    static constexpr int SlotCount = 40;
    static constexpr int TitleSize = 23;
    // Titles stored; the last one, "Flat Plane", is never published.
    static constexpr int StoredTitles = 24;
    static constexpr int PublishedTitles = 23;

    TSIRDSMath();

    const char* title(int slot) const { return titles_[slot]; }
    double pi() const { return pi_; }

private:
    char titles_[SlotCount][TitleSize];
    double pi_;
};

} // namespace terrakit
