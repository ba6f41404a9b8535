// Speed of models as depth: a torus of a million triangles (BenchMesh.h)
// turned and rendered at 1200 × 1200 on one and two threads, its depth at
// 800 × 600 made grey, and reading the same torus from a binary STL through
// the importer program. The model window's own redraw is bench_model_window.
// The CPU column is the whole process's (both threads): on a machine shared
// with other work, real time over CPU time ÷ threads shows the share it got.

#include "BenchMesh.h"

#include "models/ModelImport.h"
#include "models/Rasteriser.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <unistd.h>

namespace {

using bench_models::millionTriangles;
using bench_models::turned;

void BM_Render1200(benchmark::State& state)
{
    const models::Mesh& mesh = millionTriangles();
    models::RenderOptions options;
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(models::renderDepth(mesh, turned(), 1200, 1200, options));
    state.counters["triangles"] = static_cast<double>(mesh.triangles());
}
BENCHMARK(BM_Render1200)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

// What the model window draws while it is dragged: the depth at 800 × 600 on
// both cores, then grey levels for the screen.
void BM_WindowFrame800(benchmark::State& state)
{
    const models::Mesh& mesh = millionTriangles();
    std::vector<std::uint8_t> grey(800 * 600);
    double yaw = 0;
    for (auto _ : state) {
        models::Camera c = turned();
        c.yaw = yaw += 3;
        const platform::Grey16Image d = models::renderDepth(mesh, c, 800, 600);
        for (std::size_t i = 0; i < grey.size(); ++i)
            grey[i] = models::level8(d.samples[i]);
        benchmark::DoNotOptimize(grey.data());
    }
}
BENCHMARK(BM_WindowFrame800)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ImportStl(benchmark::State& state)
{
    const models::Mesh& mesh = millionTriangles();
    const std::string path = "/tmp/dotscape-bench-" + std::to_string(::getpid()) + ".stl";
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        char header[80] = {};
        const auto count = static_cast<std::uint32_t>(mesh.triangles());
        std::fwrite(header, 1, 80, f);
        std::fwrite(&count, 4, 1, f);
        const float normal[3] = {0, 0, 0};
        const std::uint16_t attributes = 0;
        for (std::size_t t = 0; t < mesh.triangles(); ++t) {
            std::fwrite(normal, 4, 3, f);
            std::fwrite(mesh.coords.data() + t * 9, 4, 9, f);
            std::fwrite(&attributes, 2, 1, f);
        }
        std::fclose(f);
    }
    for (auto _ : state) {
        const models::ImportResult r = models::importModel(path, {}, DOTSCAPE_BIN_DIR "/dotscape-import");
        if (!r.ok)
            state.SkipWithError(r.error.c_str());
        benchmark::DoNotOptimize(r.mesh.coords.data());
    }
    std::remove(path.c_str());
}
BENCHMARK(BM_ImportStl)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace
