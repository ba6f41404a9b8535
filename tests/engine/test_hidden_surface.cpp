// The hidden-surface method: its geometry, hidden-surface removal, merged
// links, the agreement of K = 1 with a plain one-pass linker, oversampling,
// cross-eyed viewing, random dots, 16-bit depth, and whole stereograms whose
// depth is recovered from the pixels alone.

#include "GenerationFixture.h"

#include "engine/Generation.h"
#include "engine/HiddenSurface.h"
#include "engine/SirdsSettings.h"
#include "engine/Tiling.h"

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

using namespace engine;
using fixture::at;
using fixture::FunctionMap;
using fixture::longestRun;

namespace {

// The reference's linking of one pair: the first pair at each end is
// recorded, and the pair is merged into the chains, each link pointing
// right, a link already there kept by moving along it.
template <class Ints>
void linkPair(Ints& firstLeft, Ints& firstRight, Ints& same, int left, int right)
{
    if (firstLeft[right] < 0)
        firstLeft[right] = left;
    if (firstRight[left] < 0)
        firstRight[left] = right;
    int l = same[left];
    while (l != left && l != right) {
        if (l < right) {
            left = l;
            l = same[left];
        } else {
            same[left] = right;
            left = right;
            l = same[left];
            right = l;
        }
    }
    same[left] = right;
}


constexpr double kMu = 1.0 / 3.0;

struct Pattern {
    std::unique_ptr<platform::Bitmap> tile;
    platform::Palette palette;

    // 41 × 29 tile of 200 distinct-looking colours.
    Pattern()
    {
        tile = platform::Bitmap::create(41, 29, 8);
        std::mt19937 random(7);
        for (int y = 0; y < 29; ++y)
            for (int x = 0; x < 41; ++x)
                tile->setPixel(x, y, random() % 200);
        std::vector<platform::PALETTEENTRY> e(200);
        for (std::size_t i = 0; i < e.size(); ++i)
            e[i] = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                    static_cast<std::uint8_t>(random()), 0};
        palette = platform::Palette(e);
    }
};

PatternRef ref(const Pattern* p)
{
    return p ? PatternRef{p->tile.get(), &p->palette} : PatternRef{};
}

// The shared host, with this file's pattern.
class Host : public fixture::Host {
public:
    explicit Host(const Pattern* p = nullptr) : fixture::Host(ref(p)) {}
};

SirdsSettings hiddenSettings(int oversample, int dots = PatternDots)
{
    SirdsSettings s;
    s.ShiftDir = HiddenSurface;
    s.zmin = 0;
    s.zmax = 255;
    s.gapValue = 100; // E = 200
    s.Marker = 0;
    s.hidden.Oversample = oversample;
    s.hidden.RandomDots = dots;
    s.hidden.Seed = 5;
    return s;
}

std::unique_ptr<platform::Bitmap> makeMap(const SirdsSettings& s, const FunctionMap& map, const Pattern* pattern = nullptr)
{
    return fixture::makeFromMap(s, map, ref(pattern));
}

// The separation at which right pixel p repeats, found by matching alone:
// the pixel and one neighbour must equal the pixels d to the left. For a
// true-colour picture the best match of three pixels in colour distance.
// 0 when nothing matches.
int repeatAt(const platform::Bitmap& b, int y, int p, int lo, int hi)
{
    if (b.bitsPerPixel() == 8) {
        for (int d = lo; d <= hi; ++d) {
            if (p - d - 1 < 0 || p + 1 >= b.width())
                continue;
            if (at(b, p, y) == at(b, p - d, y) &&
                (at(b, p - 1, y) == at(b, p - 1 - d, y) || at(b, p + 1, y) == at(b, p + 1 - d, y)))
                return d;
        }
        return 0;
    }
    auto distance = [](std::uint32_t a, std::uint32_t c) {
        int total = 0;
        for (int shift : {0, 8, 16}) {
            const int d = static_cast<int>((a >> shift) & 255) - static_cast<int>((c >> shift) & 255);
            total += d * d;
        }
        return total;
    };
    int best = 0;
    long bestScore = -1;
    for (int d = lo; d <= hi; ++d) {
        if (p - d - 1 < 0 || p + 1 >= b.width())
            continue;
        long score = 0;
        for (int i = -1; i <= 1; ++i)
            score += distance(at(b, p + i, y), at(b, p + i - d, y));
        if (bestScore < 0 || score < bestScore) {
            bestScore = score;
            best = d;
        }
    }
    return best;
}

// Visibility of the surface point behind x to both eyes, worked out in
// double precision from the rays: a point hides x when it stands as high as
// the ray from x to an eye at its distance.
bool seenByBothEyes(const std::vector<double>& z, int x, double eye)
{
    const int n = static_cast<int>(z.size());
    for (int t = 1;; ++t) {
        const double zt = z[x] + 2.0 * (2.0 - kMu * z[x]) * t / (kMu * eye);
        if ((x - t >= 0 && z[x - t] >= zt) || (x + t < n && z[x + t] >= zt))
            return false;
        if (zt >= 1.0)
            return true;
    }
}

} // namespace

