#include "roamicons.h"

#include <QHash>

#include <array>

namespace {

constexpr std::array<int, RoamIcons::TabCount> s_tabImages {1, 6, 3, 4, 8, 7};

QIcon fromResource(const QString &name)
{
    return QIcon(QStringLiteral(":/roamlog/icons/") + name);
}

// The small pictures drawn once at the sizes views and bars ask for (and twice those for dense
// screens). A scalable icon parses its file again whenever a style asks for its size, which
// tab bars and item views do on every paint.
QIcon drawnOnce(const QString &name)
{
    static QHash<QString, QIcon> drawn;
    if (const auto found = drawn.constFind(name); found != drawn.cend())
        return *found;
    const QIcon scalable = fromResource(name);
    QIcon icon;
    for (const int side : {16, 20, 22, 24, 32, 40, 44, 48, 64})
        icon.addPixmap(scalable.pixmap(QSize(side, side), 1.0));
    drawn.insert(name, icon);
    return icon;
}

} // namespace

QIcon RoamIcons::image(int imageNumber)
{
    if (imageNumber < FirstImage || imageNumber > LastImage)
        return {};
    return drawnOnce(QStringLiteral("image-%1.svg").arg(imageNumber, 2, 10, QLatin1Char('0')));
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
        return drawnOnce(QStringLiteral("toolbar-pause.svg"));
    case 2:
        return drawnOnce(QStringLiteral("toolbar-record.svg"));
    default:
        if (buttonIndex >= 3 && buttonIndex <= ToolbarButtonCount)
            return drawnOnce(QStringLiteral("toolbar-favorites-%1.svg").arg(buttonIndex - 2));
        return {};
    }
}

QIcon RoamIcons::appIcon()
{
    return fromResource(QStringLiteral("roamlog.svg"));
}
