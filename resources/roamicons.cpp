#include "roamicons.h"

#include <array>

namespace {

constexpr std::array<int, RoamIcons::TabCount> s_tabImages {1, 6, 3, 4, 8, 7};

QIcon fromResource(const QString &name)
{
    return QIcon(QStringLiteral(":/roamlog/icons/") + name);
}

} // namespace

QIcon RoamIcons::image(int imageNumber)
{
    if (imageNumber < FirstImage || imageNumber > LastImage)
        return {};
    return fromResource(QStringLiteral("image-%1.svg").arg(imageNumber, 2, 10, QLatin1Char('0')));
}

int RoamIcons::tabImageNumber(int tabIndex)
{
    if (tabIndex < 1 || tabIndex > TabCount)
        return 0;
    return s_tabImages[std::size_t(tabIndex - 1)];
}

QIcon RoamIcons::tabImage(int tabIndex)
{
    return image(tabImageNumber(tabIndex));
}

QIcon RoamIcons::toolbarImage(int buttonIndex)
{
    switch (buttonIndex) {
    case 1:
        return fromResource(QStringLiteral("toolbar-pause.svg"));
    case 2:
        return fromResource(QStringLiteral("toolbar-record.svg"));
    default:
        if (buttonIndex >= 3 && buttonIndex <= ToolbarButtonCount)
            return fromResource(QStringLiteral("toolbar-favorites-%1.svg").arg(buttonIndex - 2));
        return {};
    }
}

QIcon RoamIcons::appIcon()
{
    return fromResource(QStringLiteral("roamlog.svg"));
}
