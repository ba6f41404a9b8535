#include "resources/Resources.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <map>

// Q_INIT_RESOURCE names a global function, so it is called outside any
// namespace. The resources live in a static library: without this call a
// linker could drop them.
static void InitPictures()
{
    Q_INIT_RESOURCE(dotscape_pictures);
}

namespace resources {
namespace {

QString ButtonPath(int id)
{
    return QStringLiteral(":/dotscape/buttons/%1.svg").arg(id);
}

QPixmap Render(const QString& path, int size)
{
    QSvgRenderer renderer(path);
    if (!renderer.isValid() || size <= 0)
        return {};
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return pixmap;
}

// The depth tools' buttons are smaller than those of the main tool bar.
int BarSize(int id)
{
    return id >= 1251 && id <= 1266 ? kToolButtonSize : kMainButtonSize;
}

struct CursorShape {
    int hotX;
    int hotY;
};

// Hot spots in the 32 × 32 cursor pictures: the arrow's tip, the centre of
// the move cross, the pipette's and bucket's tips, the crosshair of the
// drawing tools.
const std::map<int, CursorShape>& CursorShapes()
{
    static const std::map<int, CursorShape> shapes = {
        {1250, {16, 16}}, {1251, {2, 2}},   {1252, {16, 16}}, {1253, {2, 30}},
        {1254, {2, 28}},  {1255, {16, 16}}, {1256, {8, 8}},   {1257, {8, 8}},
        {1258, {8, 8}},   {1259, {8, 8}},   {1260, {8, 8}},   {1261, {8, 8}},
    };
    return shapes;
}

} // namespace

void InitResources()
{
    static const bool done = [] {
        InitPictures();
        return true;
    }();
    (void)done;
}

QIcon Icon(const char* name)
{
    InitResources();
    const QString path = QStringLiteral(":/dotscape/icons/%1.svg").arg(QString::fromLatin1(name));
    if (!QFile::exists(path))
        return {};
    QIcon icon;
    for (int size : {16, 22, 32, 48, 64})
        icon.addPixmap(Render(path, size));
    return icon;
}

bool HasButtonFace(int id)
{
    InitResources();
    return QFile::exists(ButtonPath(id));
}

QPixmap ButtonFace(int id, int size)
{
    if (!HasButtonFace(id))
        return {};
    return Render(ButtonPath(id), size);
}

QIcon ButtonIcon(int id)
{
    if (!HasButtonFace(id))
        return {};
    const int size = BarSize(id);
    QIcon icon;
    icon.addPixmap(ButtonFace(id, size));
    icon.addPixmap(ButtonFace(id, size * 2));
    return icon;
}

QCursor Cursor(int id)
{
    InitResources();
    const auto& shapes = CursorShapes();
    const auto it = shapes.find(id);
    if (it == shapes.end())
        return QCursor(Qt::ArrowCursor);
    const QPixmap pixmap = Render(QStringLiteral(":/dotscape/cursors/%1.svg").arg(id), 32);
    if (pixmap.isNull())
        return QCursor(id == kBusyCursor ? Qt::WaitCursor : Qt::ArrowCursor);
    return QCursor(pixmap, it->second.hotX, it->second.hotY);
}

} // namespace resources
