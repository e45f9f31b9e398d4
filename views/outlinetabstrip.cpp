#include "outlinetabstrip.h"

#include "outlinetab.h"
#include "resources/roamicons.h"

#include <QProxyStyle>
#include <QStyle>

using namespace Qt::StringLiterals;

namespace {

// Tabs with less padding, so that all six captions fit a narrow window.
class TabStripStyle final : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric,
                    const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_TabBarTabHSpace)
            return 6;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

const QSize TabIcons(16, 16);

} // namespace

OutlineTabStrip::OutlineTabStrip(QWidget *parent)
    : QTabBar(parent)
{
    setObjectName(u"TabStrip1"_s);
    auto *tabStyle = new TabStripStyle;
    tabStyle->setParent(this);
    setStyle(tabStyle);
    setExpanding(true);
    // All six tabs stay in reach in a narrow window: texts are shortened, the tooltips and
    // icons still tell them apart.
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideRight);
    setDrawBase(true);
    setIconSize(TabIcons);
    for (int i = 0; i < int(OutlineTabs.size()); ++i) {
        const OutlineTab &tab = OutlineTabs[std::size_t(i)];
        const int at = addTab(RoamIcons::tabImage(i + 1), tab.Tag.toString());
        setTabData(at, QString(QString::number(tab.CaptionId) + u"a"_s));
    }
    connect(this, &QTabBar::currentChanged, this, &OutlineTabStrip::chosen);
    // A click on the tab already selected is a click too (it builds an outline not yet built).
    connect(this, &QTabBar::tabBarClicked, this, [this](int index) {
        if (index >= 0 && index == currentIndex())
            emit chosen();
    });
}

QString OutlineTabStrip::Tag(int index)
{
    if (index < 0 || index >= int(OutlineTabs.size()))
        return QString();
    return OutlineTabs[std::size_t(index)].Tag.toString();
}

QString OutlineTabStrip::SelectedTag() const
{
    return Tag(currentIndex());
}

void OutlineTabStrip::FitWidth(int width)
{
    // In a narrow window the tab pictures give their room to the captions.
    const QFontMetrics metrics(font());
    const int tabSpace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, nullptr, this);
    int tabsWidth = 0;
    for (int i = 0; i < count(); ++i)
        tabsWidth += metrics.horizontalAdvance(tabText(i)) + tabSpace + TabIcons.width() + 4;
    setIconSize(tabsWidth > width ? QSize(0, 0) : TabIcons);
    // Without their pictures the captions may still not fit (large type, a scaled screen):
    // they stay whole and readable, and the strip scrolls instead.
    const int captionsWidth = tabsWidth - count() * (TabIcons.width() + 4);
    const bool scroll = captionsWidth > width;
    setUsesScrollButtons(scroll);
    setElideMode(scroll ? Qt::ElideNone : Qt::ElideRight);
}
