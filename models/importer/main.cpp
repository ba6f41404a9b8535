// dotscape-import [--limit-as BYTES] [--limit-cpu SECONDS] -- FILE
//
// Reads one model file and writes its triangles, in the model's own axes
// with every node's transform applied, as a triangle stream to standard
// output. A refusal goes to standard error as one line and the exit status
// is 2 (3 when memory ran out). The limits are set before the file is
// touched, so nothing in the file runs without them.
//
// For the tests of the launcher, DOTSCAPE_IMPORT_FAULT=abort|hang|spin|memory|count
// makes the importer fail in that way once its limits are set.

#include "ConfinedIOSystem.h"

#include "models/ModelFormats.h"
#include "models/TriangleStream.h"

#include <assimp/Importer.hpp>
#include <assimp/importerdesc.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <bit>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

int refuse(const std::string& why, int status = 2)
{
    std::fprintf(stderr, "%s\n", why.c_str());
    return status;
}

void setLimit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    ::setrlimit(resource, &limit);
}

bool writeAll(const std::uint8_t* data, std::size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(1, data, n);
        if (w <= 0)
            return false;
        data += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

void fault(const char* kind)
{
    const std::string k = kind;
    if (k == "abort")
        std::abort();
    if (k == "hang")
        for (;;)
            ::pause();
    if (k == "spin")
        for (volatile unsigned long i = 0;;)
            i = i + 1;
    if (k == "memory") {
        std::vector<std::vector<char>> hold;
        for (;;)
            hold.emplace_back(64 << 20, 'x');
    }
    if (k == "count") {
        const auto header = models::triangleStreamHeader("STL", 0xFFFFFFF0u);
        writeAll(header.data(), header.size());
        std::exit(0);
    }
}

std::size_t countTriangles(const aiScene& scene, const aiNode& node)
{
    std::size_t n = 0;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f)
            n += mesh.mFaces[f].mNumIndices == 3;
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        n += countTriangles(scene, *node.mChildren[c]);
    return n;
}

void collect(const aiScene& scene, const aiNode& node, const aiMatrix4x4& parent, std::vector<std::uint8_t>& out)
{
    const aiMatrix4x4 m = parent * node.mTransformation;
    for (unsigned i = 0; i < node.mNumMeshes; ++i) {
        const aiMesh& mesh = *scene.mMeshes[node.mMeshes[i]];
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3)
                continue;
            for (int k = 0; k < 3; ++k) {
                const unsigned index = face.mIndices[k];
                const aiVector3D v = index < mesh.mNumVertices ? m * mesh.mVertices[index] : aiVector3D();
                for (float c : {v.x, v.y, v.z}) {
                    const auto bits = std::bit_cast<std::uint32_t>(c);
                    for (int b = 0; b < 4; ++b)
                        out.push_back(static_cast<std::uint8_t>(bits >> (8 * b)));
                }
            }
        }
    }
    for (unsigned c = 0; c < node.mNumChildren; ++c)
        collect(scene, *node.mChildren[c], m, out);
}

int run(int argc, char** argv)
{
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--limit-as" && i + 1 < argc) {
            const rlim_t bytes = std::strtoull(argv[++i], nullptr, 10);
#if defined(DOTSCAPE_ADDRESS_SANITIZER)
            // AddressSanitizer reserves terabytes of shadow memory at start,
            // so an address-space limit would stop every run; the processor
            // time and wall-clock limits still hold.
            (void)bytes;
#else
            setLimit(RLIMIT_AS, bytes, bytes);
#endif
        } else if (a == "--limit-cpu" && i + 1 < argc) {
            const rlim_t seconds = std::strtoull(argv[++i], nullptr, 10);
            setLimit(RLIMIT_CPU, seconds, seconds + 1);
        } else if (a == "--" && i + 1 < argc) {
            file = argv[++i];
        } else {
            return refuse("usage: dotscape-import [--limit-as BYTES] [--limit-cpu SECONDS] -- FILE", 1);
        }
    }
    // No core files, nothing inherited but the three streams (the file
    // system opens nothing for writing: see ConfinedIOSystem).
    setLimit(RLIMIT_CORE, 0, 0);
    ::close_range(3, ~0u, 0);
    if (const char* kind = std::getenv("DOTSCAPE_IMPORT_FAULT"))
        fault(kind);
    if (file.empty())
        return refuse("no model file was given", 1);

    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return refuse("the file cannot be opened.");
    if (static_cast<std::uint64_t>(st.st_size) > models::kMaxModelFileBytes)
        return refuse("the file is larger than 1 GiB.");
    // The model's folder becomes the working directory, so every name the
    // model gives is taken relative to it.
    const auto slash = file.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : file.substr(0, slash + (slash == 0));
    const std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
    char real[PATH_MAX];
    if (::chdir(dir.c_str()) != 0 || !::getcwd(real, sizeof real))
        return refuse("the model's folder cannot be entered.");
    const models::ModelFormat* format = models::detectModelFormat(name);

    Assimp::Importer importer;
    importer.SetIOHandler(new ConfinedIOSystem(std::string(real) == "/" ? "" : real, name));
    // Triangles only; vertices are not joined (the rasteriser needs none of
    // that, and joining costs more than the reading).
    const aiScene* scene =
        importer.ReadFile(name, aiProcess_Triangulate | aiProcess_SortByPType | aiProcess_ValidateDataStructure);
    if (!scene || !scene->mRootNode) {
        std::string why = importer.GetErrorString();
        return refuse(why.empty() ? "the file is not a model the importer knows." : why);
    }
    const std::size_t count = countTriangles(*scene, *scene->mRootNode);
    if (count == 0)
        return refuse("it has no triangles.");
    if (count > models::kMaxTriangles)
        return refuse("it has " + std::to_string(count) + " triangles, more than the " +
                      std::to_string(models::kMaxTriangles) + " (64 MiB) allowed.");
    std::string formatName = format ? std::string(format->name) : std::string();
    if (formatName.empty()) {
        const auto dot = name.find_last_of('.');
        const aiImporterDesc* desc =
            dot == std::string::npos ? nullptr : importer.GetImporterInfo(importer.GetImporterIndex(name.substr(dot).c_str()));
        formatName = desc && desc->mName ? desc->mName : "model";
    }
    std::vector<std::uint8_t> out = models::triangleStreamHeader(formatName, static_cast<std::uint32_t>(count));
    out.reserve(out.size() + count * 36 + 4);
    collect(*scene, *scene->mRootNode, aiMatrix4x4(), out);
    out.insert(out.end(), models::kStreamEnd, models::kStreamEnd + sizeof models::kStreamEnd);
    if (!writeAll(out.data(), out.size()))
        return refuse("the triangles could not be handed back.");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc&) {
        return refuse("the importer ran out of memory.", 3);
    } catch (const std::exception& e) {
        return refuse(e.what());
    }
}
