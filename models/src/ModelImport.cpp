#include "models/ModelImport.h"

#include "models/TriangleStream.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace models {

namespace {

ImportResult refuse(std::string why)
{
    ImportResult r;
    r.error = std::string(kModelRefusal) + why;
    return r;
}

std::string programDir()
{
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n <= 0)
        return {};
    std::string exe(buffer, static_cast<std::size_t>(n));
    return exe.substr(0, exe.find_last_of('/'));
}

bool executable(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

// The last line the importer wrote to its standard error, without its end.
std::string lastLine(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    const auto nl = text.find_last_of('\n');
    return nl == std::string::npos ? text : text.substr(nl + 1);
}

struct Pipe {
    int fd[2] = {-1, -1};
    bool open() { return ::pipe2(fd, O_CLOEXEC) == 0; }
    void closeEnd(int i)
    {
        if (fd[i] >= 0)
            ::close(fd[i]);
        fd[i] = -1;
    }
    ~Pipe()
    {
        closeEnd(0);
        closeEnd(1);
    }
};

} // namespace

std::string findImporter()
{
    if (const char* given = std::getenv("DOTSCAPE_IMPORTER"); given && *given)
        return given;
    const std::string dir = programDir();
    if (dir.empty())
        return {};
    for (const char* relative : {"/dotscape-import", "/../libexec/dotscape/dotscape-import"})
        if (executable(dir + relative))
            return dir + relative;
    return {};
}

ImportResult importModel(const std::string& file, const ImportLimits& limits, const std::string& importerPath)
{
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0)
        return refuse(std::string(std::strerror(errno)) + ".");
    if (!S_ISREG(st.st_mode))
        return refuse("it is not a regular file.");
    if (static_cast<std::uint64_t>(st.st_size) > kMaxModelFileBytes)
        return refuse("the file is larger than 1 GiB.");
    const std::string importer = importerPath.empty() ? findImporter() : importerPath;
    if (importer.empty())
        return refuse("the importer program dotscape-import was not found.");

    Pipe out, err;
    if (!out.open() || !err.open())
        return refuse("no pipe to the importer could be made.");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.fd[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err.fd[1], 2);
    const std::string as = std::to_string(limits.addressSpaceBytes);
    const std::string cpu = std::to_string(limits.cpuSeconds);
    std::vector<std::string> args = {importer, "--limit-as", as, "--limit-cpu", cpu, "--", file};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, importer.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return refuse("the importer " + importer + " could not be started: " + std::strerror(spawned) + ".");
    out.closeEnd(1);
    err.closeEnd(1);

    // Both pipes are read together, so that neither fills and stops the child.
    std::vector<std::uint8_t> stream;
    std::string messages;
    bool tooLong = false, timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(limits.timeoutSeconds);
    while (out.fd[0] >= 0 || err.fd[0] >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd fds[2] = {{out.fd[0], POLLIN, 0}, {err.fd[0], POLLIN, 0}};
        const int ready = ::poll(fds, 2, static_cast<int>(std::min<long long>(left.count(), INT_MAX)));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            break;
        std::uint8_t buffer[65536];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                (i == 0 ? out : err).closeEnd(0);
                continue;
            }
            if (i == 0) {
                stream.insert(stream.end(), buffer, buffer + n);
                if (stream.size() > kMaxStreamBytes) {
                    tooLong = true;
                    break;
                }
            } else if (messages.size() < 65536) {
                messages.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
            }
        }
        if (tooLong)
            break;
    }
    if (tooLong || timedOut)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    const std::string said = lastLine(messages);
    if (timedOut)
        return refuse("the importer took longer than " + std::to_string(static_cast<long long>(limits.timeoutSeconds)) +
                      " seconds.");
    if (tooLong)
        return refuse("it has more than the " + std::to_string(kMaxTriangles) + " triangles (64 MiB) allowed.");
    if (WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        // The soft processor-time limit sends SIGXCPU; the hard one, a second later, SIGKILL.
        if (sig == SIGXCPU || sig == SIGKILL)
            return refuse("the importer used more than its " + std::to_string(limits.cpuSeconds) +
                          " seconds of processor time" + (sig == SIGKILL ? " or was killed." : "."));
        return refuse("the importer crashed (" + std::string(strsignal(sig)) + ")" +
                      (said.empty() ? std::string(".") : ": " + said));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return refuse(said.empty() ? "the importer failed with exit status " + std::to_string(WEXITSTATUS(status)) + "."
                                   : said);
    StreamResult read = readTriangleStream(stream);
    ImportResult r;
    r.ok = read.ok;
    r.mesh = std::move(read.mesh);
    r.error = std::move(read.error);
    return r;
}

} // namespace models
