// dotscape make writing animated WebP, MP4 and WebM, and taking depth from
// picture sequences and depth videos, as a user runs it: every animation is
// decoded by another program (Pillow for WebP, ffmpeg for videos) and each
// frame set against the single stereogram make gives for that frame; lossy
// ones within the brightness and block-colour bounds. Depth sequences and
// videos are made by ffmpeg too.

#include "DecodedFrames.h"
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr int kFrames = 3;

class Video : public ProgramTest {
protected:
    void SetUp() override
    {
        ProgramTest::SetUp();
        inFolder_ = true;
    }
    // Runs ffmpeg with args in the test's folder.
    void ffmpeg(const std::string& args) const
    {
        ASSERT_EQ(std::system(("cd '" + dir_.string() + "' && ffmpeg -v error -y " + args).c_str()), 0) << args;
    }
    // The frames of an animation through the decoder its kind needs.
    DecodedFrames decode(const std::string& file) const
    {
        return file.ends_with(".webp") ? decodeWebp(file, path("raw")) : decodeWithFfmpeg(file, path("raw"));
    }
    // The single make of options, decoded by ffmpeg.
    std::vector<std::uint8_t> single(const std::string& options) const
    {
        const std::string one = path("single.png");
        const ProgramOutcome s = run("make " + options + " -f -o '" + one + "'");
        EXPECT_EQ(s.status, 0) << s.err;
        DecodedFrames d = decodeWithFfmpeg(one, path("raw1"));
        return d.frames.empty() ? std::vector<std::uint8_t>{} : d.frames.front();
    }
};

struct Case {
    const char* name;
    std::string animation;                  // source and animation options
    std::function<std::string(int)> single; // make options of frame k alone
    const char* output;
    bool lossless;
};

std::string figure(const std::string& method)
{
    return "--figure 14 --width 320 --height 200 --no-markers " + method;
}

const std::string kHidden = "--method hidden-surface --oversample 4 --random-dots colour";

std::vector<Case> cases()
{
    auto angle = [](std::string options) {
        return [options](int k) { return options + " --da " + std::to_string(30 * k); };
    };
    const std::string frames = " --frames " + std::to_string(kFrames) + " --da-step 30";
    return {
        {"webp_lossless", figure("--method mcmahon") + frames, angle(figure("--method mcmahon")), "a.webp", true},
        {"webp_true_colour", figure(kHidden) + frames, angle(figure(kHidden)), "a.webp", true},
        {"webp_lossy", figure(kHidden) + frames + " --quality 0", angle(figure(kHidden)), "a.webp", false},
        {"mp4", figure(kHidden) + frames, angle(figure(kHidden)), "a.mp4", false},
        {"mp4_indexed", figure("--method mcmahon") + frames + " --quality 12", angle(figure("--method mcmahon")),
         "a.mp4", false},
        {"webm", figure(kHidden) + frames, angle(figure(kHidden)), "a.webm", false},
        {"gif", figure("--method feucht") + frames, angle(figure("--method feucht")), "a.gif", true},
        // Depth from files other programs made: numbered from 1, and a glob.
        {"pictures_numbered", "--pictures 'depth_%03d.png' --no-markers",
         [](int k) { return "--no-markers --picture depth_00" + std::to_string(k + 1) + ".png"; }, "a.webp", true},
        {"pictures_glob", "--pictures 'depth_*.png' --no-markers " + kHidden,
         [](int k) { return "--no-markers " + kHidden + " --picture depth_00" + std::to_string(k + 1) + ".png"; },
         "a.mp4", false},
        {"video", "--video depth.mkv --no-markers",
         [](int k) { return "--no-markers --picture frame_" + std::to_string(k + 1) + ".png"; }, "a.webp", true},
        {"video_part", "--video depth.mkv --start 0.1 --duration 0.15 --no-markers",
         [](int k) { return "--no-markers --picture frame_" + std::to_string(k + 2) + ".png"; }, "a.webp", true},
    };
}

