#include "models_ui/TModelWindow.h"

#include "depthmap_ui/ModalRun.h"

#include "models_ui/TCameraDialog.h"

#include "models/Clustering.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace models_ui {

namespace {

constexpr double kDegreesPerPixel = 0.5;
constexpr double kZoomPerNotch = 1.1;
// Models of more triangles than this are drawn clustered while dragged, in
// cubes of 1/kDragCells of their longest side: enough for the shape to turn
// smoothly at a window's size, light enough for 30 frames a second.
constexpr std::size_t kDragAbove = 250000;
constexpr int kDragCells = 200;
// The whole model is drawn again once the mouse rests this long.
constexpr int kSettleMs = 150;

std::string baseName(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

QImage ShadedDepth(const platform::Grey16Image& depth)
{
    QImage image(depth.width, depth.height, QImage::Format_Grayscale8);
    for (int y = 0; y < depth.height; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < depth.width; ++x) {
            const std::uint16_t d = depth.at(x, y);
            row[x] = d == 0 ? 48 : static_cast<uchar>(64 + (d * 191u) / 65535u);
        }
    }
    return image;
}

TModelWindow::TModelWindow(QWidget* parent, const std::string& fileName, models::Mesh mesh)
    : TMouseWnd(parent), mesh_(std::move(mesh)), fileName_(fileName)
{
    SetDocKind(DocModel);
    setWindowTitle(QString::fromStdString(baseName(fileName)));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resize(480, 360);
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMs);
    connect(&settle_, &QTimer::timeout, this, [this] { Settle(); });
}

void TModelWindow::SetCamera(const models::Camera& camera)
{
    if (!models::checkCamera(camera).empty())
        return;
    camera_ = camera;
    Redraw();
    emit cameraChanged();
}

engine::ModelPicture TModelWindow::Picture(int width, int height) const
{
    return engine::modelPicture(mesh_, camera_, width, height);
}

bool TModelWindow::EditCamera()
{
    TCameraDialog dialog(this, camera_);
    if (depthmap_ui::RunModal(dialog) != QDialog::Accepted)
        return false;
    SetCamera(dialog.Result());
    return true;
}

void TModelWindow::Redraw()
{
    const QSize size = viewport()->size();
    if (size.width() < 1 || size.height() < 1)
        return;
    const bool light = dragging_ && light_ && light_->triangles() > 0;
    shown_ = ShadedDepth(models::renderDepth(light ? *light_ : mesh_, camera_, size.width(), size.height()));
    viewport()->update();
}

void TModelWindow::paintEvent(QPaintEvent*)
{
    if (shown_.size() != viewport()->size())
        Redraw();
    QPainter painter(viewport());
    painter.drawImage(0, 0, shown_);
}

void TModelWindow::resizeEvent(QResizeEvent* event)
{
    TMouseWnd::resizeEvent(event);
    Redraw();
}

void TModelWindow::wheelEvent(QWheelEvent* event)
{
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0)
        return;
    models::Camera c = camera_;
    c.zoom = std::clamp(c.zoom * std::pow(kZoomPerNotch, notches), models::kMinZoom, models::kMaxZoom);
    SetCamera(c);
    event->accept();
}

void TModelWindow::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu(this);
    menu.addAction(QStringLiteral("&Camera..."), this, [this] { EditCamera(); });
    menu.addAction(QStringLiteral("&Reset the Camera"), this, [this] {
        models::Camera c;
        c.up = camera_.up;
        SetCamera(c);
    });
    menu.exec(event->globalPos());
}

void TModelWindow::LeftDown(unsigned, QPoint point)
{
    grab_ = point;
    grabbed_ = camera_;
}

void TModelWindow::LeftDrag(int x, int y)
{
    SetDragPoint(x, y);
    if (!light_)
        light_ = mesh_.triangles() > kDragAbove ? models::clusterVertices(mesh_, kDragCells) : models::Mesh{};
    dragging_ = true;
    settle_.start();
    models::Camera c = grabbed_;
    // Dragging right turns the front to the right; dragging down brings the top nearer.
    c.yaw = std::remainder(grabbed_.yaw + (x - grab_.x()) * kDegreesPerPixel, 360.0);
    c.pitch = std::remainder(grabbed_.pitch + (y - grab_.y()) * kDegreesPerPixel, 360.0);
    SetCamera(c);
}

void TModelWindow::LeftUp(unsigned, QPoint)
{
    Settle();
}

void TModelWindow::Settle()
{
    settle_.stop();
    if (!dragging_)
        return;
    dragging_ = false;
    Redraw();
}

void TModelWindow::LeftDoubleClick(unsigned, QPoint)
{
    EditCamera();
}

} // namespace models_ui