// ---------------------------------------------------------------------------

TEST(HiddenSurfaceGeometry, SeparationAtFarNearAndBetween)
{
    EXPECT_DOUBLE_EQ(separationAt(200, kMu, 0.0), 100.0);                  // E ÷ 2
    EXPECT_DOUBLE_EQ(separationAt(200, kMu, 1.0), 80.0);                   // E (2/3) ÷ (5/3)
    EXPECT_NEAR(separationAt(200, kMu, 0.5), 200.0 * (5.0 / 6) / (11.0 / 6), 1e-12);
    EXPECT_NEAR(separationAt(200, 0.5, 1.0), 200.0 / 3.0, 1e-12);

    // The tables round in sub-pixels: K = 4 makes 0.25-pixel steps.
    HiddenSurfaceParams p;
    p.width = 300;
    p.eye = 201;
    p.oversample = 4;
    p.zmin = 10;
    p.zmax = 50;
    const HiddenSurfaceTables t(p);
    EXPECT_EQ(t.separation(t.level(10)), 402);                // 100.5 pixels
    EXPECT_EQ(t.separation(t.level(50)), std::lround(4 * 201 * 0.4));
    EXPECT_EQ(t.separation(t.level(30)), std::lround(separationAt(804, kMu, 0.5)));
    // Depths beyond the range are clamped to its planes.
    EXPECT_EQ(t.level(-7), 0);
    EXPECT_EQ(t.level(9000), kDepthSteps);
    EXPECT_EQ(t.farSeparation(), 101); // 100.5 rounds up
}

TEST(HiddenSurfaceGeometry, EyeSeparationFromGapOrPrint)
{
    SirdsSettings s;
    s.ShiftDir = HiddenSurface;
    EXPECT_DOUBLE_EQ(HiddenSurfaceParams::from(s, 120, 500).eye, 240.0); // twice the gap
    s.hidden.Dpi = 300;
    s.hidden.EyeSepMm = 63.5; // 2.5 inches
    EXPECT_DOUBLE_EQ(HiddenSurfaceParams::from(s, 120, 500).eye, 750.0);
    // Half of the pair is not enough: the gap again.
    s.hidden.Dpi = 0;
    EXPECT_DOUBLE_EQ(HiddenSurfaceParams::from(s, 120, 500).eye, 240.0);
}

TEST(HiddenSurfaceGeometry, CrossEyedSwapsNearAndFar)
{
    HiddenSurfaceParams p;
    p.width = 100;
    p.eye = 200;
    p.oversample = 1;
    p.zmax = 255;
    p.crossEyed = true;
    const HiddenSurfaceTables cross(p);
    EXPECT_EQ(cross.separation(0), 80);           // the far plane gets the near plane's separation
    EXPECT_EQ(cross.separation(kDepthSteps), 100);
    EXPECT_EQ(cross.farSeparation(), 80);
}

TEST(HiddenSurfaceSettingsCheck, RangesAndPairs)
{
    HiddenSurfaceSettings h;
    EXPECT_EQ(checkHiddenSurface(h), "");
    h.Oversample = 9;
    EXPECT_EQ(checkHiddenSurface(h), "--oversample must be between 1 and 8");
    h = {};
    h.DepthOfField = 0.05;
    EXPECT_EQ(checkHiddenSurface(h), "--depth-of-field must be between 0.1 and 0.5");
    h = {};
    h.EyeSepMm = 63;
    EXPECT_EQ(checkHiddenSurface(h), "--eye-sep-mm (or --eye-sep) needs --dpi");
    h.Dpi = 300;
    EXPECT_EQ(checkHiddenSurface(h), "");
    h.Dpi = 4800;
    h.EyeSepMm = 200;
    EXPECT_NE(checkHiddenSurface(h).find("pixels between the eyes"), std::string::npos);
    h = {};
    h.RandomDots = 5;
    EXPECT_EQ(checkHiddenSurface(h), "--random-dots must be off, colour, grey, bw or noise");

    SirdsSettings s;
    s.ShiftDir = HiddenSurface;
    EXPECT_EQ(checkSettings(s), "");
    s.ShiftDir = 5;
    EXPECT_EQ(checkSettings(s), "--method must be between 1 and 4");
    // The dialog's fourth list entry.
    EXPECT_EQ(dialogStateFrom(s).scanIndex, -1);
    s.ShiftDir = HiddenSurface;
    SettingsDialogState state = dialogStateFrom(s);
    EXPECT_EQ(state.scanIndex, 3);
    s.ShiftDir = McMahon;
    applyDialogState(state, s);
    EXPECT_EQ(s.ShiftDir, HiddenSurface);
    EXPECT_EQ(randomDotKindFromName("gray"), GreyDots);
    EXPECT_EQ(randomDotKindFromName("plaid"), -1);

    // What the engine uses from a garbled record.
    h = {};
    h.Oversample = 0;
    h.DepthOfField = std::nan("");
    h.RandomDots = 17;
    const HiddenSurfaceSettings u = usableHiddenSurface(h);
    EXPECT_EQ(u.Oversample, 1);
    EXPECT_DOUBLE_EQ(u.DepthOfField, 1.0 / 3.0);
    EXPECT_EQ(u.RandomDots, PatternDots);
}

