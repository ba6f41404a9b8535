// Every button of both tool bars and every cursor id has a picture that
// renders; a picture missing from the resource file would leave a blank
// button or a wrong cursor.

#include "QtTestApp.h"

#include "resources/Resources.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

const int kMainBar[] = {109, 901, 24331, 24332, 24333, 221, 223, 24337, 101,
                        102, 112, 110,   103,   105,   107, 111, 205, 24310};
const int kToolPalette[] = {1251, 1252, 1255, 1256, 1257, 1258, 1259, 1260,
                            1261, 1253, 1254, 1262, 1263, 1264, 1265, 1266};

// Share of pixels that are not transparent.
double Coverage(const QImage& image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            opaque += qAlpha(image.pixel(x, y)) > 0;
    return static_cast<double>(opaque) / (image.width() * image.height());
}

TEST(Resources, EveryButtonHasAFaceAtItsBarSize)
{
    TestApp();
    for (int id : kMainBar) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(resources::HasButtonFace(id));
        const QImage face = resources::ButtonFace(id, resources::kMainButtonSize).toImage();
        ASSERT_EQ(face.size(), QSize(26, 26));
        EXPECT_GT(Coverage(face), 0.1);
        EXPECT_FALSE(resources::ButtonIcon(id).isNull());
    }
    for (int id : kToolPalette) {
        SCOPED_TRACE(id);
        const QImage face = resources::ButtonFace(id, resources::kToolButtonSize).toImage();
        ASSERT_EQ(face.size(), QSize(20, 20));
        EXPECT_GT(Coverage(face), 0.05);
        EXPECT_FALSE(resources::ButtonIcon(id).isNull());
    }
}

TEST(Resources, FacesAreDistinct)
{
    TestApp();
    std::vector<QImage> faces;
    for (int id : kToolPalette)
        faces.push_back(resources::ButtonFace(id, 20).toImage());
    for (std::size_t i = 0; i < faces.size(); ++i)
        for (std::size_t j = i + 1; j < faces.size(); ++j)
            EXPECT_NE(faces[i], faces[j]) << kToolPalette[i] << " and " << kToolPalette[j];
}

TEST(Resources, UnknownIdsHaveNoFace)
{
    TestApp();
    EXPECT_FALSE(resources::HasButtonFace(4242));
    EXPECT_TRUE(resources::ButtonFace(4242, 26).isNull());
    EXPECT_TRUE(resources::ButtonIcon(4242).isNull());
}

TEST(Resources, CursorsForTheBusyStateAndEveryTool)
{
    TestApp();
    for (int id = 1250; id <= 1261; ++id) {
        SCOPED_TRACE(id);
        const QCursor cursor = resources::Cursor(id);
        ASSERT_EQ(cursor.shape(), Qt::BitmapCursor);
        const QImage image = cursor.pixmap().toImage();
        ASSERT_EQ(image.size(), QSize(32, 32));
        EXPECT_GT(Coverage(image), 0.03);
        const QPoint hot = cursor.hotSpot();
        EXPECT_TRUE(QRect(0, 0, 32, 32).contains(hot));
    }
    EXPECT_EQ(resources::Cursor(0).shape(), Qt::ArrowCursor);
    EXPECT_EQ(resources::Cursor(1262).shape(), Qt::ArrowCursor);
}

TEST(Resources, WindowIcons)
{
    TestApp();
    for (const char* name : {"I1", "I2", "I3"}) {
        SCOPED_TRACE(name);
        const QIcon icon = resources::Icon(name);
        ASSERT_FALSE(icon.isNull());
        EXPECT_GT(Coverage(icon.pixmap(32, 32).toImage()), 0.5);
    }
    EXPECT_TRUE(resources::Icon("I9").isNull());
}

} // namespace
