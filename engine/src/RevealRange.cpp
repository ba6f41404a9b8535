// The revealer's input: a picture's colours as planes, and the range of
// separations the picture repeats at, found from a sample of its rows.

#include "RevealCost.h"
#include "RowWorkers.h"
#include "WideLoops.h"

#include "engine/Reveal.h"
#include "platform/Window.h"

#include <algorithm>
#include <array>
#include <limits>
#include <cstdlib>

namespace engine {

platform::Palette greyPalette()
{
    std::array<platform::PALETTEENTRY, 256> entries{};
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        entries[i] = {v, v, v, 0};
    }
    return platform::Palette(entries);
}

RgbPlanes rgbPlanes(const platform::Bitmap& picture, const platform::Palette* palette)
{
    RgbPlanes p;
    p.width = picture.width();
    p.height = picture.height();
    const std::size_t count = static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    p.red.resize(count);
    p.green.resize(count);
    p.blue.resize(count);

    const int bits = picture.bitsPerPixel();
    // Colours of the indices; an index beyond the palette is a grey level
    // spread over the depth's range.
    std::array<std::array<std::uint8_t, 3>, 256> colours{};
    if (bits != 24) {
        const unsigned top = (1u << std::min(bits, 8)) - 1;
        for (unsigned v = 0; v < 256; ++v) {
            if (palette && v < palette->size()) {
                const auto& e = (*palette)[v];
                colours[v] = {e.peRed, e.peGreen, e.peBlue};
            } else {
                const auto grey = static_cast<std::uint8_t>(std::min(v, top) * 255 / std::max(top, 1u));
                colours[v] = {grey, grey, grey};
            }
        }
    }
    for (int y = 0; y < p.height; ++y) {
        const std::uint8_t* src = picture.rowFromTop(y);
        const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width);
        for (int x = 0; x < p.width; ++x) {
            if (bits == 24) {
                const std::uint8_t* px = src + 3 * static_cast<std::size_t>(x);
                p.red[at + x] = px[2];
                p.green[at + x] = px[1];
                p.blue[at + x] = px[0];
                continue;
            }
            const std::uint32_t index = bits == 8 ? src[x] : picture.pixel(x, p.height - 1 - y);
            const auto& c = colours[index & 0xFF];
            p.red[at + x] = c[0];
            p.green[at + x] = c[1];
            p.blue[at + x] = c[2];
        }
    }
    return p;
}

namespace {

// Rows sampled by the range search, in strips as high as the window.
constexpr int kMaxStrips = 32;
// The share of the sampled windows that must vote for a picture to be a
// stereogram at all, and under which the votes must gather.
constexpr double kFewestVoters = 0.05;
constexpr std::int64_t kFewestVotes = 100;
constexpr double kFewVoters = 0.1;
// How many times the level of chance votes a separation must have to be
// dense.
constexpr std::int64_t kChanceMargin = 3;
// How much unrelated pixels must differ (reveal::distinctness) for a
// window along one row to vote.
constexpr double kAlongDistinct = 0.75;
// A gathering of votes under two thirds of the period with at least
// 1 / kFewLinks of the period's is tried as the links of a chain whose sums
// the period may be.
constexpr std::int64_t kFewLinks = 16;

// The largest separation searched in a picture of this width (0 when the
// picture is too narrow for any).
int widestSeparation(int width)
{
    const int widest = std::min((width - 1) / 2, kRevealMinSeparation + kRevealMaxRange - 1);
    if (width < kRevealMinWidth || width - widest < 2 * reveal::kWidestHalf + 1)
        return 0;
    return widest;
}

// The window costs of a strip of rows (from top) at separation d: the
// costs of the rows added up column by column and summed over the window's
// width into row (the highest cost where no window fits), and folded into
// each column's least cost and sum of costs. With along, a window of as many
// pixels along the strip's middle row (alongHalf either side) stands in
// where it costs less, as the matcher's line does: where the depth changes
// down the picture about as fast as the separation, the rows of a window
// disagree.
DOTSCAPE_WIDE_LOOPS void separationCosts(const RgbPlanes& picture, const reveal::RgbBounds& bounds, bool spans, int top,
                                         int rows, int d, int half, bool along, int alongHalf,
                                         std::uint16_t* __restrict column, std::uint16_t* __restrict middle,
                                         std::uint16_t* __restrict box, std::uint16_t* __restrict row,
                                         std::uint16_t* __restrict best, std::uint32_t* __restrict sum)
{
    const int width = picture.width;
    const int n = width - d;
    // Row y's pixel costs at d added to out.
    auto addRow = [&](int y, std::uint16_t* out) {
        if (spans)
            reveal::addSpanCosts(reveal::rowPlanes(picture, y), reveal::rowPlanes(bounds, false, y, width),
                                 reveal::rowPlanes(bounds, true, y, width), d, n, out);
        else
            reveal::addCosts(reveal::rowPlanes(picture, y), d, n, out);
    };
    std::fill(column, column + n, 0);
    for (int y = top; y < top + rows; ++y)
        addRow(y, column);
    reveal::boxSums(column, n, half, box);
    const int margin = along ? std::max(half, alongHalf) : half;
    if (along) {
        std::fill(middle, middle + n, 0);
        addRow(top + rows / 2, middle);
        reveal::boxSums(middle, n, alongHalf, column);
        for (int x = margin; x + margin < n; ++x)
            box[x] = std::min(box[x], column[x]);
    }
    std::fill(row, row + width, std::numeric_limits<std::uint16_t>::max());
    for (int x = margin; x + margin < n; ++x) {
        const std::uint16_t v = box[x];
        row[x] = v;
        best[x] = std::min(best[x], v);
        sum[x] += v;
    }
}

} // namespace

