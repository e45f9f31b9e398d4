#pragma once

#include <QStringView>

#include <array>

/// One tab of the panel's tab strip: the Tag all code compares, the resource identifier of its
/// caption (the tool tip is the caption's identifier plus 6) and its image number, which is
/// also the image of the root node of its outline.
struct OutlineTab final
{
    QStringView Tag;
    int CaptionId;
    int Image;
};

/// The tabs in tab order.
inline constexpr std::array<OutlineTab, 6> OutlineTabs {{
    {u"Current", 51, 1},
    {u"Sites", 52, 6},
    {u"Chrono", 53, 3},
    {u"Activities", 54, 4},
    {u"Query", 55, 8},
    {u"Options", 56, 7},
}};

/// The image number of the tab tagged @p tag (exact comparison), 0 for an unknown tag.
constexpr int outlineTabImage(QStringView tag)
{
    for (const OutlineTab &tab : OutlineTabs) {
        if (tab.Tag == tag)
            return tab.Image;
    }
    return 0;
}
