#pragma once
// Stereograms made through the engine's generation driver in tests: a host
// that records errors and draws captions as small blocks, depth maps from a
// function, and the pixel measures the tests share.

#include "engine/Generation.h"
#include "engine/SirdsSettings.h"

#include <gtest/gtest.h>

#include "platform/Bitmap.h"
#include "platform/Palette.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fixture {

class Host : public engine::GenerationHost {
public:
    explicit Host(engine::PatternRef pattern = {}) : pattern_(pattern) {}
    void progress(int, const engine::ProgressRecord&) override {}
    engine::PatternRef pattern() override { return pattern_; }
    bool pumpMessages() override { return false; }
    // Draws a 3 × 2 block in the palette entry nearest to the colour.
    void drawText(platform::Bitmap& image, const platform::Palette& palette, int x, int y, std::string_view,
                  engine::Rgb colour) override
    {
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 3; ++dx)
                image.setPixel(x + dx, image.height() - 1 - (y + dy),
                               palette.nearest(colour.red, colour.green, colour.blue));
    }
    void showError(std::string_view message) override { errors.emplace_back(message); }
    std::vector<std::string> errors;

private:
    engine::PatternRef pattern_;
};

class FunctionMap : public engine::DepthMapSource {
public:
    FunctionMap(int w, int h, std::function<int(int, int)> level) : w_(w), h_(h), level_(std::move(level)) {}
    std::int32_t width() const override { return w_; }
    std::int32_t height() const override { return h_; }
    void levelRow(std::int32_t y, std::int32_t* out, std::int32_t n) const override
    {
        for (int x = 0; x < n; ++x)
            out[x] = x < w_ ? level_(x, y) : 0;
    }

private:
    int w_, h_;
    std::function<int(int, int)> level_;
};

// The stereogram of a depth map; null (with the host's first error in the
// test's output) when it failed.
inline std::unique_ptr<platform::Bitmap> makeFromMap(const engine::SirdsSettings& s, const FunctionMap& map,
                                                     engine::PatternRef pattern = {})
{
    Host host(pattern);
    engine::DepthMapJob job;
    job.map = &map;
    engine::GenerationResult r = engine::makeFromDepthMap(s, job, host);
    if (!r.finished())
        ADD_FAILURE() << (host.errors.empty() ? "not finished" : host.errors.front());
    return std::move(r.picture.bitmap);
}

// The colour of pixel x in row y from the top, whatever the depth.
inline std::uint32_t at(const platform::Bitmap& b, int x, int y)
{
    return b.pixel(x, b.height() - 1 - y);
}

// Longest run of equal neighbours in any row.
inline int longestRun(const platform::Bitmap& b)
{
    int longest = 1;
    for (int y = 0; y < b.height(); ++y) {
        int run = 1;
        for (int x = 1; x < b.width(); ++x) {
            run = at(b, x, y) == at(b, x - 1, y) ? run + 1 : 1;
            longest = std::max(longest, run);
        }
    }
    return longest;
}

} // namespace fixture
