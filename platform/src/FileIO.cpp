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
#include <sys/mman.h>
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

// Mapped input files, kept in a fixed table that the SIGBUS handler can
// walk. A slot is taken by claiming `used`; its range is valid while begin
// is not 0 (end is stored first and cleared last).
constexpr int kMaxGuarded = 64;
struct GuardedMapping {
    std::atomic<bool> used{false};
    std::atomic<std::uintptr_t> begin{0};
    std::atomic<std::uintptr_t> end{0};
    std::atomic<bool> faulted{false};
};
GuardedMapping g_guarded[kMaxGuarded];
std::uintptr_t g_pageSize = 4096;
struct sigaction g_previousBusAction;
std::once_flag g_busHandlerInstalled;

thread_local std::uint64_t t_changedReads = 0;
std::atomic<void (*)(const std::string&)> g_readHook{nullptr};

// A read from a page that a shortened file no longer has: that page and
// every later one of the mapping become zeros (a fresh anonymous mapping
// over them), the mapping is marked, and the read is made again. Faults
// elsewhere go to whatever handled them before.
extern "C" void onBusError(int sig, siginfo_t* info, void* context)
{
    const auto address = reinterpret_cast<std::uintptr_t>(info->si_addr);
    for (GuardedMapping& g : g_guarded) {
        const std::uintptr_t begin = g.begin.load(std::memory_order_acquire);
        if (begin == 0 || address < begin)
            continue;
        const std::uintptr_t end = g.end.load(std::memory_order_acquire);
        if (address >= end)
            continue;
        const std::uintptr_t page = address & ~(g_pageSize - 1);
        if (::mmap(reinterpret_cast<void*>(page), end - page, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            g.faulted.store(true);
            return;
        }
        break;
    }
    const struct sigaction& previous = g_previousBusAction;
    if ((previous.sa_flags & SA_SIGINFO) && previous.sa_sigaction) {
        previous.sa_sigaction(sig, info, context);
        return;
    }
    if (!(previous.sa_flags & SA_SIGINFO) && previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(sig);
        return;
    }
    // The default action: the read is made again and ends the process.
    struct sigaction fallback{};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    ::sigaction(SIGBUS, &fallback, nullptr);
}

// Guards [p, p + n) against a file that shrinks under it; the slot, or -1
// when every slot is taken.
int guardMapping(void* p, std::size_t n)
{
    std::call_once(g_busHandlerInstalled, [] {
        g_pageSize = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action{};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &g_previousBusAction);
    });
    const auto begin = reinterpret_cast<std::uintptr_t>(p);
    const std::uintptr_t end = begin + (n + g_pageSize - 1) / g_pageSize * g_pageSize;
    for (int i = 0; i < kMaxGuarded; ++i) {
        bool expected = false;
        if (!g_guarded[i].used.compare_exchange_strong(expected, true))
            continue;
        g_guarded[i].faulted.store(false);
        g_guarded[i].end.store(end, std::memory_order_release);
        g_guarded[i].begin.store(begin, std::memory_order_release);
        return i;
    }
    return -1;
}

// Ends the guard of a slot; true when its mapping lost pages.
bool unguardMapping(int slot)
{
    GuardedMapping& g = g_guarded[slot];
    g.begin.store(0, std::memory_order_release);
    g.end.store(0, std::memory_order_release);
    const bool faulted = g.faulted.exchange(false);
    g.used.store(false);
    return faulted;
}

std::int64_t modificationTime(const struct stat& st)
{
    return std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec;
}

