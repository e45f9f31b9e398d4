#include "resources/roamicons.h"

#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

namespace {

// A picture that drew nothing would pass a null test; count the pixels that show.
int paintedPixels(const QIcon &icon, int size)
{
    const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
    int painted = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            painted += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return painted;
}

QImage picture(const QIcon &icon, int size = 16)
{
    return icon.pixmap(size).toImage();
}

TEST(RoamIcons, EveryPictureDrawsAndTheToolbarsDiffer)
{
    for (int n = RoamIcons::FirstImage; n <= RoamIcons::LastImage; ++n)
        EXPECT_GT(paintedPixels(RoamIcons::image(n), 16), 16) << n;
    for (int button = 1; button <= RoamIcons::ToolbarButtonCount; ++button) {
        EXPECT_GT(paintedPixels(RoamIcons::toolbarImage(button), 16), 16) << button;
        for (int other = button + 1; other <= RoamIcons::ToolbarButtonCount; ++other) {
            EXPECT_NE(picture(RoamIcons::toolbarImage(button), 24),
                      picture(RoamIcons::toolbarImage(other), 24))
                << button << " " << other;
        }
    }
    EXPECT_GT(paintedPixels(RoamIcons::appIcon(), 48), 48 * 10);
    // Visited and unvisited sites look apart.
    EXPECT_NE(picture(RoamIcons::image(10)), picture(RoamIcons::image(11)));

    EXPECT_TRUE(RoamIcons::image(0).isNull());
    EXPECT_TRUE(RoamIcons::image(12).isNull());
    EXPECT_TRUE(RoamIcons::toolbarImage(0).isNull());
    EXPECT_TRUE(RoamIcons::toolbarImage(10).isNull());
    EXPECT_TRUE(RoamIcons::tabImage(7).isNull());
}

TEST(RoamIcons, TabsUseTheirOutlineImages)
{
    const int expected[] = {1, 6, 3, 4, 8, 7};
    for (int tab = 1; tab <= RoamIcons::TabCount; ++tab) {
        EXPECT_EQ(RoamIcons::tabImageNumber(tab), expected[tab - 1]);
        EXPECT_EQ(picture(RoamIcons::tabImage(tab)), picture(RoamIcons::image(expected[tab - 1])));
        EXPECT_GT(paintedPixels(RoamIcons::tabImage(tab), 16), 16) << tab;
    }
    EXPECT_EQ(RoamIcons::tabImageNumber(0), 0);
}

} // namespace
