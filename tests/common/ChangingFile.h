#pragma once
// Changes a file at the moment a reader has opened it and taken its size,
// before it reads a byte (through platform::setReadHookForTesting), as
// another program rewriting the file would. One change at a time; the
// hook is removed when the object goes.

#include "platform/FileIO.h"

#include <cstdint>
#include <string>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

enum class FileChange {
    None,         // left alone: the read must be accepted
    HalfLength,   // cut to half its length
    Empty,        // cut to nothing
    SameLengthNewTime, // rewritten in place, the same length, a later time
};

inline const char* describe(FileChange change)
{
    switch (change) {
    case FileChange::None:
        return "unchanged";
    case FileChange::HalfLength:
        return "cut to half its length";
    case FileChange::Empty:
        return "cut to nothing";
    case FileChange::SameLengthNewTime:
        return "rewritten at the same length";
    }
    return "?";
}

class ChangingFile {
public:
    ChangingFile(std::string path, FileChange change)
    {
        path_ = std::move(path);
        change_ = change;
        platform::setReadHookForTesting(&ChangingFile::onOpen);
    }
    ~ChangingFile() { platform::setReadHookForTesting(nullptr); }
    ChangingFile(const ChangingFile&) = delete;
    ChangingFile& operator=(const ChangingFile&) = delete;

    // Bytes the file keeps after the change.
    static std::uint64_t keptBytes(std::uint64_t size, FileChange change)
    {
        return change == FileChange::HalfLength ? size / 2 : change == FileChange::Empty ? 0 : size;
    }

private:
    static void onOpen(const std::string& path)
    {
        if (path != path_ || change_ == FileChange::None)
            return;
        struct stat st{};
        if (::stat(path.c_str(), &st) != 0)
            return;
        if (change_ == FileChange::SameLengthNewTime) {
            // A second later than the file's own time, so that even a
            // coarse clock sees the change.
            struct timeval times[2] = {{st.st_atim.tv_sec, 0}, {st.st_mtim.tv_sec + 1, 0}};
            ::utimes(path.c_str(), times);
        } else {
            (void)::truncate(path.c_str(), static_cast<off_t>(keptBytes(static_cast<std::uint64_t>(st.st_size), change_)));
        }
        change_ = FileChange::None; // once
    }

    static inline std::string path_;
    static inline FileChange change_ = FileChange::None;
};