// Whether the open file fd still has the size and modification time it had.
bool unchanged(int fd, std::size_t size, std::int64_t modified)
{
    struct stat st{};
    return ::fstat(fd, &st) == 0 && static_cast<std::uint64_t>(st.st_size) == size && modificationTime(st) == modified;
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

std::string describe(FileProblem problem, std::size_t maxBytes)
{
    switch (problem) {
    case FileProblem::None:
        return {};
    case FileProblem::CannotOpen:
        return "The file cannot be opened.";
    case FileProblem::NotRegular:
        return "It is not a regular file.";
    case FileProblem::TooLarge:
        if (maxBytes >= (std::size_t{1} << 20) && maxBytes % (std::size_t{1} << 20) == 0)
            return "The file is larger than " + std::to_string(maxBytes >> 20) + " MiB.";
        return "The file is larger than " + std::to_string(maxBytes) + " bytes.";
    case FileProblem::ReadError:
        return "The file cannot be read.";
    }
    return {};
}

namespace {

void setProblem(FileProblem* out, FileProblem p)
{
    if (out)
        *out = p;
}

// Opens path for reading without ever waiting: a pipe opens at once even
// without a writer. Returns the descriptor (with the wait restored for
// reads) and its status, or -1.
int openForReading(const std::string& path, struct stat& st, bool regularOnly, FileProblem* problem)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        setProblem(problem, FileProblem::CannotOpen);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        ::close(fd);
        setProblem(problem, FileProblem::CannotOpen);
        return -1;
    }
    if (regularOnly && !S_ISREG(st.st_mode)) {
        ::close(fd);
        setProblem(problem, FileProblem::NotRegular);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::optional<std::vector<std::uint8_t>> readDescriptor(int fd, const struct stat& st, std::size_t maxBytes,
                                                        FileProblem* problem)
{
    std::vector<std::uint8_t> data;
    if (S_ISREG(st.st_mode)) {
        if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
            setProblem(problem, FileProblem::TooLarge);
            return std::nullopt;
        }
        data.reserve(static_cast<std::size_t>(st.st_size));
    }
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            setProblem(problem, FileProblem::ReadError);
            return std::nullopt;
        }
        if (n == 0)
            break;
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            setProblem(problem, FileProblem::TooLarge);
            return std::nullopt;
        }
        data.insert(data.end(), chunk, chunk + n);
    }
    setProblem(problem, FileProblem::None);
    return data;
}

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::size_t maxBytes, bool regularOnly,
                                                  FileProblem* problem)
{
    struct stat st{};
    const int fd = openForReading(path, st, regularOnly, problem);
    if (fd < 0)
        return std::nullopt;
    auto data = readDescriptor(fd, st, maxBytes, problem);
    ::close(fd);
    return data;
}

} // namespace

std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path, std::size_t maxBytes,
                                                       FileProblem* problem)
{
    return readFile(path, maxBytes, false, problem);
}

std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path, std::size_t maxBytes,
                                                         FileProblem* problem)
{
    return readFile(path, maxBytes, true, problem);
}

FileBytes::FileBytes(std::vector<std::uint8_t> data) : owned_(std::move(data))
{
    data_ = owned_.data();
    size_ = owned_.size();
}

FileBytes::FileBytes(FileBytes&& other) noexcept
{
    *this = std::move(other);
}

FileBytes& FileBytes::operator=(FileBytes&& other) noexcept
{
    if (this == &other)
        return *this;
    reset();
    owned_ = std::move(other.owned_);
    mapping_ = other.mapping_;
    size_ = other.size_;
    released_ = other.released_;
    fd_ = other.fd_;
    guard_ = other.guard_;
    modified_ = other.modified_;
    changed_ = other.changed_;
    data_ = mapping_ ? other.data_ : owned_.data();
    other.mapping_ = nullptr;
    other.data_ = nullptr;
    other.size_ = 0;
    other.released_ = 0;
    other.fd_ = -1;
    other.guard_ = -1;
    other.changed_ = false;
    other.owned_.clear();
    return *this;
}

FileBytes::~FileBytes()
{
    reset();
}

void FileBytes::reset()
{
    if (mapping_) {
        // The reader is done: a file that lost pages, or whose size or time
        // differs now, changed while it was read.
        if (!unchanged(fd_, size_, modified_))
            changed_ = true;
        if (guard_ >= 0 && unguardMapping(guard_))
            changed_ = true;
        if (changed_)
            ++t_changedReads;
        ::munmap(mapping_, size_);
        ::close(fd_);
    }
    mapping_ = nullptr;
    data_ = nullptr;
    size_ = 0;
    released_ = 0;
    fd_ = -1;
    guard_ = -1;
    changed_ = false;
    owned_.clear();
}

bool FileBytes::changed() const
{
    if (changed_)
        return true;
    if (guard_ >= 0 && g_guarded[guard_].faulted.load())
        return true;
    return mapping_ && !unchanged(fd_, size_, modified_);
}

