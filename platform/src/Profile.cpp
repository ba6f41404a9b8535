#include "platform/Profile.h"

#include "platform/FileIO.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <sys/stat.h>

namespace platform {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front())))
        s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back())))
        s.remove_suffix(1);
    return s;
}

bool sameName(std::string_view a, std::string_view b)
{
    return std::ranges::equal(trim(a), trim(b), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool makeFolders(const std::string& path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos || slash == 0)
        return true;
    std::string dir = path.substr(0, slash);
    struct stat st{};
    if (::stat(dir.c_str(), &st) == 0)
        return S_ISDIR(st.st_mode);
    if (!makeFolders(dir))
        return false;
    return ::mkdir(dir.c_str(), 0777) == 0 || errno == EEXIST;
}

} // namespace

ProfileFile ProfileFile::parse(std::string_view text)
{
    ProfileFile profile;
    std::string current;
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        Line line;
        line.raw = std::string(raw);
        std::string_view t = trim(raw);
        if (!t.empty() && t.front() == '[') {
            auto close = t.find(']');
            line.isSection = true;
            line.section = std::string(trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1)));
            current = line.section;
        } else if (!t.empty() && t.front() != ';') {
            auto eq = t.find('=');
            if (eq != std::string_view::npos) {
                line.isKey = true;
                line.key = std::string(trim(t.substr(0, eq)));
                line.section = current;
            }
        }
        profile.lines_.push_back(std::move(line));
    }
    return profile;
}

ProfileFile ProfileFile::load(const std::string& path)
{
    // Only a regular file: a pipe or a device of that name would block the
    // reader or never end, and reads as if there were no file.
    auto data = readRegularFile(path, kMaxFileSize);
    if (!data)
        return {};
    return parse(std::string_view(reinterpret_cast<const char*>(data->data()), data->size()));
}

std::optional<std::string> ProfileFile::get(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (const auto& line : lines_) {
        if (line.isSection) {
            inSection = sameName(line.section, section);
        } else if (inSection && line.isKey && sameName(line.key, key)) {
            std::string_view v = trim(std::string_view(line.raw).substr(line.raw.find('=') + 1));
            if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                v = v.substr(1, v.size() - 2);
            return std::string(v);
        }
    }
    return std::nullopt;
}

std::string ProfileFile::getString(std::string_view section, std::string_view key, std::string_view def) const
{
    auto v = get(section, key);
    return v ? *v : std::string(def);
}

long ProfileFile::getInt(std::string_view section, std::string_view key, long def) const
{
    auto v = get(section, key);
    if (!v)
        return def;
    std::string_view s = trim(*v);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s.front())))
        return def;
    long long value = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            break;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1; // saturate
    }
    if (negative)
        value = -value;
    return static_cast<long>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

void ProfileFile::set(std::string_view section, std::string_view key, std::string_view value)
{
    Line fresh;
    fresh.raw = std::string(trim(key)) + "=" + std::string(value);
    fresh.key = std::string(trim(key));
    fresh.isKey = true;

    bool inSection = false;
    std::ptrdiff_t lastOfSection = -1;
    std::string sectionName;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        auto& line = lines_[i];
        if (line.isSection) {
            if (inSection)
                break; // keys go into the first section of that name
            inSection = sameName(line.section, section);
            if (inSection) {
                lastOfSection = static_cast<std::ptrdiff_t>(i);
                sectionName = line.section;
            }
        } else if (inSection) {
            if (line.isKey && sameName(line.key, key)) {
                fresh.section = sectionName;
                line = std::move(fresh);
                return;
            }
            if (!trim(line.raw).empty())
                lastOfSection = static_cast<std::ptrdiff_t>(i);
        }
    }
    if (lastOfSection >= 0) {
        fresh.section = sectionName;
        lines_.insert(lines_.begin() + lastOfSection + 1, std::move(fresh));
        return;
    }
    if (!lines_.empty() && !trim(lines_.back().raw).empty())
        lines_.push_back(Line{});
    Line header;
    header.isSection = true;
    header.section = std::string(trim(section));
    header.raw = "[" + header.section + "]";
    fresh.section = header.section;
    lines_.push_back(std::move(header));
    lines_.push_back(std::move(fresh));
}

void ProfileFile::remove(std::string_view section, std::string_view key)
{
    bool inSection = false;
    std::erase_if(lines_, [&](const Line& line) {
        if (line.isSection)
            inSection = sameName(line.section, section);
        return !line.isSection && inSection && line.isKey && sameName(line.key, key);
    });
}

std::vector<std::string> ProfileFile::sections() const
{
    std::vector<std::string> out;
    for (const auto& line : lines_) {
        if (line.isSection && std::ranges::none_of(out, [&](const auto& s) { return sameName(s, line.section); }))
            out.push_back(line.section);
    }
    return out;
}

std::vector<std::string> ProfileFile::keys(std::string_view section) const
{
    std::vector<std::string> out;
    bool inSection = false;
    for (const auto& line : lines_) {
        if (line.isSection)
            inSection = sameName(line.section, section);
        else if (inSection && line.isKey)
            out.push_back(line.key);
    }
    return out;
}

std::string ProfileFile::text() const
{
    std::string out;
    for (const auto& line : lines_) {
        out += line.raw;
        out += '\n';
    }
    return out;
}

bool ProfileFile::save(const std::string& path) const
{
    if (!makeFolders(path))
        return false;
    SafeFile file(path);
    std::string t = text();
    return file.open() && file.write(t.data(), t.size()) && file.commit();
}

long GetPrivateProfileInt(std::string_view section, std::string_view key, long def, const std::string& path)
{
    return ProfileFile::load(path).getInt(section, key, def);
}

std::string GetPrivateProfileString(std::string_view section, std::string_view key, std::string_view def,
                                    const std::string& path)
{
    return ProfileFile::load(path).getString(section, key, def);
}

bool WritePrivateProfileString(std::string_view section, std::string_view key, std::string_view value,
                               const std::string& path)
{
    ProfileFile profile = ProfileFile::load(path);
    profile.set(section, key, value);
    return profile.save(path);
}

} // namespace platform
