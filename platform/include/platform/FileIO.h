#pragma once
// File access shared by every reader and writer: whole-file reads with a size
// cap, and safe replacement of a file (write a temporary beside it, rename
// over it only when everything was written).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// Largest file any reader takes in, in bytes.
inline constexpr std::size_t kMaxInputFile = std::size_t{1} << 30;

bool fileExists(const std::string& path);
// Null when the file cannot be opened or read, or is larger than maxBytes.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path,
                                                       std::size_t maxBytes = kMaxInputFile);

// Writes a file through a temporary in the same folder. Nothing touches the
// target until commit(); a SafeFile destroyed without commit() removes its
// temporary, so a failed or stopped write leaves no partial file and an
// existing file of that name exactly as it was. Temporaries still open when
// the process is interrupted (SIGINT, SIGTERM) are removed as well.
class SafeFile {
public:
    explicit SafeFile(std::string target);
    ~SafeFile();
    SafeFile(const SafeFile&) = delete;
    SafeFile& operator=(const SafeFile&) = delete;

    // Creates the temporary; false when it cannot be created.
    bool open();
    std::FILE* stream() const { return file_; }
    bool write(const void* data, std::size_t n);
    // Flushes, closes and renames over the target; false (and nothing
    // changed) when any write failed or the rename fails.
    bool commit();
    // Drops the temporary; the target stays as it was.
    void discard();

    const std::string& target() const { return target_; }

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    // The stream's buffer: pictures are written row by row, and the C
    // library's default buffer would cost a system call every 4 KiB.
    std::unique_ptr<char[]> buffer_;
};

// Installs the SIGINT/SIGTERM handlers that remove open SafeFile temporaries
// and then end the process with the signal's usual status.
void installInterruptCleanup();

} // namespace platform