std::optional<FileBytes> FileBytes::open(const std::string& path, std::size_t maxBytes, FileProblem* problem)
{
    struct stat st{};
    const int fd = openForReading(path, st, false, problem);
    if (fd < 0)
        return std::nullopt;
    if (auto hook = g_readHook.load())
        hook(path);
    // Small files are simply read; large regular ones are mapped.
    constexpr std::uint64_t kMapFrom = 256 * 1024;
    if (S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) >= kMapFrom) {
        if (static_cast<std::uint64_t>(st.st_size) > maxBytes) {
            ::close(fd);
            setProblem(problem, FileProblem::TooLarge);
            return std::nullopt;
        }
        const std::size_t n = static_cast<std::size_t>(st.st_size);
        // Files up to kPopulateUpTo are mapped whole at once: their pages are
        // all read anyway, and one call costs less than a fault for each.
        constexpr std::size_t kPopulateUpTo = std::size_t{8} << 20;
        void* p = ::mmap(nullptr, n, PROT_READ, MAP_PRIVATE | (n <= kPopulateUpTo ? MAP_POPULATE : 0), fd, 0);
        const int guard = p != MAP_FAILED ? guardMapping(p, n) : -1;
        if (guard >= 0) {
            ::madvise(p, n, MADV_SEQUENTIAL);
            FileBytes bytes;
            bytes.mapping_ = p;
            bytes.data_ = static_cast<const std::uint8_t*>(p);
            bytes.size_ = n;
            bytes.fd_ = fd;
            bytes.guard_ = guard;
            bytes.modified_ = modificationTime(st);
            setProblem(problem, FileProblem::None);
            return bytes;
        }
        // Without a guard the mapping is not safe: the file is read instead.
        if (p != MAP_FAILED)
            ::munmap(p, n);
    }
    auto data = readDescriptor(fd, st, maxBytes, problem);
    // A regular file that gave other than its size, or whose time moved on
    // while it was read, changed under the reader.
    const bool changed = data && S_ISREG(st.st_mode) &&
                         (data->size() != static_cast<std::size_t>(st.st_size) ||
                          !unchanged(fd, data->size(), modificationTime(st)));
    ::close(fd);
    if (!data)
        return std::nullopt;
    FileBytes bytes(std::move(*data));
    if (changed) {
        bytes.changed_ = true;
        ++t_changedReads;
    }
    return bytes;
}

ReadWatch::ReadWatch() : start_(t_changedReads) {}

bool ReadWatch::changed() const
{
    return t_changedReads != start_;
}

void setReadHookForTesting(void (*hook)(const std::string& path))
{
    g_readHook.store(hook);
}

std::uint8_t* FileBytes::writableMapping()
{
    // Private: written pages become the process's own copies, and the file
    // never sees them.
    if (!mapping_ || ::mprotect(mapping_, size_, PROT_READ | PROT_WRITE) != 0)
        return nullptr;
    return static_cast<std::uint8_t*>(mapping_);
}

void FileBytes::release(std::size_t offset)
{
    if (!mapping_)
        return;
    static const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    // Only whole megabytes at a time: each release is a system call.
    constexpr std::size_t kStep = std::size_t{1} << 20;
    const std::size_t end = std::min(offset, size_) / page * page;
    if (end < released_ + kStep)
        return;
    ::madvise(static_cast<std::uint8_t*>(mapping_) + released_, end - released_, MADV_DONTNEED);
    released_ = end;
}

namespace {

// path with its symbolic links followed to the file they name, which need
// not exist yet (a link may point to a file still to be made). Links inside
// the folders on the way are left to the system. A loop gives the path as
// it stands, which then fails to be replaced like any other unusable name.
std::string followLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st{};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= buffer.size())
            return current;
        std::string target(buffer.data(), static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const auto slash = current.find_last_of('/');
            if (slash != std::string::npos)
                target = current.substr(0, slash + 1) + target;
        }
        current = target;
    }
    return path;
}

} // namespace

SafeFile::SafeFile(std::string target) : target_(std::move(target)), destination_(followLinks(target_)) {}

SafeFile::~SafeFile()
{
    discard();
}

bool SafeFile::open()
{
    discard();
    struct stat existing{};
    if (::stat(destination_.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
        errno = S_ISDIR(existing.st_mode) ? EISDIR : EEXIST;
        return false;
    }
    std::string pattern = folderOf(destination_) + "/.dotscape-XXXXXX";
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
    ::fchmod(fd, ::stat(destination_.c_str(), &st) == 0 ? (st.st_mode & 07777) : (0666 & ~mask));
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
        ok = std::rename(temp_.c_str(), destination_.c_str()) == 0;
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
