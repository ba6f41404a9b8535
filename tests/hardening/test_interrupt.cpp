// An interrupted write leaves no partial output: first the mechanism (a
// child that is writing when the signal comes), then the real program's
// convert and make commands interrupted while they write their output.

#include "Scratch.h"

#include "pictrans/TGraphIO.h"
#include "platform/FileIO.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/inotify.h>
#include <sys/wait.h>

namespace {

const std::string kProgram = std::string(DOTSCAPE_BIN_DIR) + "/dotscape";

bool hasTemporary(const fs::path& dir)
{
    for (const auto& name : namesIn(dir))
        if (name.starts_with(".dotscape-"))
            return true;
    return false;
}

// Waits for the child; the signal that ended it, or 0 when it exited (with
// its status in exitStatus).
int waitForSignal(pid_t pid, int* exitStatus = nullptr)
{
    int raw = 0;
    while (::waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    if (exitStatus)
        *exitStatus = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
}

TEST(InterruptedWrite, ASignalDuringAWriteRemovesTheTemporariesAndKeepsTheOldFile)
{
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        ScratchDir dir;
        const std::string first = dir.file("first.bmp"), second = dir.file("second.pcx");
        spit(first, oldContent());
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            platform::installInterruptCleanup();
            platform::SafeFile a(first), b(second);
            const Bytes junk(1 << 20, 0x5A);
            if (!a.open() || !b.open() || !a.write(junk.data(), junk.size()) || !b.write(junk.data(), junk.size()))
                ::_exit(3);
            std::fflush(a.stream());
            // Both temporaries are there, full of new bytes, when the signal comes.
            if (!hasTemporary(dir.path()))
                ::_exit(4);
            ::raise(sig);
            ::_exit(5); // not reached: the signal ends the process
        }
        EXPECT_EQ(waitForSignal(pid), sig) << "ended by signal " << sig << " with its usual status";
        EXPECT_EQ(slurp(first), oldContent()) << "signal " << sig;
        EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"first.bmp"}) << "signal " << sig;
    }
}

TEST(InterruptedWrite, ACommittedFileStaysWhenASignalComesAfterwards)
{
    ScratchDir dir;
    const std::string target = dir.file("done.bmp");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        platform::installInterruptCleanup();
        platform::SafeFile f(target);
        const Bytes data = oldContent();
        if (!f.open() || !f.write(data.data(), data.size()) || !f.commit())
            ::_exit(3);
        platform::SafeFile pending(dir.file("pending.bmp"));
        if (!pending.open())
            ::_exit(4);
        ::raise(SIGINT);
        ::_exit(5);
    }
    EXPECT_EQ(waitForSignal(pid), SIGINT);
    EXPECT_EQ(slurp(target), oldContent());
    EXPECT_EQ(namesIn(dir.path()), std::set<std::string>{"done.bmp"});
}

// Runs the program with args and interrupts it with sig as soon as its
// temporary output file appears in dir.
struct Outcome {
    bool sawTemporary = false;
    int signal = 0;     // the signal that ended it, 0 when it exited
    int exitStatus = -1;
};

Outcome runAndInterrupt(const ScratchDir& dir, const std::vector<std::string>& args, int sig)
{
    Outcome run;
    const int watch = ::inotify_init1(IN_CLOEXEC);
    EXPECT_GE(watch, 0);
    EXPECT_GE(::inotify_add_watch(watch, dir.path().c_str(), IN_CREATE), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::setenv("XDG_CONFIG_HOME", (dir.path() / "config").c_str(), 1);
        std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(kProgram.c_str(), argv.data());
        ::_exit(127);
    }
    std::array<char, 4096> buffer{};
    pollfd pfd{watch, POLLIN, 0};
    while (!run.sawTemporary && ::poll(&pfd, 1, 120000) > 0) {
        const ssize_t n = ::read(watch, buffer.data(), buffer.size());
        for (ssize_t off = 0; off < n;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buffer.data() + off);
            if (ev->len > 0 && std::string(ev->name).starts_with(".dotscape-")) {
                ::kill(pid, sig);
                run.sawTemporary = true;
                break;
            }
            off += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
        }
        int raw = 0;
        if (!run.sawTemporary && ::waitpid(pid, &raw, WNOHANG) == pid) {
            // Ended without writing anything.
            run.exitStatus = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            run.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
            ::close(watch);
            return run;
        }
    }
    if (!run.sawTemporary)
        ::kill(pid, SIGKILL);
    run.signal = waitForSignal(pid, &run.exitStatus);
    ::close(watch);
    return run;
}