// ---------------------------------------------------------------------------
// Linking

TEST(HiddenSurfaceLinks, StepEdgeHidesWhatOneEyeCannotSee)
{
    // A near plateau (z = 1) over x = 180 … 219 on a far background, E = 100:
    // the rays of the background rise 0.12 per pixel, so the eight pixels
    // either side of the plateau are hidden from one eye.
    HiddenSurfaceParams p;
    p.width = 400;
    p.eye = 100;
    p.oversample = 1;
    p.zmax = 255;
    const HiddenSurfaceTables tables(p);
    HiddenSurfaceScratch scratch;
    scratch.resize(400);
    std::vector<double> z(400, 0.0);
    for (int x = 180; x < 220; ++x) {
        z[x] = 1.0;
        scratch.levels[x] = kDepthSteps;
    }
    std::vector<std::uint8_t> visible(400);
    linkRow(tables, 400, scratch, visible.data());

    int hidden = 0;
    for (int x = 0; x < 400; ++x) {
        const int s = tables.separation(scratch.levels[x]);
        const int left = x - s / 2;
        const bool inRow = left >= 0 && left + s < 400;
        const bool expected = inRow && seenByBothEyes(z, x, 100);
        EXPECT_EQ(visible[x] != 0, expected) << "x " << x;
        hidden += inRow && !expected;
    }
    EXPECT_EQ(hidden, 16);
    for (int x : {172, 179, 220, 227})
        EXPECT_EQ(visible[x], 0) << x;
    for (int x : {171, 180, 219, 228})
        EXPECT_EQ(visible[x], 1) << x;
}

TEST(HiddenSurfaceLinks, MergedLinksHoldEqualColours)
{
    // Random plateaus, slopes and spikes: every pair that was linked ends up
    // with one colour at both ends, however many links share a pixel.
    std::mt19937 random(11);
    for (int trial = 0; trial < 20; ++trial) {
        const int w = 500;
        HiddenSurfaceParams p;
        p.width = w;
        p.eye = 60 + static_cast<double>(random() % 200);
        p.mu = 0.1 + (random() % 5) * 0.1;
        p.oversample = 1;
        p.zmax = 255;
        p.crossEyed = trial % 3 == 0;
        platform::Palette palette;
        HiddenSurfacePass pass(p, 1, palette);
        std::vector<std::int32_t> depth(w);
        int level = 0;
        for (int x = 0; x < w; ++x) {
            if (random() % 17 == 0)
                level = static_cast<int>(random() % 256);
            else if (trial % 2)
                level = std::clamp(level + static_cast<int>(random() % 5) - 2, 0, 255);
            depth[x] = level;
        }
        std::vector<std::uint8_t> row(w);
        for (auto& v : row)
            v = static_cast<std::uint8_t>(random());
        pass.shift(0, 0, row.data(), depth.data());

        HiddenSurfaceScratch scratch;
        scratch.resize(w);
        for (int x = 0; x < w; ++x)
            scratch.levels[x] = pass.tables().level(depth[x]);
        std::vector<std::uint8_t> visible(w);
        linkRow(pass.tables(), w, scratch, visible.data());
        int linked = 0;
        for (int x = 0; x < w; ++x) {
            if (!visible[x])
                continue;
            const int s = pass.tables().separation(scratch.levels[x]);
            const int left = x - s / 2;
            ASSERT_EQ(row[left], row[left + s]) << "trial " << trial << " x " << x;
            ++linked;
        }
        EXPECT_GT(linked, w / 3);
    }
}

