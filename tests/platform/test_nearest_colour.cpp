// The quick nearest-colour search gives Palette::nearest's answer for every
// colour, ties included, whatever the palette.

#include "platform/NearestColour.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

using platform::NearestColour;
using platform::Palette;
using platform::PALETTEENTRY;

namespace {

// Every colour of a coarse lattice plus every colour near each entry, where
// the candidates are decided.
void expectSameEverywhere(const Palette& palette, const char* what)
{
    const NearestColour quick(palette);
    int checked = 0;
    for (int r = 0; r < 256; r += 3)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 7) {
                const auto R = static_cast<std::uint8_t>(r), G = static_cast<std::uint8_t>(g),
                           B = static_cast<std::uint8_t>(b);
                ASSERT_EQ(quick(R, G, B), palette.nearest(R, G, B)) << what << " " << r << "," << g << "," << b;
                ++checked;
            }
    for (const PALETTEENTRY& e : palette.entries())
        for (int dr = -9; dr <= 9; dr += 3)
            for (int dg = -9; dg <= 9; dg += 3)
                for (int db = -9; db <= 9; db += 3) {
                    const auto R = static_cast<std::uint8_t>(std::clamp(e.peRed + dr, 0, 255));
                    const auto G = static_cast<std::uint8_t>(std::clamp(e.peGreen + dg, 0, 255));
                    const auto B = static_cast<std::uint8_t>(std::clamp(e.peBlue + db, 0, 255));
                    ASSERT_EQ(quick(R, G, B), palette.nearest(R, G, B)) << what << " near an entry";
                }
    EXPECT_GT(checked, 100000);
}

} // namespace

TEST(NearestColour, AgreesWithThePlainSearchForRandomAndStructuredPalettes)
{
    std::mt19937 random(11);
    std::vector<PALETTEENTRY> noise(256);
    for (auto& e : noise)
        e = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
             static_cast<std::uint8_t>(random()), 0};
    expectSameEverywhere(Palette(noise), "random");

    // A grey ramp: many colours are equally far from two entries.
    std::vector<PALETTEENTRY> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i),
                                             static_cast<std::uint8_t>(i), 0};
    expectSameEverywhere(Palette(grey), "grey");

    expectSameEverywhere(Palette::system(), "system");
}

TEST(NearestColour, TiesGoToTheLowestIndexAndSmallPalettesWork)
{
    // Entries 1 and 3 are the same colour, 0 and 2 equally far from grey 100.
    const std::vector<PALETTEENTRY> entries{{90, 100, 100, 0}, {200, 0, 0, 0}, {110, 100, 100, 0}, {200, 0, 0, 0}};
    const Palette palette(entries);
    const NearestColour quick(palette);
    EXPECT_EQ(quick(100, 100, 100), 0);
    EXPECT_EQ(quick(200, 0, 0), 1);
    expectSameEverywhere(palette, "four entries");

    const std::vector<PALETTEENTRY> one{{17, 34, 51, 0}};
    expectSameEverywhere(Palette(one), "one entry");
    // An empty palette answers 0, as Palette::nearest does.
    EXPECT_EQ(NearestColour(Palette())(1, 2, 3), 0);
}
