#pragma once
// INI profile files with the Windows private-profile rules: section and key
// names compare without regard to case, a missing file, section or key gives
// the default, and writing a key creates the file if need be and keeps every
// other section, key and comment as it was.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An INI file held in memory. Lines that are neither "[section]" nor
// "key=value" (comments, blank lines, junk) are kept as they are.
class ProfileFile {
public:
    // Files larger than this are treated as unreadable (all defaults).
    static constexpr std::size_t kMaxFileSize = 4 * 1024 * 1024;

    ProfileFile() = default;
    static ProfileFile parse(std::string_view text);
    // A missing, unreadable or oversized file gives an empty profile.
    static ProfileFile load(const std::string& path);

    // The value with surrounding blanks removed and one pair of matching
    // surrounding quotes stripped; nullopt when the key is absent.
    std::optional<std::string> get(std::string_view section, std::string_view key) const;
    std::string getString(std::string_view section, std::string_view key, std::string_view def) const;
    // Optional blanks, an optional sign and decimal digits up to the first
    // other character; a value without digits, or a missing key, gives def.
    long getInt(std::string_view section, std::string_view key, long def) const;

    // Replaces the key's value in place, or appends the key to its section,
    // or appends the section to the end.
    void set(std::string_view section, std::string_view key, std::string_view value);
    void remove(std::string_view section, std::string_view key);
    std::vector<std::string> sections() const;
    std::vector<std::string> keys(std::string_view section) const;

    std::string text() const;
    // Writes next to the file and renames over it, so a failed write leaves
    // the old file as it was. Creates the folder if need be.
    bool save(const std::string& path) const;

private:
    struct Line {
        std::string raw;     // the line as read, or as made by set()
        std::string section; // for section headers: the name
        std::string key;     // for key lines: the key, trimmed
        bool isSection = false;
        bool isKey = false;
    };
    std::vector<Line> lines_;
};

// One call, one file access, as the Windows profile functions do it.
long GetPrivateProfileInt(std::string_view section, std::string_view key, long def,
                          const std::string& path);
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& path);
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& path);

} // namespace platform
