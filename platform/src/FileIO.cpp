#include "platform/FileIO.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Open temporaries, kept in a fixed table that a signal handler can walk.
constexpr int kMaxTemps = 64;
char g_temps[kMaxTemps][4096];
std::atomic<bool> g_tempUsed[kMaxTemps];
std::mutex g_tempMutex;

int registerTemp(const std::string& path)
{
    if (path.size() >= sizeof g_temps[0])
        return -1;
    std::lock_guard lock(g_tempMutex);
    for (int i = 0; i < kMaxTemps; ++i) {
        if (!g_tempUsed[i].load()) {
            std::memcpy(g_temps[i], path.c_str(), path.size() + 1);
            g_tempUsed[i].store(true);
            return i;
        }
    }
    return -1;
}

void unregisterTemp(const std::string& path)
{
    std::lock_guard lock(g_tempMutex);
    for (int i = 0; i < kMaxTemps; ++i) {
        if (g_tempUsed[i].load() && path == g_temps[i])
            g_tempUsed[i].store(false);
    }
}

extern "C" void removeTempsAndExit(int sig)
{
    for (int i = 0; i < kMaxTemps; ++i) {
        if (g_tempUsed[i].load())
            ::unlink(g_temps[i]);
    }
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

std::string folderOf(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool fileExists(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0;
}

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::size_t maxBytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return std::nullopt;
    std::vector<std::uint8_t> data;
    struct stat st{};
    if (::fstat(::fileno(f), &st) == 0 && S_ISREG(st.st_mode)) {
        if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
            std::fclose(f);
            return std::nullopt;
        }
        data.reserve(static_cast<std::size_t>(st.st_size));
    }
    std::uint8_t chunk[65536];
    std::size_t n;
    bool ok = true;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (data.size() + n > maxBytes) {
            ok = false;
            break;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
    if (std::ferror(f))
        ok = false;
    std::fclose(f);
    if (!ok)
        return std::nullopt;
    return data;
}

SafeFile::SafeFile(std::string target) : target_(std::move(target)) {}

SafeFile::~SafeFile()
{
    discard();
}

bool SafeFile::open()
{
    discard();
    std::string pattern = folderOf(target_) + "/.dotscape-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    // An interrupt between creating the temporary and listing it for the
    // clean-up would leave it behind, so the signals wait until it is listed.
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&interrupts, sig);
    ::pthread_sigmask(SIG_BLOCK, &interrupts, &previous);
    int fd = ::mkstemp(name.data());
    if (fd >= 0) {
        temp_ = name.data();
        registerTemp(temp_);
    }
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (fd < 0)
        return false;
    // A new file gets the usual permissions rather than mkstemp's 0600.
    mode_t mask = ::umask(0);
    ::umask(mask);
    struct stat st{};
    ::fchmod(fd, ::stat(target_.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~mask));
    file_ = ::fdopen(fd, "wb+");
    if (!file_) {
        ::close(fd);
        discard();
        return false;
    }
    constexpr std::size_t kBufferSize = 1 << 16;
    if (!buffer_)
        buffer_ = std::make_unique_for_overwrite<char[]>(kBufferSize);
    std::setvbuf(file_, buffer_.get(), _IOFBF, kBufferSize);
    return true;
}

bool SafeFile::write(const void* data, std::size_t n)
{
    return file_ && std::fwrite(data, 1, n, file_) == n;
}

bool SafeFile::commit()
{
    if (!file_)
        return false;
    // No fsync: the rename is atomic, so a failed or interrupted write never
    // shows a partial file, and waiting for the disk would double the time of
    // a quick save.
    bool ok = std::fflush(file_) == 0 && !std::ferror(file_);
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok)
        ok = std::rename(temp_.c_str(), target_.c_str()) == 0;
    if (!ok) {
        discard();
        return false;
    }
    unregisterTemp(temp_);
    temp_.clear();
    return true;
}

void SafeFile::discard()
{
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        unregisterTemp(temp_);
        temp_.clear();
    }
}

void installInterruptCleanup()
{
    struct sigaction sa{};
    sa.sa_handler = removeTempsAndExit;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGINT, &sa, nullptr);
    ::sigaction(SIGTERM, &sa, nullptr);
    ::sigaction(SIGHUP, &sa, nullptr);
}

} // namespace platform
