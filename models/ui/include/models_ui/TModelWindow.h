#pragma once
// A 3-D model's window: the model's depth at the window's size drawn as a
// grey picture (nearer is lighter), turned by dragging with the left button
// (right and left turn its yaw, up and down its pitch, half a degree a
// pixel), zoomed with the wheel, and its camera set exactly in a dialog
// (double-click, or the right button's menu). The stereogram is made at the
// settings' size from modelPicture().

#include "depthmap_ui/TMouseWnd.h"
#include "engine/ModelGeneration.h"
#include "models/Camera.h"
#include "models/Mesh.h"

#include <QImage>
#include <QTimer>

#include <optional>
#include <string>

namespace models_ui {

inline constexpr int DocModel = 4;

class TModelWindow : public depthmap_ui::TMouseWnd {
    Q_OBJECT
public:
    TModelWindow(QWidget* parent, const std::string& fileName, models::Mesh mesh);

    const models::Mesh& Mesh() const { return mesh_; }
    const models::Camera& Camera() const { return camera_; }
    void SetCamera(const models::Camera& camera);
    const std::string& FileName() const { return fileName_; }
    // The depth at a stereogram's size, as the camera shows it.
    engine::ModelPicture Picture(int width, int height) const;
    // Opens the camera dialog; true when it changed the camera.
    bool EditCamera();
    // The grey picture last drawn, for tests and screenshots.
    const QImage& Shown() const { return shown_; }

signals:
    void cameraChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void LeftDown(unsigned keys, QPoint point) override;
    void LeftDrag(int x, int y) override;
    void LeftUp(unsigned keys, QPoint point) override;
    void LeftDoubleClick(unsigned keys, QPoint point) override;

private:
    void Redraw();
    // The drawing ends: the whole model is drawn again.
    void Settle();

    models::Mesh mesh_;
    // The clustered stand-in drawn while a large model is dragged, made on
    // the first drag; empty for a model light enough to draw in full.
    std::optional<models::Mesh> light_;
    bool dragging_ = false;
    QTimer settle_;
    models::Camera camera_;
    std::string fileName_;
    QImage shown_;
    QPoint grab_;
    models::Camera grabbed_;
};

// What the window shows: level 0 (the background) dark grey, the model from
// dark at its back to white at its front.
QImage ShadedDepth(const platform::Grey16Image& depth);

} // namespace models_ui