// An 8-bit noise picture big enough that writing it takes a while.
void writeBigPicture(const std::string& path, int w, int h)
{
    auto bitmap = platform::Bitmap::create(w, h, 8);
    std::mt19937 rng(11);
    for (auto& b : bitmap->bits())
        b = static_cast<std::uint8_t>(rng());
    std::vector<platform::PALETTEENTRY> e(256);
    for (std::size_t i = 0; i < 256; ++i)
        e[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), 0};
    platform::Palette palette(e);
    TGraphIO io(nullptr, nullptr);
    io.SetGraphicFormat(GFORMAT_BMP);
    ASSERT_TRUE(io.Write_File(path, bitmap->description(), bitmap.get(), &palette));
}

// The signal may come a moment after the program's last byte; then the
// output is complete and the run proves nothing, so it is tried again.
void expectInterruptedRunsLeaveNothing(const ScratchDir& dir, const std::vector<std::string>& args,
                                       const std::string& output)
{
    int interrupted = 0;
    for (int attempt = 0; attempt < 4 && interrupted < 2; ++attempt) {
        const int sig = attempt % 2 ? SIGTERM : SIGINT;
        fs::remove(output);
        const Outcome r = runAndInterrupt(dir, args, sig);
        ASSERT_TRUE(r.sawTemporary) << "the program ended (status " << r.exitStatus << ") without writing";
        EXPECT_FALSE(hasTemporary(dir.path())) << "a temporary was left behind";
        if (r.signal == sig) {
            ++interrupted;
            EXPECT_FALSE(fs::exists(output)) << "an interrupted command left " << output;
        } else {
            EXPECT_EQ(r.exitStatus, 0) << "finished before the signal, so it must have succeeded";
        }
    }
    EXPECT_GE(interrupted, 1) << "no attempt was interrupted while writing";
}

TEST(InterruptedCommand, ConvertLeavesNoPartialOutput)
{
    ScratchDir dir;
    const std::string input = dir.file("big.bmp");
    writeBigPicture(input, 6000, 4000);
    expectInterruptedRunsLeaveNothing(dir, {"convert", "--force", input, dir.file("big.pcx")}, dir.file("big.pcx"));
    // The input was only read.
    EXPECT_EQ(namesIn(dir.path()).count("big.bmp"), 1u);
}

TEST(InterruptedCommand, MakeLeavesNoPartialOutput)
{
    ScratchDir dir;
    const std::string input = dir.file("depth.bmp");
    writeBigPicture(input, 4000, 3000);
    expectInterruptedRunsLeaveNothing(
        dir, {"make", "--picture", input, "--config", dir.file("none.ini"), "-o", dir.file("sirds.gif")},
        dir.file("sirds.gif"));
}

TEST(InterruptedCommand, AnOldOutputSurvivesAnInterruptedOverwrite)
{
    ScratchDir dir;
    const std::string input = dir.file("big.bmp");
    writeBigPicture(input, 6000, 4000);
    const std::string output = dir.file("old.pcx");
    for (int attempt = 0; attempt < 3; ++attempt) {
        spit(output, oldContent());
        const Outcome r = runAndInterrupt(dir, {"convert", "--force", input, output}, SIGINT);
        ASSERT_TRUE(r.sawTemporary);
        EXPECT_FALSE(hasTemporary(dir.path()));
        if (r.signal == SIGINT) {
            EXPECT_EQ(slurp(output), oldContent()) << "the old file must stay as it was";
            return;
        }
        EXPECT_NE(slurp(output), oldContent()) << "a finished convert replaced it";
    }
    ADD_FAILURE() << "no attempt was interrupted while writing";
}

} // namespace
