// The model window's redraw while it is dragged: every iteration turns the
// camera 3° further in yaw, which renders the depth at the window's size
// (800 × 600) on both cores, shades it into the window's picture and paints
// it, as a mouse move does. The million-triangle torus and a lighter model
// of 100 000 triangles. Runs on Qt's offscreen platform.

#include "BenchMesh.h"

#include "models_ui/TModelWindow.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

QApplication& application()
{
    static int argc = 1;
    static char name[] = "bench_model_window";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// A sphere of about n triangles.
models::Mesh sphere(int n)
{
    models::Mesh m;
    const int nv = static_cast<int>(std::sqrt(n / 4.0)), nu = 2 * nv;
    const auto at = [&](int i, int j) {
        const double a = 2 * std::numbers::pi * i / nu, b = std::numbers::pi * j / nv;
        return models::Vec3{std::sin(b) * std::cos(a), std::cos(b), std::sin(b) * std::sin(a)};
    };
    for (int i = 0; i < nu; ++i)
        for (int j = 0; j < nv; ++j) {
            m.addTriangle(at(i, j), at(i + 1, j), at(i, j + 1));
            m.addTriangle(at(i + 1, j), at(i + 1, j + 1), at(i, j + 1));
        }
    return m;
}

void dragRedraw(benchmark::State& state, const models::Mesh& mesh)
{
    application();
    models_ui::TModelWindow window(nullptr, "bench.stl", mesh);
    window.show();
    // The window's frame around a viewport of 800 × 600.
    const QSize border = window.size() - window.viewport()->size();
    window.resize(QSize(800, 600) + border);
    QApplication::processEvents();
    if (window.viewport()->size() != QSize(800, 600))
        state.SkipWithError("the viewport is not 800 x 600");
    models::Camera camera = bench_models::turned();
    for (auto _ : state) {
        camera.yaw = std::remainder(camera.yaw + 3, 360.0);
        window.SetCamera(camera);
        window.viewport()->repaint();
        benchmark::DoNotOptimize(window.Shown().constBits());
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(mesh.triangles());
}

void BM_ModelWindowDrag800x600(benchmark::State& state)
{
    dragRedraw(state, bench_models::millionTriangles());
}
BENCHMARK(BM_ModelWindowDrag800x600)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ModelWindowDrag800x600Light(benchmark::State& state)
{
    static const models::Mesh mesh = sphere(100000);
    dragRedraw(state, mesh);
}
BENCHMARK(BM_ModelWindowDrag800x600Light)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