TEST(HiddenSurfaceLinks, OneSubPixelEqualsThePlainLinker)
{
    // K = 1 against the one-pass linker written out directly: the ray test
    // at every pixel without the shortcut, a pair dropped whose end would
    // pair a neighbour of its other end's first partner, links merged as
    // they come, then colours copied from the right.
    Pattern pattern;
    SirdsSettings s = hiddenSettings(1);
    const int w = 420, h = 30;
    auto level = [](int x, int y) {
        if ((x - 210) * (x - 210) + (y - 15) * (y - 15) < 90 * 90 / 4)
            return 255 - ((x + y) % 40);
        if (x > 320 && x < 380)
            return 120;
        return (x * 3 + y) % 200 < 100 ? 0 : 60;
    };
    FunctionMap map(w, h, level);
    auto made = makeMap(s, map, &pattern);
    ASSERT_TRUE(made);
    ASSERT_EQ(made->bitsPerPixel(), 8);
    ASSERT_EQ(made->width(), w);

    auto texture = platform::Bitmap::create(w, h, 8);
    tilePattern(*texture, *pattern.tile, HiddenSurface, &pattern.palette);
    const HiddenSurfaceTables tables(HiddenSurfaceParams::from(s, s.gapValue, w));
    for (int y = 0; y < h; ++y) {
        std::vector<std::uint16_t> q(w);
        for (int x = 0; x < w; ++x)
            q[x] = tables.level(level(x, y));
        std::vector<int> same(w);
        for (int x = 0; x < w; ++x)
            same[x] = x;
        std::vector<int> firstLeft(w, -9), firstRight(w, -9);
        for (int x = 0; x < w; ++x) {
            const int sep = tables.separation(q[x]);
            int left = x - sep / 2;
            int right = left + sep;
            if (left < 0 || right >= w)
                continue;
            bool visible = true;
            float zt = 0;
            int t = 1;
            do {
                zt = tables.rayDepth(q[x], t);
                visible = !(x - t >= 0 && tables.depth(q[x - t]) >= zt) && !(x + t < w && tables.depth(q[x + t]) >= zt);
                ++t;
            } while (visible && zt < 1.0f);
            if (!visible || std::abs(firstLeft[right] - left) == 1 || std::abs(firstRight[left] - right) == 1)
                continue;
            linkPair(firstLeft, firstRight, same, left, right);
        }
        const int r = h - 1 - y;
        std::vector<std::uint8_t> expect(texture->row(r), texture->row(r) + w);
        for (int x = w - 1; x >= 0; --x)
            if (same[x] != x)
                expect[x] = expect[same[x]];
        for (int x = 0; x < w; ++x)
            ASSERT_EQ(made->row(r)[x], expect[x]) << "row " << y << " x " << x;
    }
}