SeparationRange findSeparationRange(const RgbPlanes& picture, std::string& error, int threads,
                                    std::vector<SeparationRange>* others, RangeWindows windows)
{
    error.clear();
    SeparationRange range;
    const int width = picture.width;
    const int height = picture.height;
    const int lo = kRevealMinSeparation;
    const int hi = widestSeparation(width);
    if (hi == 0 || height < 1) {
        error = platform::format(kRevealTooNarrowFormat, width);
        return range;
    }
    // The same window as the matcher's, so that slopes vote too.
    const bool spans = reveal::comparesSpans(picture);
    const double distinct = reveal::distinctness(picture, 2 * lo);
    reveal::Window shape = reveal::chooseWindow(distinct, spans);
    if (windows == RangeWindows::Low)
        shape = reveal::lowWindow(shape);
    reveal::RgbBounds bounds;
    if (spans)
        bounds = reveal::sampledBounds(picture);
    const int kHalfWidth = shape.rx;
    const int rows = std::min(2 * shape.ry + 1, height);
    const int strips = std::clamp(height / 8, 1, kMaxStrips);
    const int window = rows * (2 * kHalfWidth + 1);
    // True-colour pictures of many colours (compared by their spans, in
    // windows of fifteen pixels) are read along the rows too, by a window
    // of as many pixels on the strip's middle row; in fewer colours, or
    // in smaller windows, one row repeats by chance too often, and it is
    // only tried where nothing else repeats.
    const bool along = (spans && distinct >= kAlongDistinct) || windows == RangeWindows::AlongRows;
    const int alongHalf = (window - 1) / 2;
    const int enough = (hi - lo + 1) / 2; // separations a pixel must have been tried at

    // Each worker takes strips of its own and keeps its own counts, which
    // are added up afterwards (in any order: they are counts).
    struct StripWork {
        std::vector<std::uint16_t> column, middle, box, best;
        std::vector<std::uint16_t> costs; // every window cost of the strip, [d − lo][x]
        std::vector<std::uint32_t> sum;
        std::vector<std::int64_t> votes;
        std::vector<std::uint8_t> voters; // the columns that voted for each separation
        std::int64_t evaluated = 0;
        std::int64_t voted = 0;
    };
    RowWorkers workers(RowWorkers::chooseSize(threads));
    std::vector<StripWork> team(static_cast<std::size_t>(workers.size()));
    for (StripWork& t : team) {
        t.column.resize(static_cast<std::size_t>(width));
        t.middle.resize(static_cast<std::size_t>(width));
        t.box.resize(static_cast<std::size_t>(width));
        t.best.resize(static_cast<std::size_t>(width));
        t.costs.resize(static_cast<std::size_t>(hi - lo + 1) * static_cast<std::size_t>(width));
        t.sum.resize(static_cast<std::size_t>(width));
        t.votes.assign(static_cast<std::size_t>(hi) + 1, 0);
        t.voters.assign((static_cast<std::size_t>(hi) + 1) * static_cast<std::size_t>(width), 0);
    }
    workers.run(strips, [&](int worker, std::int32_t first, std::int32_t last) {
        StripWork& own = team[static_cast<std::size_t>(worker)];
        auto& column = own.column;
        auto& middle = own.middle;
        auto& box = own.box;
        auto& best = own.best;
        auto& costs = own.costs;
        auto& sum = own.sum;
        for (int s = first; s < last; ++s) {
            const int top = static_cast<int>(static_cast<std::int64_t>(height - rows) * (2 * s + 1) / (2 * strips));
            std::fill(best.begin(), best.end(), std::numeric_limits<std::uint16_t>::max());
            std::fill(sum.begin(), sum.end(), 0);
            for (int d = lo; d <= hi; ++d)
                separationCosts(picture, bounds, spans, top, rows, d, kHalfWidth, along, alongHalf, column.data(),
                                middle.data(), box.data(),
                                costs.data() + static_cast<std::size_t>(d - lo) * static_cast<std::size_t>(width),
                                best.data(), sum.data());
            // A pixel votes when its best repeat costs under a quarter of the
            // average over all separations and the window is not one flat
            // colour (its average is then low). A chain of copies repeats as
            // well at twice, three times … its separation as at the separation
            // itself, so the vote goes to the smallest separation that repeats
            // nearly as well as the best: the fundamental one.
            for (int x = kHalfWidth; x + kHalfWidth < width; ++x) {
                // The separations whose window at x fits in the row.
                const int tried = std::clamp(width - kHalfWidth - x - lo, 0, hi - lo + 1);
                if (tried < enough)
                    continue;
                ++own.evaluated;
                const std::uint32_t mean = sum[x] / static_cast<std::uint32_t>(tried);
                const std::uint32_t nearly = best[x] + (mean - best[x]) / 8;
                // A window that repeats nearly as well at the smallest
                // separation runs on unchanged along the row (a flat stretch
                // of a pattern, an edge along the row): it repeats at every
                // separation and tells none.
                const bool runsOn = costs[static_cast<std::size_t>(x)] <= nearly;
                if (mean >= static_cast<std::uint32_t>(4 * window) && 4u * best[x] < mean && !runsOn) {
                    const std::uint32_t continues = best[x] + (mean - best[x]) / 2;
                    auto cost = [&](int d) {
                        return costs[static_cast<std::size_t>(d - lo) * static_cast<std::size_t>(width) + x];
                    };
                    // Of the separations that repeat nearly as well, the
                    // smallest one whose copies go on: on a surface, the copy
                    // of a pixel repeats again (or the pixel was itself a copy)
                    // at a separation not far from the first, however the
                    // surface slopes, while two copies of one pixel at
                    // different separations (a pattern tile and a link, d1 and
                    // d2) match each other at their difference and repeat only
                    // at d1 or d2, far from it. Where nothing either side
                    // lies in the row this cannot be told, and the first is
                    // taken; a pixel whose first fails is left out.
                    int vote = 0;
                    for (int d = lo; d <= hi; ++d) {
                        if (cost(d) > nearly)
                            continue;
                        std::uint16_t again = std::numeric_limits<std::uint16_t>::max();
                        for (int e = std::max(lo, d - d / 2); e <= std::min(hi, d + d / 2); ++e) {
                            const std::size_t row = static_cast<std::size_t>(e - lo) * static_cast<std::size_t>(width);
                            if (x + d < width)
                                again = std::min(again, costs[row + static_cast<std::size_t>(x + d)]);
                            if (x - e >= 0)
                                again = std::min(again, costs[row + static_cast<std::size_t>(x - e)]);
                        }
                        if (again == std::numeric_limits<std::uint16_t>::max() || again <= continues)
                            vote = d;
                        break;
                    }
                    if (vote != 0) {
                        ++own.votes[static_cast<std::size_t>(vote)];
                        own.voters[static_cast<std::size_t>(vote) * static_cast<std::size_t>(width) +
                                   static_cast<std::size_t>(x)] = 1;
                    }
                    ++own.voted;
                }
            }
        }
    });
    std::vector<std::int64_t> votes(static_cast<std::size_t>(hi) + 1);
    // How many columns voted for each separation.
    std::vector<int> columns(static_cast<std::size_t>(hi) + 1);
    std::int64_t evaluated = 0;
    std::int64_t voted = 0;
    for (std::size_t d = 0; d < votes.size(); ++d) {
        const std::size_t at = d * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            std::uint8_t any = 0;
            for (const StripWork& t : team)
                any |= t.voters[at + static_cast<std::size_t>(x)];
            columns[d] += any;
        }
        for (const StripWork& t : team)
            votes[d] += t.votes[d];
    }
    for (const StripWork& t : team) {
        evaluated += t.evaluated;
        voted += t.voted;
    }
    range.share = evaluated > 0 ? static_cast<double>(voted) / static_cast<double>(evaluated) : 0.0;
    if (voted == 0) {
        error = kRevealNoRepeatMessage;
        return range;
    }

    // The period is the separation most pixels repeat at.
    for (int d = lo; d <= hi; ++d) {
        const std::int64_t v = votes[static_cast<std::size_t>(d)];
        if (v > 0 && (range.period == 0 || v > votes[static_cast<std::size_t>(range.period)]))
            range.period = d;
    }
    // Runs of one colour (the fill some scan methods leave where copies
    // spread apart) repeat at a pixel or two; separations under a quarter
    // of the period are not counted.
    const int floor = std::max(lo, range.period / 4);
    // A chain of copies repeats again at twice, three times … its
    // separation. Where a separation has fewer votes than the one it is a
    // multiple of, its votes are such echoes (pixels whose fundamental
    // repeat was spoilt, by a blend or a slope) and are not counted.
    auto around = [&](int d, int r = 1) {
        std::int64_t n = 0;
        for (int e = std::max(lo, d - r); e <= std::min(hi, d + r); ++e)
            n += votes[static_cast<std::size_t>(e)];
        return n;
    };
    // Pictures that repeat exactly keep an echo's votes few, and call a
    // separation an echo only when the one it is a multiple of has three
    // times its votes: their runs of one colour vote at small separations.
    const std::int64_t echoMargin = spans ? 1 : 3;
    std::vector<char> echo(votes.size(), 0);
    for (int d = 2 * floor; d <= hi; ++d) {
        for (int k = 2; k <= 6 && d / k >= floor; ++k)
            echo[static_cast<std::size_t>(d)] |= around((d + k / 2) / k, 2) >= echoMargin * around(d) ? 1 : 0;
    }
    for (std::size_t d = 0; d < votes.size(); ++d)
        votes[d] = echo[d] ? 0 : votes[d];
    // The votes that chance and spoilt echoes leave are spread thinly over
    // all separations; those of a surface gather side by side, those of a
    // staircase's steps a few pixels apart. The range is the band around
    // the period in which separations with a share of the votes that
    // chance rarely gives follow one another closely; a cluster beyond a
    // wider gap (a raised shape far in front of its background) joins it
    // when it holds a part of the votes no chance cluster does.
    std::int64_t counted = 0;
    for (int d = floor; d <= hi; ++d)
        counted += votes[static_cast<std::size_t>(d)];
    // The period is the separation around which most votes gather (a
    // smooth surface spreads its votes over neighbouring separations), and
    // within that gathering the single separation most pixels repeat at.
    auto spreadOf = [](int d) { return std::max(2, d / 16); };
    auto gathered = [&](int d) {
        std::int64_t n = 0;
        for (int e = std::max(floor, d - spreadOf(d)); e <= std::min(hi, d + spreadOf(d)); ++e)
            n += votes[static_cast<std::size_t>(e)];
        return n;
    };
    // The first separation of from … to around which most votes gather.
    auto mostGathered = [&](int from, int to) {
        int most = from;
        for (int d = from; d <= to; ++d)
            if (gathered(d) > gathered(most))
                most = d;
        return most;
    };
    // The first separation most pixels repeat at within the gathering around d.
    auto strongestAround = [&](int d) {
        int strongest = d;
        for (int e = std::max(floor, d - spreadOf(d)); e <= std::min(hi, d + spreadOf(d)); ++e)
            if (votes[static_cast<std::size_t>(e)] > votes[static_cast<std::size_t>(strongest)])
                strongest = e;
        return strongest;
    };
    range.period = strongestAround(mostGathered(floor, hi));
    // Where the surface changes nearly as fast as the separation, few
    // windows repeat whole; a picture where few do is a stereogram still
    // when there are votes enough to tell and two thirds of them gather
    // around one separation (chance spreads them over all).
    if (range.share < kFewVoters &&
        (range.share < kFewestVoters || counted < kFewestVotes || 3 * gathered(range.period) < 2 * counted)) {
        error = kRevealNoRepeatMessage;
        return range;
    }
    // Chance repeats (many in dots of two colours) spread a floor of votes
    // over all separations, the ones under a quarter of the period too,
    // where no surface of the picture lies: their middle level there is
    // the level of chance, and a separation counts as dense well above it.
    std::vector<std::int64_t> levels;
    for (int d = lo + 2; d + 1 < floor; ++d)
        levels.push_back(around(d));
    std::int64_t chance = 0;
    if (levels.size() >= 4) {
        const auto middle = levels.begin() + static_cast<std::ptrdiff_t>(levels.size() / 2);
        std::nth_element(levels.begin(), middle, levels.end());
        chance = *middle;
    }
    const std::int64_t dense = std::max<std::int64_t>({2, counted / 400, kChanceMargin * chance});
    // Where the surface changes as fast as the separation, two pixels a
    // chain of two copies apart pair more often than a pixel and its copy,
    // and the sum of two separations can gather the most votes. A period
    // that is the sum of two other separations with dense votes, the
    // farther with a quarter of the period's, is such a sum: its votes are
    // left out and the period is found again. (Twice one separation is an
    // echo, and left to the echoes above: the two must lie further apart
    // than the gathering around the period spreads, near 1.2 times apart
    // on a surface that waves between its near and far separations.)
    auto isSum = [&](int p) {
        for (int near = floor; 2 * near + spreadOf(p) <= p; ++near) {
            if (around(near) < 4 * dense)
                continue;
            for (int far = p - near - 1; far <= p - near + 1; ++far)
                if (far < p - spreadOf(p) && 4 * gathered(far) >= gathered(p) && around(far) >= 4 * dense)
                    return true;
        }
        return false;
    };
    // (Kept until the band around the new period is known: a sum lies
    // beyond it, and a period the band reaches is the surface's own.)
    std::vector<std::int64_t> beforeSum;
    int sumPeriod = 0;
    if (isSum(range.period)) {
        beforeSum = votes;
        for (int d = range.period - spreadOf(range.period); d <= std::min(hi, range.period + spreadOf(range.period)); ++d)
            votes[static_cast<std::size_t>(d)] = 0;
        const int again = strongestAround(mostGathered(floor, hi));
        if (votes[static_cast<std::size_t>(again)] > 0) {
            sumPeriod = range.period;
            range.period = again;
        } else {
            votes = beforeSum;
        }
    }
    // The band of separations around a period, of those that have at least
    // least votes around them; without shapes, only the ones that follow
    // one another closely.
    // How far apart the separations of one band may follow one another.
    auto gapAround = [](int period) { return std::max(3, period / 8); };
    // A shape stands in at least this many columns; a pattern tile's own
    // repeat may vote in a column or two all the way down the picture.
    auto shapeColumns = [](int d) { return std::max(8, d / 4); };
    auto bandAround = [&](int period, std::int64_t least, bool shapes) {
        SeparationRange band = range;
        band.period = period;
        const int gap = gapAround(period);
        // Beyond the band's far end, copies of a chain at its separations also
        // meet again at one and a half, two … times them: a cluster there joins
        // only by following closely. Below the band no echo lies.
        int first = period;
        int closeFirst = period;
        // The columns voting at separations within a pixel of d: a shape stands
        // in many at one separation, chance repeats in one or two at each.
        auto aroundColumns = [&](int d) {
            int n = 0;
            for (int e = std::max(lo, d - 1); e <= std::min(hi, d + 1); ++e)
                n += columns[static_cast<std::size_t>(e)];
            return n;
        };
        // Where copies of a chain at the period meet again: one and a half,
        // two, two and a half and three times it.
        auto echoOfPeriod = [&](int d) {
            for (int k = 3; k <= 6; ++k)
                if (std::abs(2 * d - k * period) <= 2 * spreadOf(d))
                    return true;
            return false;
        };
        // With joinShapes, clusters apart from the band join it as shapes.
        auto reach = [&](int from, int step, bool joinShapes) {
            int end = from;
            std::int64_t cluster = 0; // the votes since the band's end
            int clusterColumns = 0;   // and the columns they lie in
            int clusterEnd = from;
            for (int d = from + step; d >= floor && d <= hi; d += step) {
                if (around(d) < least)
                    continue;
                if (std::abs(d - clusterEnd) > gap) {
                    cluster = 0;
                    clusterColumns = 0;
                }
                cluster += votes[static_cast<std::size_t>(d)];
                clusterColumns += columns[static_cast<std::size_t>(d)];
                clusterEnd = d;
                const int apart = std::abs(d - end);
                // Beyond twice the band's near end, two copies of one pixel
                // a chain of two apart (at the sum of two separations) can
                // gather votes as a surface does: such a cluster joins only
                // by following closely.
                const bool sum = step > 0 && d >= 2 * first;
                // Beyond one and a half times it, a plane that holds a tenth
                // of all votes joins too (a background far behind a near
                // shape), unless it lies where the period's echoes or the
                // sums of the separations the band follows closely do (a far
                // plane is no sum of a near shape's separations, nor of the
                // repeats a pattern tile's chains leave beside its edges).
                const bool closeSum = step > 0 && d >= 2 * closeFirst;
                const bool plane = cluster * 10 >= counted && !echoOfPeriod(d) && !closeSum;
                if (apart <= gap || (apart <= 2 * gap && around(d) >= 4 * least && !sum) ||
                    (joinShapes && cluster * 100 >= counted && clusterColumns >= shapeColumns(d) &&
                     (2 * d < 3 * first || plane)))
                    end = d;
                if (end == d) {
                    cluster = 0;
                    clusterColumns = 0;
                }
            }
            return end;
        };
        // The near end the band follows closely, without shapes.
        closeFirst = reach(period, -1, false);
        first = reach(period, -1, shapes);
        const int last = reach(period, 1, shapes);
        // Below the band lie few echoes (their copies do not go on), and what
        // is near: the few pixels of a small near shape count there too, down
        // to the rarest percent of all, when they stand above chance and lie in
        // enough columns at one separation to be a shape (a column of a
        // pattern tile's own repeat is not one, nor chance spread over many).
        std::int64_t seen = 0;
        int wide = 0;
        for (int d = floor; d < first && shapes; ++d) {
            if (around(d) < least)
                continue;
            seen += votes[static_cast<std::size_t>(d)];
            wide = std::max(wide, aroundColumns(d));
            if (seen * 100 > counted && wide >= shapeColumns(d)) {
                first = d;
                break;
            }
        }
        // The nearest parts of a surface (the top of a hill) are the fewest
        // and the steepest, and vote least: the near end keeps a margin of
        // half the band's depth as well.
        const int margin = std::max(2, (last + 11) / 12);
        band.minSep = std::max(lo, first - std::max(margin, (last - first) / 2));
        band.maxSep = std::min(hi, last + margin);
        return band;
    };
    if (sumPeriod > 0 && bandAround(range.period, dense, true).maxSep + spreadOf(sumPeriod) >= sumPeriod) {
        votes = beforeSum;
        range.period = sumPeriod;
    }
    const SeparationRange found = bandAround(range.period, dense, true);
    if (others) {
        // The band around the period without the votes of the separations
        // from … to that are stripes.
        auto bandWithout = [&](int from, int to, auto stripe, std::int64_t least, bool shapes) {
            std::vector<std::int64_t> all = votes;
            for (int d = from; d <= to; ++d)
                if (stripe(d))
                    votes[static_cast<std::size_t>(d)] = 0;
            SeparationRange band = bandAround(range.period, least, shapes);
            // Nor does its near margin reach back to a stripe apart from
            // it: there the tile's repeat would pair the pixels of the
            // stripe's columns. (A stripe close below the band is the
            // nearest step of a staircase, each step standing in the same
            // columns all the way down.)
            int first = band.period;
            for (int d = band.minSep; d < band.period; ++d)
                if (around(d) >= least) {
                    first = d;
                    break;
                }
            for (int d = band.minSep; d + gapAround(band.period) < first; ++d)
                if (all[static_cast<std::size_t>(d)] >= least && votes[static_cast<std::size_t>(d)] == 0)
                    band.minSep = d + 2;
            votes.swap(all);
            return band;
        };
        // Whether separation d has, for each column it lies in, votes from
        // at least part / whole of the sampled strips: a stripe down the
        // picture.
        auto inStrips = [&](int d, std::int64_t part, std::int64_t whole) {
            const auto i = static_cast<std::size_t>(d);
            return whole * votes[i] >= part * static_cast<std::int64_t>(strips) * columns[i];
        };
        // A pattern tile drawn unchanged down the picture (where the copies
        // start) matches the copies at the differences of its width and the
        // separations: in a column or a few, in nearly every strip. Such
        // stripes below the period can carry the band's near end far down;
        // the band without them is offered too.
        const SeparationRange unstriped = bandWithout(
            floor, range.period - gapAround(range.period) - 1,
            [&](int d) { return columns[static_cast<std::size_t>(d)] < shapeColumns(d) && inStrips(d, 1, 2); }, dense,
            true);
        if (unstriped.minSep > found.minSep)
            others->push_back(unstriped);
        // Where the surface changes as fast as the separation, a window and
        // its copy rarely match whole, while two pixels a chain of two
        // copies apart (at the sum of two separations) may lie on alike
        // slopes and match better: that sum can gather the most votes. The
        // strongest gathering at under two thirds of the period is offered
        // too, when it holds a quarter of the period's votes, for the
        // matcher to try both; with a sixteenth, as the links whose chains
        // the period's pairs may be (the reveal checks them pair by pair).
        const int below = mostGathered(floor, 2 * range.period / 3);
        if (3 * floor <= 2 * range.period && gathered(below) > 0 &&
            kFewLinks * gathered(below) >= gathered(range.period)) {
            SeparationRange other = bandAround(strongestAround(below), dense, true);
            // With fewer votes it is offered only as the links whose sums
            // the period may be.
            other.fundamental = 4 * gathered(below) < gathered(range.period);
            if (other.maxSep < found.maxSep)
                others->push_back(other);
        }
        // Thin votes a few pixels apart can carry the band far beyond its
        // surface (the ones a scan method's fill leaves), and so can a
        // pattern tile drawn unchanged in every row where the copies start:
        // it repeats at its own width and matches the copies at the
        // difference, in a stripe less than twice as wide as the separation,
        // in many of the sampled strips. The band of the denser votes alone
        // that follow one another closely, without such stripes, is offered
        // too, to be taken where it pairs clearly more pixels.
        SeparationRange tight = bandWithout(
            floor, hi, [&](int d) { return columns[static_cast<std::size_t>(d)] < 2 * d && inStrips(d, 1, 4); },
            4 * dense, false);
        tight.tight = true;
        // Only a band much narrower is worth the sample.
        if (5 * (tight.maxSep - tight.minSep) < 4 * (found.maxSep - found.minSep))
            others->push_back(tight);
    }
    return found;
}

} // namespace engine
