// The eyes' views of a revealed stereogram: a near square must lie to the
// right in the left eye's view and to the left in the right eye's, as
// measured from the pixels of the anaglyph's channels and of the two halves
// of the side-by-side pair.

#include "engine/Reveal.h"
#include "engine/RevealViews.h"

#include "platform/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <limits>
#include <random>
#include <vector>

using namespace engine;

namespace {

constexpr int kWidth = 480, kHeight = 240;

bool inSquare(int x, int y)
{
    return x >= 200 && x < 330 && y >= 70 && y < 170;
}

// A true-colour random-dot stereogram: each pixel repeats the one its
// separation to the left, 60 inside the square and 90 around it.
std::unique_ptr<platform::Bitmap> squareStereogram()
{
    auto bitmap = platform::Bitmap::create(kWidth, kHeight, 24);
    std::mt19937 random(3);
    std::vector<std::uint32_t> row(kWidth);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const int s = inSquare(x, y) ? 60 : 90;
            row[static_cast<std::size_t>(x)] = x >= s ? row[static_cast<std::size_t>(x - s)] : random() & 0xFFFFFF;
            bitmap->setPixel(x, kHeight - 1 - y, row[static_cast<std::size_t>(x)]);
        }
    return bitmap;
}

// The shift t at which a(x) best matches b(x − t) over the block of rows
// y0 … y1 − 1 and columns x0 … x1 − 1: positive when a shows the block
// farther right than b.
template <typename A, typename B>
int bestShift(A a, B b, int x0, int x1, int y0, int y1)
{
    int best = 0;
    long least = std::numeric_limits<long>::max();
    for (int t = -20; t <= 20; ++t) {
        long cost = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                cost += std::abs(a(x, y) - b(x - t, y));
        if (cost < least) {
            least = cost;
            best = t;
        }
    }
    return best;
}

int channel(const platform::Bitmap& p, int x, int y, int c)
{
    return p.rowFromTop(y)[3 * x + c];
}

struct Revealed {
    std::unique_ptr<platform::Bitmap> picture = squareStereogram();
    RevealResult result = revealDepth(*picture, nullptr);
    EyeViews views = eyeViews(rgbPlanes(*picture, nullptr), result);
};

TEST(RevealViews, ANearSquareShiftsTowardsEachEyesNose)
{
    const Revealed r;
    ASSERT_TRUE(r.result.done()) << r.result.error;
    const auto ana = anaglyph(r.views);
    const auto pair = sideBySide(r.views);
    ASSERT_TRUE(ana && pair);
    ASSERT_EQ(ana->width(), kWidth);
    ASSERT_EQ(pair->width(), 2 * kWidth + kSideBySideGap);
    // Blue, green, red in memory: red is the left eye, green the right.
    auto red = [&](int x, int y) { return channel(*ana, x, y, 2); };
    auto green = [&](int x, int y) { return channel(*ana, x, y, 1); };
    // The side-by-side pair: the left eye's view is the right half.
    auto leftEye = [&](int x, int y) { return channel(*pair, kWidth + kSideBySideGap + x, y, 1); };
    auto rightEye = [&](int x, int y) { return channel(*pair, x, y, 1); };
    struct Block {
        int x0, x1, y0, y1;
        bool near;
    };
    // The square's pairs are shown at their midpoints, 30 to the left.
    for (const Block b : {Block{190, 280, 90, 150, true}, Block{80, 160, 10, 60, false},
                          Block{300, 420, 190, 235, false}}) {
        const int anaglyphShift = bestShift(red, green, b.x0, b.x1, b.y0, b.y1);
        const int pairShift = bestShift(leftEye, rightEye, b.x0, b.x1, b.y0, b.y1);
        if (b.near) {
            EXPECT_GT(anaglyphShift, 0) << "near square in the anaglyph";
            EXPECT_GT(pairShift, 0) << "near square in the pair";
        } else {
            EXPECT_LT(anaglyphShift, 0) << "background in the anaglyph";
            EXPECT_LT(pairShift, 0) << "background in the pair";
        }
    }
}

} // namespace
