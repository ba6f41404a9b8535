// Models through the importer program: every format, written here, comes
// back triangle for triangle; hostile files and a failing importer end in a
// refusal that says why, never in this process.

#include "ModelFiles.h"
#include "ModelShapes.h"
#include "TempDir.h"

#include "models/ModelFormats.h"
#include "models/ModelImport.h"
#include "models/TriangleStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <array>
#include <cstdlib>
#include <filesystem>

using namespace model_test;

namespace {

using Triangle = std::array<float, 9>;

// The triangles with each one's vertices turned to start at its least
// vertex, sorted: equal for meshes that hold the same triangles.
std::vector<Triangle> canonical(const models::Mesh& m)
{
    std::vector<Triangle> out;
    for (std::size_t t = 0; t < m.triangles(); ++t) {
        Triangle best{};
        for (int r = 0; r < 3; ++r) {
            Triangle tri;
            for (int k = 0; k < 9; ++k)
                tri[k] = m.coords[t * 9 + (r * 3 + k) % 9];
            if (r == 0 || tri < best)
                best = tri;
        }
        out.push_back(best);
    }
    std::ranges::sort(out);
    return out;
}

models::ImportLimits quick()
{
    models::ImportLimits l;
    l.cpuSeconds = 20;
    l.timeoutSeconds = 30;
    return l;
}

const std::string kImporter = DOTSCAPE_BIN_DIR "/dotscape-import";

struct FormatCase {
    const char* file;
    std::string (*write)(const models::Mesh&);
    const char* format; // as detected and reported
};

const FormatCase kFormats[] = {
    {"m.stl", stlBinary, "STL (binary)"},
    {"m.stl", stlAscii, "STL (ASCII)"},
    {"m.obj", obj, "OBJ"},
    {"m.ply", plyAscii, "PLY (ASCII)"},
    {"m.ply", plyBinary, "PLY (binary)"},
    {"m.glb", glb, "glTF 2.0 (binary)"},
    {"m.3mf", threeMf, "3MF"},
    {"m.off", off, "OFF"},
    {"m.gltf", [](const models::Mesh& m) { return gltfJson(m, "m.bin"); }, "glTF 2.0"},
};

} // namespace

TEST(ModelImport, EveryFormatComesBackTriangleForTriangle)
{
    // A torus and a box off the origin, on a grid of 1/64 so that no two
    // coordinates lie closer than the text formats' rounding.
    models::Mesh mesh = torus(1, 0.3, 12, 6);
    append(mesh, box({0.5f, 1.25f, -3}, {2, 1.75f, -1.5f}));
    for (float& f : mesh.coords)
        f = std::round(f * 64) / 64;
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.format);
        TempDir dir;
        save(dir.file(c.file), c.write(mesh));
        save(dir.file("m.bin"), floats(mesh));
        const models::ModelFormat* detected = models::detectModelFormat(dir.file(c.file));
        ASSERT_NE(detected, nullptr);
        EXPECT_EQ(detected->name, c.format);
        const models::ImportResult r = models::importModel(dir.file(c.file), quick(), kImporter);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.mesh.format, c.format);
        // The binary formats give back every float exactly; the text ones
        // as the importer's number parser rounds them.
        const auto got = canonical(r.mesh), want = canonical(mesh);
        ASSERT_EQ(got.size(), want.size());
        for (std::size_t t = 0; t < got.size(); ++t)
            for (int k = 0; k < 9; ++k)
                ASSERT_NEAR(got[t][k], want[t][k], 1e-6) << "triangle " << t;
    }
}

TEST(ModelImport, ModelsMayOpenNothingBesideTheirOwnBuffers)
{
    // The buffer lies outside the model's folder, under another name, behind
    // a link, or is asked for as a URL: each is refused; beside the model it
    // is read.
    TempDir dir;
    const models::Mesh mesh = box();
    std::filesystem::create_directory(dir.file("in"));
    save(dir.file("outside.bin"), floats(mesh));
    save(dir.file("in/beside.bin"), floats(mesh));
    std::filesystem::create_symlink(dir.file("outside.bin"), dir.file("in/link.bin"));
    struct Case {
        std::string uri;
        bool ok;
    };
    const Case cases[] = {{"beside.bin", true},       {"../outside.bin", false}, {dir.file("outside.bin"), false},
                          {"link.bin", false},        {"file://" + dir.file("outside.bin"), false},
                          {"./../outside.bin", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.uri);
        save(dir.file("in/m.gltf"), gltfJson(mesh, c.uri));
        const models::ImportResult r = models::importModel(dir.file("in/m.gltf"), quick(), kImporter);
        EXPECT_EQ(r.ok, c.ok) << r.error;
        if (!c.ok) {
            EXPECT_TRUE(r.error.starts_with(models::kModelRefusal)) << r.error;
        }
    }
}

TEST(ModelImport, AFailingImporterBecomesARefusalWithTheReason)
{
    TempDir dir;
    save(dir.file("m.stl"), stlBinary(box()));
    save(dir.file("junk.stl"), std::string(200, '\x7f'));
    struct Case {
        const char* name;
        const char* fault; // DOTSCAPE_IMPORT_FAULT, or null
        std::string file;
        models::ImportLimits limits;
        const char* says;
    };
    models::ImportLimits shortWait = quick(), littleTime = quick(), littleMemory = quick();
    shortWait.timeoutSeconds = 1;
    littleTime.cpuSeconds = 1;
    littleMemory.addressSpaceBytes = 256u << 20;
    const Case cases[] = {
        {"crash", "abort", dir.file("m.stl"), quick(), "the importer crashed (Aborted)"},
        {"hang", "hang", dir.file("m.stl"), shortWait, "the importer took longer than 1 seconds"},
        {"busy", "spin", dir.file("m.stl"), littleTime, "more than its 1 seconds of processor time"},
        {"memory", "memory", dir.file("m.stl"), littleMemory, "the importer ran out of memory"},
        {"huge count", "count", dir.file("m.stl"), quick(), "4294967280 triangles, more than the 2796202 (64 MiB)"},
        {"not a model", nullptr, dir.file("junk.stl"), quick(), ""},
        {"missing", nullptr, dir.file("none.stl"), quick(), "No such file"},
        {"folder", nullptr, dir.path(), quick(), "it is not a regular file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
#if defined(DOTSCAPE_ADDRESS_SANITIZER)
        // An instrumented importer runs without its address-space limit.
        if (std::string_view(c.name) == "memory")
            continue;
#endif
        if (c.fault)
            ::setenv("DOTSCAPE_IMPORT_FAULT", c.fault, 1);
        const models::ImportResult r = models::importModel(c.file, c.limits, kImporter);
        ::unsetenv("DOTSCAPE_IMPORT_FAULT");
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.error.starts_with(models::kModelRefusal)) << r.error;
        EXPECT_GT(r.error.size(), models::kModelRefusal.size() + 5) << r.error;
        EXPECT_NE(r.error.find(c.says), std::string::npos) << r.error;
    }
    const models::ImportResult none = models::importModel(dir.file("m.stl"), quick(), dir.file("no-importer"));
    EXPECT_NE(none.error.find("could not be started"), std::string::npos) << none.error;
    // A file over 1 GiB is refused before the importer starts (a sparse file).
    std::filesystem::resize_file(dir.file("m.stl"), models::kMaxModelFileBytes + 1);
    const models::ImportResult big = models::importModel(dir.file("m.stl"), quick(), kImporter);
    EXPECT_EQ(big.error, std::string(models::kModelRefusal) + "the file is larger than 1 GiB.");
}
