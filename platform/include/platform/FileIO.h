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

// Why a whole-file read gave nothing.
enum class FileProblem {
    None,
    CannotOpen, // missing, no permission, or a folder
    NotRegular, // a device, pipe or socket where a regular file is needed
    TooLarge,   // more than the reader's limit
    ReadError,
};
// A short sentence for a problem ("The file is larger than 64 MiB." and the like).
std::string describe(FileProblem problem, std::size_t maxBytes);

// Null when the file cannot be opened or read, or is larger than maxBytes;
// problem (when given) says which. A pipe is read as far as a writer has
// written into it; a pipe without a writer reads as empty instead of
// waiting for one.
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& path,
                                                       std::size_t maxBytes = kMaxInputFile,
                                                       FileProblem* problem = nullptr);
// The same for a regular file only: anything else is not opened at all
// (FileProblem::NotRegular), so a pipe or a device never blocks the reader.
std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path, std::size_t maxBytes,
                                                         FileProblem* problem = nullptr);

// The bytes of a whole file for a reader that passes over them once. A
// regular file is mapped from the page cache (no copy); anything else is
// read into memory as readWholeFile reads it.
//
// A mapped file that another program shortens while it is read would end
// the process with SIGBUS at the first page it lost. Instead, the pages
// from there to the end read as zeros, and the file counts as changed (see
// ReadWatch); so does a file whose size or modification time differs once
// the reader is done, or that gave fewer or more bytes than its size said.
class FileBytes {
public:
    FileBytes() = default;
    explicit FileBytes(std::vector<std::uint8_t> data);
    FileBytes(FileBytes&& other) noexcept;
    FileBytes& operator=(FileBytes&& other) noexcept;
    ~FileBytes();
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    static std::optional<FileBytes> open(const std::string& path, std::size_t maxBytes = kMaxInputFile,
                                         FileProblem* problem = nullptr);

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    // A mapped file (large and regular) rather than bytes read into memory.
    bool mapped() const { return mapping_ != nullptr; }
    // The mapping made writable, privately (the file is never written);
    // null when the bytes are not mapped. Bytes released since read back
    // from the file.
    std::uint8_t* writableMapping();

    // The reader is done with the bytes before offset: a mapped file gives
    // back the memory they took, so reading a large file never holds all of
    // it at once. Reading them again still works.
    void release(std::size_t offset);

    // True when the file changed while it was read (so far).
    bool changed() const;

private:
    void reset();

    std::vector<std::uint8_t> owned_;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    void* mapping_ = nullptr;
    std::size_t released_ = 0;
    int fd_ = -1;       // a mapped file stays open, to be checked at the end
    int guard_ = -1;    // its slot among the guarded mappings
    std::int64_t modified_ = 0; // its modification time when opened, in nanoseconds
    bool changed_ = false;
};

// What a reader says of a file that changed while it was read.
inline constexpr const char* kFileChangedMessage = "The file changed while it was being read; nothing was taken from it.";

// Counts the files the calling thread's FileBytes found changed while they
// were read: a reader that read a file wholly within the watch's lifetime
// tells whether what it made can be trusted.
class ReadWatch {
public:
    ReadWatch();
    // True when a file read on this thread since the watch began changed
    // while it was read.
    bool changed() const;

private:
    std::uint64_t start_;
};

// Called by FileBytes::open with the path once the file's size is known and
// before any of it is read; tests use it to change the file at that moment.
// Null (the default) calls nothing.
void setReadHookForTesting(void (*hook)(const std::string& path));

// Writes a file through a temporary in the same folder. A target that is a
// symbolic link is followed: the file it points to is replaced and the link
// stays. A target that exists but is not a regular file (a folder, device,
// pipe or socket) is never replaced: open() fails. Nothing touches the
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
    // The file commit() replaces: the target with its symbolic links followed.
    const std::string& destination() const { return destination_; }

private:
    std::string target_;
    std::string destination_;
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