// The linker and the pass against plain one-pass versions written out
// directly, over many random rows and the edge cases of the fast loops:
// rows shorter than a register and not a whole number of blocks, flat,
// stepped, spiked and steep rows, every oversampling, both ways of viewing,
// tileable rows. The plain linker follows the rays at every sub-pixel; the
// plain pass averages each pixel's sub-pixel colours (their chains' roots'
// texture) with a division.
TEST(HiddenSurfaceLinks, FastLoopsEqualThePlainOnes)
{
    std::mt19937 random(23);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    std::vector<platform::PALETTEENTRY> entries(256);
    for (auto& e : entries)
        e = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
             static_cast<std::uint8_t>(random()), 0};
    entries[7] = {255, 255, 255, 0};
    const platform::Palette palette(entries);
    const int widths[] = {1, 3, 8, 31, 64, 250, 257, 513, 700};
    int rows = 0;
    for (int trial = 0; trial < 300; ++trial) {
        HiddenSurfaceParams p;
        p.width = widths[trial % 9] + (trial / 9 % 3 == 0 ? 0 : pick(40));
        p.oversample = 1 + trial % 8;
        p.eye = 20 + pick(300);
        p.mu = 0.1 + pick(5) * 0.1;
        p.crossEyed = trial % 5 == 1 || trial % 5 == 3;
        p.tileable = trial % 7 == 2;
        p.zmin = trial % 11 == 0 ? 20 : 0;
        p.zmax = trial % 11 == 0 ? 60 : 255;
        const int w = p.width, k = p.oversample;
        // Depth: kind 0 flat, 1 a walk by small steps, 2 plateaus and
        // spikes, 3 steps of one level, 4 noise.
        const int kind = trial / 3 % 5;
        std::vector<std::int32_t> depth(w);
        int level = pick(256);
        for (int x = 0; x < w; ++x) {
            if (kind == 1)
                level = std::clamp(level + pick(7) - 3, 0, 255);
            else if (kind == 2 && pick(13) == 0)
                level = pick(3) == 0 ? 255 : pick(256);
            else if (kind == 3 && pick(9) == 0)
                level = std::clamp(level + (pick(2) ? 1 : -1), 0, 255);
            else if (kind == 4)
                level = pick(256);
            depth[x] = level;
        }
        std::vector<std::uint8_t> row(w);
        std::vector<std::uint32_t> texture(w);
        for (int x = 0; x < w; ++x) {
            row[x] = static_cast<std::uint8_t>(pick(9) == 0 ? 7 : pick(256));
            texture[x] = static_cast<std::uint32_t>(random()) | (pick(9) == 0 ? 0xFFFFFFu : 0u);
        }
        HiddenSurfacePass pass(p, 1, palette);
        HiddenSurfacePass colourPass(p, 1, palette, true);
        const HiddenSurfaceTables& tables = pass.tables();
        const int n = tables.subpixels();
        // The tables' rounding is std::lround's, at every level.
        const HiddenSurfaceParams& used = tables.params();
        for (int l = 0; l <= kDepthSteps && !p.tileable; l += 1 + trial % 13) {
            const double z = static_cast<double>(l) / kDepthSteps;
            const double expect = std::lround(separationAt(used.eye * k, used.mu, p.crossEyed ? 1.0 - z : z));
            ASSERT_EQ(tables.separation(static_cast<std::uint16_t>(l)), expect) << trial << " " << l;
        }
        for (int d = p.zmin + 1; d < p.zmax; ++d) {
            const double fraction = static_cast<double>(d - p.zmin) / (p.zmax - p.zmin);
            ASSERT_EQ(tables.level(d), std::lround(fraction * kDepthSteps)) << trial << " " << d;
        }

        // The plain linker on the row as the pass links it.
        std::vector<std::uint16_t> q(n);
        tables.levels(depth.data(), w, k, q.data());
        const int cut = p.tileable ? tileCut(q.data(), n) : 0;
        std::rotate(q.begin(), q.begin() + cut, q.end());
        std::vector<int> same(n), firstLeft(n, -9), firstRight(n, -9);
        std::vector<std::uint8_t> expectSeen(n, 0);
        for (int u = 0; u < n; ++u)
            same[u] = u;
        for (int u = 0; u < n; ++u) {
            const int sep = tables.separation(q[u]);
            int left = u - sep / 2, right = left + sep;
            if (sep <= 0 || left < 0 || right >= n)
                continue;
            bool seen = true;
            for (int t = 1; seen && t <= tables.reach(); ++t) {
                const float zt = tables.rayDepth(q[u], t);
                seen = !(u - t >= 0 && tables.depth(q[u - t]) >= zt) && !(u + t < n && tables.depth(q[u + t]) >= zt);
                if (!(zt < 1.0f))
                    break;
            }
            if (!seen || std::abs(firstLeft[right] - left) == 1 || std::abs(firstRight[left] - right) == 1)
                continue;
            expectSeen[u] = 1;
            linkPair(firstLeft, firstRight, same, left, right);
        }

        // The linker itself, twice on one scratch (its records outlive a row).
        HiddenSurfaceScratch scratch;
        scratch.resize(static_cast<std::size_t>(std::max(n, 1)));
        std::vector<std::uint8_t> seen(n);
        for (int again = 0; again < 2; ++again) {
            std::copy(q.begin(), q.end(), scratch.levels.begin());
            linkRow(tables, n, scratch, seen.data());
            for (int u = 0; u < n; ++u) {
                ASSERT_EQ(seen[u], expectSeen[u]) << "trial " << trial << " u " << u;
                ASSERT_EQ(scratch.same[u], same[u]) << "trial " << trial << " u " << u;
            }
        }

        // Each sub-pixel's texture pixel in picture order, through its root.
        std::vector<int> source(n);
        for (int u = 0; u < n; ++u) {
            int root = u;
            while (same[root] != root)
                root = same[root];
            source[(u + cut) % n] = (root + cut) % n / k;
        }
        auto mean = [&](int x, auto channel) {
            int sum = 0;
            for (int i = 0; i < k; ++i)
                sum += channel(source[x * k + i]);
            return static_cast<std::uint8_t>((sum + k / 2) / k);
        };
        std::vector<std::uint8_t> shifted = row;
        pass.shift(0, 0, shifted.data(), depth.data());
        std::vector<std::uint8_t> colourOut(3 * w);
        colourPass.shiftColour(0, 0, texture.data(), depth.data(), colourOut.data());
        std::unique_ptr<platform::Bitmap> picture = pass.finish(nullptr);
        for (int x = 0; x < w; ++x) {
            if (k == 1) {
                ASSERT_EQ(shifted[x], row[source[x]]) << "trial " << trial << " x " << x;
            } else {
                const std::uint8_t* got = picture->row(0) + 3 * x;
                ASSERT_EQ(got[0], mean(x, [&](int s) { return entries[row[s]].peBlue; })) << trial << " " << x;
                ASSERT_EQ(got[1], mean(x, [&](int s) { return entries[row[s]].peGreen; })) << trial << " " << x;
                ASSERT_EQ(got[2], mean(x, [&](int s) { return entries[row[s]].peRed; })) << trial << " " << x;
            }
            for (int c = 0; c < 3; ++c)
                ASSERT_EQ(colourOut[3 * x + c], mean(x, [&](int s) { return (texture[s] >> (8 * c)) & 255; }))
                    << "trial " << trial << " x " << x << " channel " << c;
        }
        ++rows;
    }
    EXPECT_EQ(rows, 300);
}