TEST_F(Video, EveryFrameIsTheSingleMakeOfItsValues)
{
    if (!pillowReadsWebp())
        GTEST_SKIP() << "Pillow with WebP animation is not installed";
    // Depth that moves: a square crossing a ramp, at 10 frames a second.
    const std::string depth = "-f lavfi -i \"color=black:s=160x120:r=10,format=gray,"
                              "geq=lum='if(between(X,20+10*N,60+10*N)*between(Y,30,80),230,40+X/2)'\" "
                              "-frames:v 3 ";
    ffmpeg(depth + "depth_%03d.png");
    ffmpeg(depth + "-c:v ffv1 depth.mkv");
    ffmpeg("-i depth.mkv frame_%d.png");
    for (const Case& c : cases()) {
        SCOPED_TRACE(c.name);
        const std::string out = path(c.output);
        const ProgramOutcome r = run("make " + c.animation + " -f -o '" + out + "' --delay 100");
        ASSERT_EQ(r.status, 0) << r.err;
        const DecodedFrames got = decode(out);
        const int expectedFrames = std::string(c.name) == "video_part" ? 2 : kFrames;
        ASSERT_EQ(static_cast<int>(got.frames.size()), expectedFrames);
        if (std::string(c.output).ends_with(".webp")) {
            EXPECT_EQ(got.loop, 0);
            EXPECT_EQ(got.delaysMs, std::vector<int>(static_cast<std::size_t>(expectedFrames), 100));
        } else if (!std::string(c.output).ends_with(".gif")) {
            EXPECT_EQ(probe(out, "pix_fmt"), "yuv420p");
            EXPECT_EQ(probe(out, "color_range"), "tv");
            EXPECT_EQ(probe(out, "color_space"), "bt709");
            EXPECT_EQ(probe(out, "color_primaries"), "bt709");
            EXPECT_EQ(probe(out, "avg_frame_rate"), "10/1");
        }
        for (int k = 0; k < expectedFrames; ++k) {
            const std::vector<std::uint8_t> expected = single(c.single(k));
            ASSERT_EQ(expected.size(), got.frames[static_cast<std::size_t>(k)].size()) << "frame " << k;
            const std::vector<std::uint8_t>& frame = got.frames[static_cast<std::size_t>(k)];
            if (c.lossless) {
                EXPECT_EQ(firstDifference(frame, expected, got.width), "") << "frame " << k;
            } else {
                EXPECT_GE(lumaPsnr(frame, expected), 35.0) << "frame " << k;
                EXPECT_GE(blockColourPsnr(frame, expected, got.width, got.height), 30.0) << "frame " << k;
            }
        }
    }
}

TEST_F(Video, BadFramesAreRefusedByName)
{
    ffmpeg("-f lavfi -i color=gray:s=64x48 -frames:v 3 ok_%d.png");
    ffmpeg("-f lavfi -i color=gray:s=64x48 -frames:v 2 size_%d.png");
    ffmpeg("-f lavfi -i color=gray:s=66x48 -frames:v 1 size_3.png");
    ffmpeg("-f lavfi -i color=gray:s=64x48 -frames:v 2 damaged_%d.png");
    {
        std::ofstream(path("damaged_3.png"), std::ios::binary) << "\x89PNG\r\n\x1a\n not a picture";
    }
    std::ofstream(path("notvideo.mkv"), std::ios::binary) << "no video at all";
    struct Refusal {
        std::string source;
        std::string message;
    };
    const Refusal refusals[] = {
        {"--pictures 'size_%d.png'", "size_3.png is 66 x 48, not 64 x 48 as the first frame"},
        {"--pictures 'damaged_*.png'", "damaged_3.png could not be read as a picture"},
        {"--pictures 'none_%d.png'", "no picture matches 'none_%d.png'"},
        {"--pictures 'ok_%d_%d.png'", "must hold one whole-number conversion"},
        {"--video notvideo.mkv", "notvideo.mkv could not be read as a video"},
        {"--pictures 'ok_%d.png' --z-step 3", "--z-step changes one stereogram"},
        {"--pictures 'ok_%d.png' --quality 5 -o x.gif", "--quality is for .webp, .mp4 and .webm"},
        {"--pictures 'ok_%d.png' --quality 64 -o x.webm", "--quality for .webm must be between 0 and 63"},
        {"--pictures 'ok_%d.png' -o x.png", "an animation is written as .gif, .webp, .mp4 or .webm"},
    };
    for (const Refusal& r : refusals) {
        const std::string out = r.source.find(" -o ") == std::string::npos ? " -o out.mp4" : "";
        const ProgramOutcome o = run("make " + r.source + out);
        EXPECT_NE(o.status, 0) << r.source;
        EXPECT_NE(o.err.find(r.message), std::string::npos) << r.source << ": " << o.err;
    }
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
        const std::string name = entry.path().filename().string();
        EXPECT_FALSE(name.starts_with("out") || name.starts_with("x.")) << name << " was left behind";
    }
    // The good sequence is made, so the refusals above are the frames' own.
    EXPECT_EQ(run("make --pictures 'ok_%d.png' -o out.mp4").status, 0);
}

TEST_F(Video, AnInterruptedAnimationLeavesNoFile)
{
    for (const char* output : {"long.mp4", "long.webp", "long.gif"}) {
        for (const int sig : {SIGINT, SIGTERM}) {
            // Long enough that the signal always comes in the middle.
            const std::string make = "XDG_CONFIG_HOME='" + path("config") + "' '" DOTSCAPE_BIN_DIR "/dotscape' make "
                                     "--figure 14 --width 1280 --height 720 " + kHidden +
                                     " --frames 360 --da-step 1 -f -o '" + path(output) + "'";
            const std::string script = "cd '" + dir_.string() + "' && (" + make + " 2>err & pid=$!; sleep 2; kill -" +
                                       std::to_string(sig) + " $pid; wait $pid; echo $? >status)";
            ASSERT_EQ(std::system(script.c_str()), 0);
            EXPECT_NE(slurp(dir_ / "status"), "0\n") << output;
            EXPECT_NE(slurp(dir_ / "err").find("the animation was stopped; nothing was written"), std::string::npos)
                << output << ": " << slurp(dir_ / "err");
            for (const auto& entry : std::filesystem::directory_iterator(dir_))
                EXPECT_EQ(entry.path().filename().string().find("long"), std::string::npos)
                    << entry.path() << " was left behind";
        }
    }
}

} // namespace
