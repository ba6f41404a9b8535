#pragma once
// Animations and pictures decoded by programs other than ours: ffmpeg and
// ffprobe for videos and still pictures, Pillow for animated WebP. Frames
// come back as RGB rows from the top; comparisons report where two differ.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct DecodedFrames {
    int width = 0, height = 0;
    int loop = -1;                     // WebP: 0 for ever
    std::vector<int> delaysMs;         // WebP: one a frame
    std::vector<std::vector<std::uint8_t>> frames; // RGB, rows from the top
};

inline std::string commandOutput(const std::string& command)
{
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, p)) > 0;)
            out.append(buffer, n);
        ::pclose(p);
    }
    return out;
}

inline std::vector<std::uint8_t> fileBytes(const std::string& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void splitFrames(DecodedFrames& d, const std::vector<std::uint8_t>& raw)
{
    const std::size_t size = static_cast<std::size_t>(d.width) * d.height * 3;
    for (std::size_t at = 0; size > 0 && at + size <= raw.size(); at += size)
        d.frames.emplace_back(raw.begin() + static_cast<std::ptrdiff_t>(at),
                              raw.begin() + static_cast<std::ptrdiff_t>(at + size));
}

// One ffprobe field of the first video stream ("width", "color_space", …).
inline std::string probe(const std::string& file, const std::string& field)
{
    std::string v = commandOutput("ffprobe -v error -select_streams v:0 -show_entries stream=" + field +
                                  " -of default=nw=1:nk=1 '" + file + "'");
    while (!v.empty() && (v.back() == '\n' || v.back() == '\r'))
        v.pop_back();
    return v;
}

// Every frame of a video or still picture through ffmpeg, in RGB.
inline DecodedFrames decodeWithFfmpeg(const std::string& file, const std::string& scratch)
{
    DecodedFrames d;
    d.width = std::atoi(probe(file, "width").c_str());
    d.height = std::atoi(probe(file, "height").c_str());
    std::system(("ffmpeg -v error -y -i '" + file + "' -f rawvideo -pix_fmt rgb24 '" + scratch + "'").c_str());
    splitFrames(d, fileBytes(scratch));
    return d;
}

// An animated WebP through Pillow.
inline DecodedFrames decodeWebp(const std::string& file, const std::string& scratch)
{
    DecodedFrames d;
    std::istringstream lines(commandOutput("/usr/bin/python3 '" DOTSCAPE_TESTS_COMMON_DIR "/decode_webp.py' '" +
                                           file + "' '" + scratch + "'"));
    int frames = 0;
    lines >> frames >> d.loop >> d.width >> d.height;
    for (int k = 0, delay = 0; k < frames && lines >> delay; ++k)
        d.delaysMs.push_back(delay);
    splitFrames(d, fileBytes(scratch));
    return d;
}

inline bool pillowReadsWebp()
{
    return commandOutput("/usr/bin/python3 -c 'from PIL import features; print(features.check(\"webp_anim\"))' "
                         "2>/dev/null")
               .starts_with("True");
}

// Peak signal-to-noise ratio in dB of b against a over what value() takes
// from each; infinite when equal.
template <class Value>
double psnr(std::size_t count, Value value)
{
    double sum = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double e = value(i);
        sum += e * e;
    }
    return sum == 0 ? INFINITY : 10 * std::log10(255.0 * 255.0 / (sum / static_cast<double>(count)));
}

// The brightness (BT.709 luma from RGB) of a frame against another's.
inline double lumaPsnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    auto luma = [](const std::uint8_t* p) { return 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2]; };
    return psnr(a.size() / 3, [&](std::size_t i) { return luma(&a[3 * i]) - luma(&b[3 * i]); });
}

// The colours averaged over blocks of 4 × 4 pixels, channel by channel.
inline double blockColourPsnr(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width,
                              int height)
{
    const int bw = width / 4, bh = height / 4;
    return psnr(static_cast<std::size_t>(bw) * bh * 3, [&](std::size_t i) {
        const int c = static_cast<int>(i % 3), block = static_cast<int>(i / 3);
        const int bx = block % bw, by = block / bw;
        double sa = 0, sb = 0;
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < 4; ++x) {
                const std::size_t at = (static_cast<std::size_t>(4 * by + y) * width + 4 * bx + x) * 3 + c;
                sa += a[at];
                sb += b[at];
            }
        }
        return (sa - sb) / 16;
    });
}

// Where two frames first differ, or empty when they are the same.
inline std::string firstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, int width)
{
    if (a.size() != b.size())
        return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i]) {
            const std::size_t pixel = i / 3;
            return "(" + std::to_string(pixel % static_cast<std::size_t>(width)) + ", " +
                   std::to_string(pixel / static_cast<std::size_t>(width)) + ")";
        }
    }
    return {};
}