// ---------------------------------------------------------------------------
// Whole stereograms

// However many sub-pixels a pixel averages, a pattern of one colour comes
// out as that colour, each channel's full 255 included: from a palette
// (every entry alike) and from a true-colour texture.
TEST(HiddenSurfaceStereogram, OneColourStaysThatColourAtEveryOversampling)
{
    constexpr int w = 300;
    const std::uint8_t red = 255, green = 254, blue = 253;
    const std::vector<platform::PALETTEENTRY> entries(256, platform::PALETTEENTRY{red, green, blue, 0});
    const platform::Palette palette(entries);
    std::mt19937 random(5);
    std::vector<std::int32_t> depth(w);
    for (int x = 0; x < w; ++x)
        depth[x] = (x / 37) % 2 ? 200 : static_cast<std::int32_t>(random() % 256);
    for (int k = 2; k <= kMaxOversample; ++k) {
        HiddenSurfaceParams p;
        p.width = w;
        p.eye = 90;
        p.mu = 1.0 / 3.0;
        p.oversample = k;
        p.zmax = 255;
        HiddenSurfacePass indexed(p, 1, palette);
        auto image8 = platform::Bitmap::create(w, 1, 8);
        for (int x = 0; x < w; ++x)
            image8->row(0)[x] = static_cast<std::uint8_t>(random());
        indexed.shift(0, 0, image8->row(0), depth.data());
        const auto out = indexed.finish(std::move(image8));
        ASSERT_EQ(out->bitsPerPixel(), 24);

        HiddenSurfacePass coloured(p, 1, palette, true);
        const std::vector<std::uint32_t> texture(w, std::uint32_t{red} << 16 | std::uint32_t{green} << 8 | blue);
        std::vector<std::uint8_t> row(3 * w);
        coloured.shiftColour(0, 0, texture.data(), depth.data(), row.data());
        for (int x = 0; x < w; ++x) {
            ASSERT_EQ(out->pixel(x, 0), 0xFFFEFDu) << "oversampling " << k << ", x " << x;
            ASSERT_EQ(row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2], 0xFDFEFF)
                << "true colour, oversampling " << k << ", x " << x;
        }
    }
}

TEST(HiddenSurfaceStereogram, OversamplingGivesTrueColourOfThePatternsColours)
{
    Pattern pattern;
    FunctionMap map(300, 40, [](int x, int) { return x >= 100 && x < 150 ? 255 : 0; });
    SirdsSettings s = hiddenSettings(4);
    s.Marker = 1;
    auto picture = makeMap(s, map, &pattern);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->bitsPerPixel(), 24);
    EXPECT_EQ(picture->width(), 300); // no reference strip
    // Markers in yellow at the far-plane separation (100) around the middle.
    EXPECT_EQ(at(*picture, 100, 7), 0xFFFF00u);
    EXPECT_EQ(at(*picture, 200, 7), 0xFFFF00u);
    EXPECT_EQ(at(*picture, 98, 5), 0u);
    // Far from the plateau the far plane repeats at exactly E ÷ 2; near its
    // edges a pixel's sub-pixels belong to different chains and blend.
    for (int y = 12; y < 40; ++y)
        for (int x = 280; x < 300; ++x)
            ASSERT_EQ(at(*picture, x, y), at(*picture, x - 100, y)) << x << "," << y;
    int blended = 0;
    for (int y = 12; y < 40; ++y) {
        for (int x = 0; x < 300; ++x) {
            const std::uint32_t c = at(*picture, x, y);
            bool inPalette = false;
            for (const auto& e : pattern.palette.entries())
                inPalette |= c == ((std::uint32_t{e.peRed} << 16) | (std::uint32_t{e.peGreen} << 8) | e.peBlue);
            blended += !inPalette;
        }
    }
    EXPECT_GT(blended, 0);

    s.hidden.Oversample = 1;
    auto indexed = makeMap(s, map, &pattern);
    ASSERT_TRUE(indexed);
    EXPECT_EQ(indexed->bitsPerPixel(), 8);
}

