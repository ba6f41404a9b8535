// The eyes' views of a revealed scene, the anaglyph and the side-by-side pair.

#include "engine/RevealViews.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace engine {

namespace {

RgbPlanes blank(int width, int height)
{
    RgbPlanes p;
    p.width = width;
    p.height = height;
    const std::size_t n = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    p.red.assign(n, 0);
    p.green.assign(n, 0);
    p.blue.assign(n, 0);
    return p;
}

std::uint8_t brightness(const RgbPlanes& p, std::size_t at)
{
    return static_cast<std::uint8_t>((299 * p.red[at] + 587 * p.green[at] + 114 * p.blue[at] + 500) / 1000);
}

void store(std::unique_ptr<platform::Bitmap>& out, int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    std::uint8_t* px = out->rowFromTop(y) + 3 * static_cast<std::size_t>(x);
    px[0] = b;
    px[1] = g;
    px[2] = r;
}

} // namespace

EyeViews eyeViews(const RgbPlanes& picture, const RevealResult& result)
{
    const int width = picture.width;
    const int height = picture.height;
    EyeViews views{blank(width, height), blank(width, height)};
    const float far = result.blackSeparation;
    const float near = result.whiteSeparation;
    const float span = far - near;
    const double full = kRevealViewDisparity * width;
    // Per row: the scene's points moved by ± half their disparity, the
    // nearest point kept where two land on one pixel; what neither eye's
    // points cover is the farther neighbour's, as it lies behind an edge.
    std::vector<float> depth(static_cast<std::size_t>(width));
    std::vector<int> from(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int eye = 0; eye < 2; ++eye) {
            RgbPlanes& view = eye == 0 ? views.left : views.right;
            const double sign = eye == 0 ? 1.0 : -1.0;
            std::fill(depth.begin(), depth.end(), std::numeric_limits<float>::max());
            std::fill(from.begin(), from.end(), -1);
            for (int x = 0; x < width; ++x) {
                const float s = result.separation[row + static_cast<std::size_t>(x)];
                // 0 far … 1 near
                const double nearness = span > 0.0f ? std::clamp((far - s) / span, 0.0f, 1.0f) : 0.5;
                const double shift = sign * 0.5 * full * (nearness - 0.5);
                // The point's colour: its copy half a separation to the
                // left, or to the right in the strip at the left edge.
                const int half = static_cast<int>(std::lround(s / 2.0f));
                const int source = std::clamp(x >= half ? x - half : x + half, 0, width - 1);
                for (int t : {static_cast<int>(std::floor(x + shift)), static_cast<int>(std::ceil(x + shift))}) {
                    if (t < 0 || t >= width || s >= depth[static_cast<std::size_t>(t)])
                        continue;
                    depth[static_cast<std::size_t>(t)] = s;
                    from[static_cast<std::size_t>(t)] = source;
                }
            }
            for (int x = 0; x < width; ++x) {
                if (from[static_cast<std::size_t>(x)] >= 0)
                    continue;
                int l = x - 1, r = x + 1;
                while (l >= 0 && from[static_cast<std::size_t>(l)] < 0)
                    --l;
                while (r < width && from[static_cast<std::size_t>(r)] < 0)
                    ++r;
                const bool useLeft = r >= width || (l >= 0 && depth[static_cast<std::size_t>(l)] >=
                                                                  depth[static_cast<std::size_t>(r)]);
                const int pick = useLeft ? l : r;
                if (pick >= 0 && pick < width) {
                    // The farther neighbour's texture continues into the gap.
                    const int step = x - pick;
                    from[static_cast<std::size_t>(x)] =
                        std::clamp(from[static_cast<std::size_t>(pick)] + step, 0, width - 1);
                    depth[static_cast<std::size_t>(x)] = depth[static_cast<std::size_t>(pick)];
                }
            }
            for (int x = 0; x < width; ++x) {
                const std::size_t src = row + static_cast<std::size_t>(std::max(0, from[static_cast<std::size_t>(x)]));
                const std::size_t dst = row + static_cast<std::size_t>(x);
                view.red[dst] = picture.red[src];
                view.green[dst] = picture.green[src];
                view.blue[dst] = picture.blue[src];
            }
        }
    }
    return views;
}

std::unique_ptr<platform::Bitmap> anaglyph(const EyeViews& views)
{
    const int width = views.left.width;
    const int height = views.left.height;
    auto out = platform::Bitmap::create(width, height, 24);
    if (!out)
        return out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                   static_cast<std::size_t>(x);
            const std::uint8_t l = brightness(views.left, at);
            const std::uint8_t r = brightness(views.right, at);
            store(out, x, y, l, r, r);
        }
    return out;
}

std::unique_ptr<platform::Bitmap> sideBySide(const EyeViews& views)
{
    const int width = views.left.width;
    const int height = views.left.height;
    auto out = platform::Bitmap::create(2 * width + kSideBySideGap, height, 24);
    if (!out)
        return out;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < out->width(); ++x)
            store(out, x, y, 255, 255, 255);
        for (int x = 0; x < width; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                                   static_cast<std::size_t>(x);
            // Cross-eyed: the right eye looks at the left picture.
            store(out, x, y, views.right.red[at], views.right.green[at], views.right.blue[at]);
            store(out, width + kSideBySideGap + x, y, views.left.red[at], views.left.green[at], views.left.blue[at]);
        }
    }
    return out;
}

} // namespace engine
