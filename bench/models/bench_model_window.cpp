// The model window's redraw at 800 × 600. Drag: every iteration is a mouse
// move 6 pixels to the right with the left button held (3° more yaw), which
// draws the depth (a large model clustered) on both cores, shades it and
// paints it. Still: the camera set from outside, the whole model drawn, as
// after a drag ends. The million-triangle torus and a lighter model of
// 100 000 triangles. Runs on Qt's offscreen platform.

#include "BenchMesh.h"

#include "models_ui/TModelWindow.h"

#include <QApplication>
#include <QMouseEvent>

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

void mouse(QWidget* to, QEvent::Type type, int x, Qt::MouseButton button, Qt::MouseButtons held)
{
    const QPointF at(x, 300);
    QMouseEvent event(type, at, to->mapToGlobal(at), button, held, Qt::NoModifier);
    QApplication::sendEvent(to, &event);
}

void redraw(benchmark::State& state, const models::Mesh& mesh, bool drag)
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
    window.SetCamera(camera);
    QWidget* view = window.viewport();
    int x = 100;
    if (drag) {
        mouse(view, QEvent::MouseButtonPress, x, Qt::LeftButton, Qt::LeftButton);
        // The first move makes the clustered model, once per model.
        mouse(view, QEvent::MouseMove, x += 6, Qt::NoButton, Qt::LeftButton);
    }
    for (auto _ : state) {
        if (drag) {
            mouse(view, QEvent::MouseMove, x += 6, Qt::NoButton, Qt::LeftButton);
        } else {
            camera.yaw = std::remainder(camera.yaw + 3, 360.0);
            window.SetCamera(camera);
        }
        view->repaint();
        benchmark::DoNotOptimize(window.Shown().constBits());
    }
    if (drag)
        mouse(view, QEvent::MouseButtonRelease, x, Qt::LeftButton, Qt::NoButton);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["triangles"] = static_cast<double>(mesh.triangles());
}

const models::Mesh& light()
{
    static const models::Mesh mesh = sphere(100000);
    return mesh;
}

void BM_ModelWindowDrag800x600(benchmark::State& state)
{
    redraw(state, bench_models::millionTriangles(), true);
}
BENCHMARK(BM_ModelWindowDrag800x600)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ModelWindowStill800x600(benchmark::State& state)
{
    redraw(state, bench_models::millionTriangles(), false);
}
BENCHMARK(BM_ModelWindowStill800x600)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_ModelWindowDrag800x600Light(benchmark::State& state)
{
    redraw(state, light(), true);
}
BENCHMARK(BM_ModelWindowDrag800x600Light)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace
