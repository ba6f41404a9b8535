#pragma once
// Scratch folders for the failure-path tests: a fresh folder per test, a
// small memory file system mounted over it (to fill it up or make it
// read-only) when the tests run as root, and byte-exact file comparisons.

#include "platform/Window.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

inline Bytes slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline void spit(const fs::path& p, const Bytes& bytes)
{
    std::ofstream out(p, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The names in a folder, hidden ones (the writers' temporaries) included.
inline std::set<std::string> namesIn(const fs::path& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// Bytes that no writer produces, so a file holding them was not replaced.
inline Bytes oldContent(std::size_t n = 3000)
{
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i)
        b[i] = static_cast<std::uint8_t>((i * 131 + 7) ^ (i >> 3));
    return b;
}

class ScratchDir {
public:
    ScratchDir()
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "-" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        path_ = fs::temp_directory_path() / ("dotscape-hardening-" + std::to_string(::getpid()) + "-" + name);
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~ScratchDir()
    {
        if (mounted_)
            ::umount2(path_.c_str(), MNT_DETACH);
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const fs::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

    // Mounts a memory file system of the given size over the folder, in a
    // mount namespace of this process's own so nothing outside sees it.
    // False (with reason set) when the process may not do that.
    bool mountSmall(std::size_t bytes, std::string& reason)
    {
        if (!privateMounts(reason))
            return false;
        const std::string options = "size=" + std::to_string(bytes);
        if (::mount("tmpfs", path_.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            reason = "cannot mount a memory file system: " + std::string(std::strerror(errno));
            return false;
        }
        mounted_ = true;
        return true;
    }
    bool remountReadOnly()
    {
        return mounted_ && ::mount("tmpfs", path_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    static bool privateMounts(std::string& reason)
    {
        static int state = 0; // 0 not tried, 1 done, -1 refused
        static std::string why;
        if (state == 0) {
            if (::geteuid() != 0) {
                why = "needs root to mount a small file system";
                state = -1;
            } else if (::unshare(CLONE_NEWNS) != 0 ||
                       ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                why = "no mount namespace of its own: " + std::string(std::strerror(errno));
                state = -1;
            } else {
                state = 1;
            }
        }
        reason = why;
        return state == 1;
    }

    fs::path path_;
    bool mounted_ = false;
};

// An owner window that answers every question with a preset reply and
// counts the boxes it was shown.
class AnsweringWindow : public platform::Window {
public:
    explicit AnsweringWindow(int reply) : reply_(reply) {}
    int messageBox(std::string_view text, std::string_view caption, unsigned style) override
    {
        boxes.push_back(std::string(caption) + ": " + std::string(text));
        return (style & platform::MB_TYPEMASK) == platform::MB_YESNO ? reply_ : platform::IDOK;
    }
    std::intptr_t sendMessage(unsigned, std::uintptr_t, std::intptr_t) override { return 0; }

    std::vector<std::string> boxes;

private:
    int reply_;
};