TEST(HiddenSurfaceStereogram, DepthRecoveredFromPixelsMatchesTheGeometry)
{
    // Plateaus and slopes; the repeat of each pixel found by matching alone
    // must be s(z) within a pixel for 95 % of the pixels both eyes see.
    const int w = 640, h = 24;
    auto level = [](int x, int y) {
        if (x >= 120 && x < 220)
            return 255;
        if (x >= 280 && x < 480)
            return (x - 280) * 255 / 200;
        if (x >= 520 && x < 600)
            return 128 + (y % 3);
        return 0;
    };
    FunctionMap map(w, h, level);
    for (int k : {1, 4}) {
        SirdsSettings s = hiddenSettings(k, ColourDots);
        auto picture = makeMap(s, map);
        ASSERT_TRUE(picture);
        int counted = 0, good = 0;
        for (int y = 0; y < h; ++y) {
            std::vector<double> z(w);
            for (int x = 0; x < w; ++x)
                z[x] = level(x, y) / 255.0;
            std::vector<double> expected(w, 0.0);
            for (int x = 0; x < w; ++x) {
                const double sep = separationAt(200, kMu, z[x]);
                const int left = static_cast<int>(std::lround(x - sep / 2));
                const int right = static_cast<int>(std::lround(x + sep / 2));
                if (left >= 1 && right < w - 1 && seenByBothEyes(z, x, 200))
                    expected[right] = sep;
            }
            for (int p = 0; p < w; ++p) {
                if (expected[p] == 0)
                    continue;
                ++counted;
                const int d = repeatAt(*picture, y, p, 70, 110);
                good += std::abs(d - expected[p]) <= 1.0;
            }
        }
        ASSERT_GT(counted, w * h / 2);
        EXPECT_GE(good, counted * 95 / 100) << "K " << k << ": " << good << " of " << counted;
    }
}

TEST(HiddenSurfaceStereogram, NoStreaksAtSteepEdges)
{
    // Towers and pits with vertical walls under colour dots: no run of equal
    // pixels is longer than the dots' own longest run plus two.
    const int w = 500, h = 60;
    FunctionMap map(w, h, [](int x, int y) {
        if ((x / 37 + y / 20) % 3 == 0)
            return 255;
        return (x / 23) % 2 ? 90 : 0;
    });
    SirdsSettings s = hiddenSettings(1, ColourDots);
    auto dots = platform::Bitmap::create(w, h, 8);
    fillRandomDots(*dots, s.hidden);
    const int own = longestRun(*dots);
    for (int k : {1, 4}) {
        s.hidden.Oversample = k;
        auto picture = makeMap(s, map);
        ASSERT_TRUE(picture);
        EXPECT_LE(longestRun(*picture), own + 2) << "K " << k;
    }
    // The older methods streak on the same scene.
    SirdsSettings mcmahon = s;
    mcmahon.ShiftDir = McMahon;
    Pattern pattern;
    auto streaky = makeMap(mcmahon, map, &pattern);
    ASSERT_TRUE(streaky);
    EXPECT_GT(longestRun(*streaky), own + 2);
}

TEST(HiddenSurfaceStereogram, CrossEyedReversesNearAndFar)
{
    // A near square on the far plane: wall-eyed it repeats closer than the
    // background, cross-eyed farther.
    const int w = 600, h = 40;
    FunctionMap map(w, h, [](int x, int) { return x >= 240 && x < 400 ? 255 : 0; });
    SirdsSettings s = hiddenSettings(1, ColourDots);
    auto repeatIn = [&](const platform::Bitmap& b, int from, int to) {
        std::vector<int> counts(200);
        for (int y = 0; y < h; ++y)
            for (int p = from; p < to; ++p)
                ++counts[repeatAt(b, y, p, 60, 120)];
        return static_cast<int>(std::max_element(counts.begin() + 1, counts.end()) - counts.begin());
    };
    auto wall = makeMap(s, map);
    s.hidden.CrossEyed = 1;
    auto cross = makeMap(s, map);
    ASSERT_TRUE(wall && cross);
    const int wallNear = repeatIn(*wall, 340, 390), wallFar = repeatIn(*wall, 120, 220);
    const int crossNear = repeatIn(*cross, 340, 390), crossFar = repeatIn(*cross, 120, 220);
    EXPECT_EQ(wallNear, 80);
    EXPECT_EQ(wallFar, 100);
    EXPECT_EQ(crossNear, 100);
    EXPECT_EQ(crossFar, 80);
}

TEST(HiddenSurfaceStereogram, RandomDotsAreTheSameForTheSameSeed)
{
    FunctionMap map(200, 50, [](int x, int y) { return (x + y) % 256; });
    for (int kind : {ColourDots, GreyDots, BlackWhiteDots}) {
        SirdsSettings s = hiddenSettings(2, kind);
        auto a = makeMap(s, map);
        auto b = makeMap(s, map);
        ASSERT_TRUE(a && b);
        EXPECT_TRUE(*a == *b) << kind;
        s.hidden.Seed = 6;
        auto c = makeMap(s, map);
        ASSERT_TRUE(c);
        EXPECT_FALSE(*a == *c) << kind;
    }
    // Thread count plays no part; no pattern is needed.
    SirdsSettings s = hiddenSettings(1, GreyDots);
    Host host;
    DepthMapJob one;
    one.map = &map;
    one.options.threads = 1;
    DepthMapJob two = one;
    two.options.threads = 2;
    GenerationResult r1 = makeFromDepthMap(s, one, host);
    GenerationResult r2 = makeFromDepthMap(s, two, host);
    ASSERT_TRUE(r1.finished() && r2.finished());
    EXPECT_TRUE(*r1.picture.bitmap == *r2.picture.bitmap);
    // Black and white dots use only black and white.
    const platform::Palette bw = randomDotPalette(hiddenSettings(1, BlackWhiteDots).hidden);
    auto dots = platform::Bitmap::create(64, 8, 8);
    fillRandomDots(*dots, hiddenSettings(1, BlackWhiteDots).hidden);
    for (std::uint8_t v : dots->bits().first(64)) {
        const auto& e = bw[v];
        EXPECT_TRUE((e.peRed == 0 && e.peBlue == 0) || (e.peRed == 255 && e.peGreen == 255 && e.peBlue == 255));
    }
}

