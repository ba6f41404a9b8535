#pragma once
// Logical colour palettes: up to 256 entries of red, green, blue and flags.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

inline constexpr std::uint8_t PC_RESERVED = 0x01;
inline constexpr std::uint8_t PC_EXPLICIT = 0x02;
inline constexpr std::uint8_t PC_NOCOLLAPSE = 0x04;

struct PALETTEENTRY {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;

    friend bool operator==(const PALETTEENTRY&, const PALETTEENTRY&) = default;
};

class Palette {
public:
    static constexpr std::size_t kMaxEntries = 256;

    Palette() = default;
    // Entries beyond 256 are dropped.
    explicit Palette(std::span<const PALETTEENTRY> entries);

    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    std::span<const PALETTEENTRY> entries() const { return entries_; }
    const PALETTEENTRY& operator[](std::size_t i) const { return entries_[i]; }

    // Copies up to count entries from start into out; returns the number copied
    // (0 when start lies beyond the palette).
    std::size_t getEntries(std::size_t start, std::size_t count, PALETTEENTRY* out) const;
    // Overwrites entries from start; entries past the end are not added.
    std::size_t setEntries(std::size_t start, std::span<const PALETTEENTRY> values);
    // Grows (with black) or shrinks to n entries, at most 256.
    void resize(std::size_t n);

    // The entry nearest to (r, g, b) in squared RGB distance, the lowest index
    // on a tie; 0 for an empty palette.
    std::uint8_t nearest(std::uint8_t r, std::uint8_t g, std::uint8_t b) const;

    // The display's system palette: a 256-entry palette whose first ten and last
    // ten entries are the twenty static colours, the rest black.
    static const Palette& system();

    friend bool operator==(const Palette&, const Palette&) = default;

private:
    std::vector<PALETTEENTRY> entries_;
};

} // namespace platform
