#include "app/FileKinds.h"

#include "pictrans/GraphicFormats.h"
#include "pictrans/TGraphIO.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace app {

namespace {

using pictrans::kReads;
using pictrans::kWrites;

// Depth map files start with the letters "DEPTHMAP" and a zero.
bool isDepthMap(std::span<const std::uint8_t> head)
{
    static constexpr char kMagic[9] = "DEPTHMAP";
    return head.size() >= sizeof kMagic && std::memcmp(head.data(), kMagic, sizeof kMagic) == 0;
}

constexpr const char* kDepthMapExt[] = {"rds"};
constexpr const char* kDepthMapMime[] = {"application/x-dotscape-depthmap"};
// The formats the model importer reads (models/ModelFormats.h); a model is
// known by its name as much as by its content, which the importer judges.
constexpr const char* kModelExt[] = {"stl", "obj", "ply", "gltf", "glb", "3mf", "off"};
constexpr const char* kModelMime[] = {"model/stl", "model/obj", "model/gltf+json", "model/gltf-binary", "model/3mf"};

// The program's own kinds of file, after the pictures.
constexpr FileKind kOwnKinds[] = {
    {kFormatDepthMap, "Depth Map", "Depth Map File", kDepthMapExt, kDepthMapMime, isDepthMap, kReads | kWrites, false},
    {kFormatModel, "3-D Model", "3-D Models", kModelExt, kModelMime, nullptr, kReads, false},
};

// Save names holding several extensions ("x.gif.pcx") have always been
// taken by the first of these they contain.
constexpr int kSaveNameOrder[] = {GFORMAT_GIF, GFORMAT_PCX, GFORMAT_JPEG, GFORMAT_PNG, kFormatDepthMap};

std::vector<FileKind> makeKinds()
{
    std::vector<FileKind> kinds;
    for (const pictrans::GraphicFormat& f : pictrans::graphicFormats())
        kinds.push_back({f.code, f.name, f.filterName, f.extensions, f.mimeTypes, f.detect, f.caps, true});
    kinds.insert(kinds.end(), std::begin(kOwnKinds), std::end(kOwnKinds));
    return kinds;
}

std::string lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool hasExtension(const FileKind& kind, std::string_view ext)
{
    return std::ranges::any_of(kind.extensions, [&](const char* e) { return ext == e; });
}

bool containsExtension(const FileKind& kind, std::string_view file)
{
    return std::ranges::any_of(kind.extensions,
                               [&](const char* e) { return file.find('.' + std::string(e)) != std::string_view::npos; });
}

} // namespace

std::span<const FileKind> fileKinds()
{
    static const std::vector<FileKind> kinds = makeKinds();
    return kinds;
}

const FileKind* kindByCode(int code)
{
    for (const FileKind& kind : fileKinds())
        if (kind.code == code)
            return &kind;
    return nullptr;
}

const FileKind* kindByExtension(std::string_view ext)
{
    if (ext.starts_with('.'))
        ext.remove_prefix(1);
    const std::string wanted = lower(ext);
    for (const FileKind& kind : fileKinds())
        if (hasExtension(kind, wanted))
            return &kind;
    return nullptr;
}

const FileKind* pictureKindByFormatName(std::string_view name)
{
    const std::string wanted = lower(name);
    for (const FileKind& kind : fileKinds())
        if (kind.picture && kind.can(kWrites) && (lower(kind.name) == wanted || hasExtension(kind, wanted)))
            return &kind;
    return nullptr;
}

std::string formatNameList()
{
    std::vector<std::string> names;
    for (const FileKind& kind : fileKinds())
        if (kind.picture && kind.can(kWrites) && !kind.extensions.empty())
            names.emplace_back(kind.extensions[0]);
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return text;
}

int formatForSaveName(std::string_view name)
{
    const auto slash = name.find_last_of('/');
    if (slash != std::string_view::npos)
        name.remove_prefix(slash + 1);
    const std::string file = lower(name);
    for (int code : kSaveNameOrder)
        if (const FileKind* kind = kindByCode(code); kind && kind->can(kWrites) && containsExtension(*kind, file))
            return code;
    const auto later = [](const FileKind& kind) {
        return kind.can(kWrites) && std::ranges::find(kSaveNameOrder, kind.code) == std::end(kSaveNameOrder);
    };
    const auto dot = file.find_last_of('.');
    if (dot != std::string::npos)
        for (const FileKind& kind : fileKinds())
            if (later(kind) && hasExtension(kind, std::string_view(file).substr(dot + 1)))
                return kind.code;
    for (const FileKind& kind : fileKinds())
        if (later(kind) && containsExtension(kind, file))
            return kind.code;
    return GFORMAT_BMP;
}

const FileKind* detectFileKind(const std::string& path)
{
    // Opened without waiting: a pipe without a writer reads as empty.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return nullptr;
    std::uint8_t head[pictrans::kDetectBytes];
    std::size_t n = 0;
    while (n < sizeof head) {
        const ssize_t got = ::read(fd, head + n, sizeof head - n);
        if (got <= 0)
            break;
        n += static_cast<std::size_t>(got);
    }
    ::close(fd);
    if (n == 0)
        return nullptr;
    for (const FileKind& kind : fileKinds())
        if (kind.can(kReads) && kind.detect && kind.detect({head, n}))
            return &kind;
    return nullptr;
}

std::vector<std::string> mimeTypeList()
{
    std::vector<std::string> types;
    for (const FileKind& kind : fileKinds())
        if (kind.can(kReads))
            for (const char* type : kind.mimeTypes)
                if (std::ranges::find(types, type) == types.end())
                    types.emplace_back(type);
    return types;
}

std::string pictureFilterString()
{
    return pictrans::readableFilterString();
}

std::string kindFilterString(int code)
{
    const FileKind* kind = kindByCode(code);
    if (!kind || kind->extensions.empty())
        return {};
    std::string first = kind->extensions[0];
    for (char& c : first)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string filter = std::string(kind->filterName) + " (*." + first + ")|";
    for (std::size_t i = 0; i < kind->extensions.size(); ++i)
        filter += (i == 0 ? "*." : " *.") + std::string(kind->extensions[i]);
    return filter + '|';
}

} // namespace app