TEST(HiddenSurfaceStereogram, SixteenBitDepthReachesTheEngineUnrounded)
{
    HiddenSurfaceParams p;
    p.width = 10;
    p.zmin = 0;
    p.zmax = 255;
    const HiddenSurfaceTables t(p);
    // Every sample is its own level: nothing is rounded to 8 bits first.
    for (int v : {0, 1, 255, 256, 12345, 32768, 65534, 65535})
        EXPECT_EQ(t.level16(static_cast<std::uint16_t>(v)), v);
    p.zmin = 64;
    p.zmax = 192;
    const HiddenSurfaceTables narrow(p);
    EXPECT_EQ(narrow.level16(64 * 257), 0);
    EXPECT_EQ(narrow.level16(128 * 257), 32768);
    EXPECT_GT(narrow.level16(128 * 257 + 1), narrow.level16(128 * 257));

    // The picture's own indices say far; the 16-bit plane says near, and the
    // plane is what the method reads (at zoom 2 too).
    const int w = 200, h = 20;
    auto picture = platform::Bitmap::create(w, h, 8);
    std::vector<platform::PALETTEENTRY> grey(256);
    for (int i = 0; i < 256; ++i)
        grey[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
    const platform::Palette greyPalette(grey);
    platform::Grey16Image plane;
    plane.width = w;
    plane.height = h;
    plane.samples.assign(static_cast<std::size_t>(w) * h, 65535);
    SirdsSettings s = hiddenSettings(1, ColourDots);
    s.DepthSel = ByBrightness;
    for (double zoom : {1.0, 2.0}) {
        Host host;
        PictureJob job;
        job.picture = picture.get();
        job.palette = &greyPalette;
        job.depth16 = &plane;
        job.zoom = zoom;
        GenerationResult r = makeFromPicture(s, job, host);
        ASSERT_TRUE(r.finished());
        const int px = static_cast<int>(150 * zoom);
        const int lo = static_cast<int>(60 * zoom), hi = static_cast<int>(120 * zoom);
        EXPECT_EQ(repeatAt(*r.picture.bitmap, 5, px, lo, hi), static_cast<int>(80 * zoom)) << zoom;
        job.depth16 = nullptr;
        GenerationResult flat = makeFromPicture(s, job, host);
        ASSERT_TRUE(flat.finished());
        EXPECT_EQ(repeatAt(*flat.picture.bitmap, 5, px, lo, hi), static_cast<int>(100 * zoom)) << zoom;
    }
}

TEST(HiddenSurfaceStereogram, FiguresAndPicturesToo)
{
    Pattern pattern;
    Host host(&pattern);
    SirdsSettings s = hiddenSettings(3);
    s.w = 300;
    s.h = 120;
    s.Marker = 1;
    FigureJob figure;
    figure.title = "Disc";
    figure.level = [](std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, std::int32_t, std::int32_t) {
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) < 40 * 40 ? 255 : 0;
    };
    GenerationResult r = makeFromFigure(s, figure, host);
    ASSERT_TRUE(r.finished());
    EXPECT_EQ(r.picture.bitmap->bitsPerPixel(), 24);
    EXPECT_EQ(r.picture.bitmap->width(), 300);
    // The caption's two passes land in yellow and navy, exactly.
    EXPECT_EQ(at(*r.picture.bitmap, 9, 120 - 21), 0xFFFF00u);
    EXPECT_EQ(at(*r.picture.bitmap, 10, 120 - 20), 0x000080u);

    auto picture = platform::Bitmap::create(150, 60, 8);
    PictureJob job;
    job.picture = picture.get();
    job.palette = &pattern.palette;
    job.title = "flat.bmp";
    GenerationResult p = makeFromPicture(s, job, host);
    ASSERT_TRUE(p.finished());
    EXPECT_EQ(p.picture.bitmap->width(), 150); // no strip to crop
    EXPECT_EQ(p.picture.title, "flat.bmp{sird}");
}
