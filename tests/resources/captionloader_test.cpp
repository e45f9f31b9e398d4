#include "resources/captionloader.h"

#include <QAction>
#include <QDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace hosttest {
// Stands for the real panel: the host loader recognises it by its class name.
class RoamPane1 final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
};
} // namespace hosttest

namespace {

constexpr qint16 English = 0;
constexpr qint16 Hebrew = 500;

template<typename W>
W *tagged(QWidget *parent, const QString &text, const char *tag)
{
    auto *widget = new W(text, parent);
    if (tag)
        CaptionLoader::setTag(widget, QString::fromLatin1(tag));
    parent->layout()->addWidget(widget);
    return widget;
}

// The desktop's face at the desktop's size, with the Hebrew font behind it for Hebrew.
void expectDesktopFont(const QWidget *widget)
{
    SCOPED_TRACE(widget->metaObject()->className());
    const QFont desktop = QGuiApplication::font();
    EXPECT_EQ(widget->font().family(), QFontInfo(desktop).family());
    EXPECT_EQ(widget->font().pointSizeF(), desktop.pointSizeF());
    EXPECT_TRUE(widget->font().families().contains(QLatin1String(CaptionLoader::HebrewFontFamily)));
}

enum Kind { Label, Button, Group, Radio, Edit, ToolTip, MenuItem };

// A control of the panel: its kind, its identifier as the panel marks it, its design text and
// the text it shows in English and in Hebrew.
struct Control
{
    Kind kind;
    const char *tag;
    QString design;
    QString english;
    QString hebrew;
};

const Control controls[] = {
    {Label, "64", u"Since:"_s, u"Since:"_s, u"מתאריך"_s},
    {Label, "", u"fixed"_s, u"fixed"_s, u"fixed"_s},
    // A label's Tag must be a whole number; other controls read its leading number.
    {Label, "56a", u"design"_s, u"design"_s, u"design"_s},
    {Radio, "56a", u"design"_s, u"Options"_s, u"אפשרויות"_s},
    {Button, "81", u"x"_s, u"Search"_s, u"חפש"_s},
    {Group, "67", u"x"_s, u"Find in"_s, u"מצא ב"_s},
    // Controls without an identifier, and a field's text, keep their design texts.
    {Edit, "65", u"Enter Date"_s, u"Enter Date"_s, u"Enter Date"_s},
    {Group, nullptr, u"Browser"_s, u"Browser"_s, u"Browser"_s},
    // A toolbar button's Key with no leading number leaves its tooltip.
    {ToolTip, "\"72\"", u"Pause"_s, u"Pause"_s, u"Pause"_s},
    // Menu items carry their identifier as their design text, across a separator.
    {MenuItem, nullptr, u"100"_s, u"Navigate To.."_s, u"לך אל"_s},
    {MenuItem, nullptr, u"110"_s, u"Help"_s, u"עזרה"_s},
    {MenuItem, nullptr, u"Add to tasks"_s, u"Add to tasks"_s, u"Add to tasks"_s},
};

TEST(CaptionLoader, ThePanelLoadsEitherLanguageAndLoadsAgainInTheOther)
{
    QWidget root;
    root.setLayout(new QVBoxLayout);
    auto *toolbar = new QToolBar(&root);
    auto *tabs = new QTabBar(&root);
    root.layout()->addWidget(toolbar);
    root.layout()->addWidget(tabs);
    for (int i = 0; i < 6; ++i)
        tabs->setTabData(tabs->addTab(u"tab"_s), u"%1a"_s.arg(51 + i));
    auto *frame = tagged<QGroupBox>(&root, u"frame"_s, nullptr);
    frame->setLayout(new QVBoxLayout);
    auto *menu = new QMenu(&root);
    QList<std::function<QString()>> shown;
    QList<QWidget *> widgets {&root, tabs, menu};
    for (const Control &c : controls) {
        QWidget *widget = nullptr;
        if (c.kind == Label)
            widget = tagged<QLabel>(&root, c.design, c.tag);
        else if (c.kind == Button)
            widget = tagged<QPushButton>(&root, c.design, c.tag);
        else if (c.kind == Group)
            widget = tagged<QGroupBox>(&root, c.design, c.tag);
        else if (c.kind == Radio)
            widget = tagged<QRadioButton>(frame, c.design, c.tag);
        else if (c.kind == Edit)
            widget = tagged<QLineEdit>(&root, c.design, c.tag);
        if (widget) {
            const char *property = c.kind == Group ? "title" : "text";
            shown.append([widget, property] { return widget->property(property).toString(); });
            widgets.append(widget);
        }
        if (c.kind == ToolTip) {
            QAction *action = toolbar->addAction(c.design);
            action->setProperty(CaptionLoader::KeyProperty, QString::fromLatin1(c.tag));
            action->setToolTip(c.design);
            shown.append([action] { return action->toolTip(); });
        }
        if (c.kind == MenuItem) {
            QAction *item = menu->addAction(c.design);
            if (menu->actions().size() == 1)
                menu->addSeparator();
            shown.append([item] { return item->text(); });
        }
    }

    const QStringList english {
        u"Current"_s, u"Sites"_s, u"Chrono"_s, u"Activities"_s, u"Query"_s, u"Options"_s};
    const QStringList hebrew {
        u"נוכחי"_s, u"אתרים"_s, u"תאריך"_s, u"פעולות"_s, u"שאילתא"_s, u"אפשרויות"_s};
    for (const qint16 lang : {English, Hebrew, English}) {
        SCOPED_TRACE(lang);
        CaptionLoader::LoadResStrings1(&root, lang);
        for (int i = 0; i < int(std::size(controls)); ++i) {
            const Control &c = controls[i];
            EXPECT_EQ(shown.at(i)(), lang ? c.hebrew : c.english)
                << "row " << i << ": " << (c.tag ? c.tag : "no tag") << ' '
                << c.design.toStdString();
        }
        QStringList texts;
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
        EXPECT_EQ(texts, lang ? hebrew : english);
        // A tab's tooltip is the caption six identifiers on.
        EXPECT_EQ(tabs->tabToolTip(0),
                  lang ? u"מתאר של הגלישה הנוכחית"_s : u"Outline of the current session"_s);
        EXPECT_EQ(tabs->tabToolTip(3), lang ? u"לוג פעילויות"_s : u"Activities Log"_s);
        for (const QWidget *widget : std::as_const(widgets)) {
            expectDesktopFont(widget);
            EXPECT_EQ(widget->layoutDirection(), lang ? Qt::RightToLeft : Qt::LeftToRight);
        }
    }
}

TEST(CaptionLoader, ReadsLeadingNumbersAndDecimalText)
{
    EXPECT_EQ(CaptionLoader::leadingNumber(u"56a"_s), 56);
    EXPECT_EQ(CaptionLoader::leadingNumber(u"\"72\""_s), 0);
    EXPECT_EQ(CaptionLoader::leadingNumber(QString()), 0);
    EXPECT_EQ(CaptionLoader::leadingNumber(u" 5"_s), 0);
    EXPECT_EQ(CaptionLoader::leadingNumber(u"007x9"_s), 7);
    EXPECT_GT(CaptionLoader::leadingNumber(u"99999999999999999999999999"_s), 65535);

    EXPECT_EQ(CaptionLoader::decimalValue(u"100"_s), qint16(100));
    EXPECT_EQ(CaptionLoader::decimalValue(u" 86 "_s), qint16(86));
    EXPECT_EQ(CaptionLoader::decimalValue(u"-3"_s), qint16(-3));
    for (const QString &text : {QString(), u"56a"_s, u"Favorites"_s, u"40000"_s})
        EXPECT_FALSE(CaptionLoader::decimalValue(text).has_value()) << text.toStdString();
}

TEST(CaptionLoader, DialogTakesTheDesktopFont)
{
    QDialog dialog;
    CaptionLoader::setTag(&dialog, u"30"_s);
    dialog.setWindowTitle(u"design"_s);
    dialog.setFont(QFont(u"DejaVu Sans"_s, 12));
    dialog.setLayout(new QVBoxLayout);
    QLabel *url = tagged<QLabel>(&dialog, u"u"_s, "31");
    QPushButton *close = tagged<QPushButton>(&dialog, u"c"_s, "35");
    auto *list = new QTreeWidget(&dialog);
    dialog.layout()->addWidget(list);
    list->setHeaderLabels({u"Session"_s, u"From"_s});
    list->headerItem()->setData(0, CaptionLoader::HeaderTagRole, u"32"_s);
    // A child window loads its own captions and keeps its own font.
    QDialog child(&dialog);
    CaptionLoader::setTag(&child, u"20"_s);
    auto *childLabel = new QLabel(u"child"_s, &child);
    CaptionLoader::setTag(childLabel, u"21"_s);

    CaptionLoader::LoadFormCaptions(&dialog, English);
    EXPECT_EQ(dialog.windowTitle(), u"Properties"_s);
    EXPECT_EQ(url->text(), u"URL:"_s);
    EXPECT_EQ(close->text(), u"&Close"_s);
    EXPECT_EQ(list->headerItem()->text(0), u"Title:"_s);
    EXPECT_EQ(list->headerItem()->text(1), u"From"_s);
    EXPECT_EQ(childLabel->text(), u"child"_s);
    EXPECT_EQ(child.windowTitle(), QString());
    for (const QWidget *widget : std::initializer_list<const QWidget *> {&dialog, url, list})
        expectDesktopFont(widget);

    CaptionLoader::LoadFormCaptions(&dialog, Hebrew);
    EXPECT_EQ(dialog.windowTitle(), u"תכונות"_s);
    EXPECT_EQ(close->text(), u"&סגור"_s);
    EXPECT_EQ(dialog.layoutDirection(), Qt::RightToLeft);
}

TEST(CaptionLoader, HostWindowsAndTheEmbeddedPanel)
{
    QWidget find;
    CaptionLoader::setTag(&find, u"85"_s);
    find.setLayout(new QVBoxLayout);
    QLabel *label = tagged<QLabel>(&find, u"l"_s, "86");
    QGroupBox *frame = tagged<QGroupBox>(&find, u"f"_s, "88");
    frame->setLayout(new QVBoxLayout);
    QRadioButton *titles = tagged<QRadioButton>(frame, u"t"_s, "90");
    QPushButton *next = tagged<QPushButton>(&find, u"n"_s, "92");
    auto *tabs = new QTabBar(&find);
    tabs->addTab(u"tab"_s);
    tabs->setTabData(0, u"51a"_s);
    tabs->setTabToolTip(0, u"52"_s);

    CaptionLoader::LoadResStrings(&find, Hebrew);
    EXPECT_EQ(find.windowTitle(), u"מצא.."_s);
    EXPECT_EQ(label->text(), u"מילה/מילים לחפש"_s);
    EXPECT_EQ(frame->title(), u"מצא ב"_s);
    EXPECT_EQ(titles->text(), u"כותרות"_s);
    EXPECT_EQ(next->text(), u"הבא"_s);
    EXPECT_EQ(tabs->tabText(0), u"נוכחי"_s);
    // The host reads the tab tooltip's own number: 52 + 6 is the Sites outline's tooltip.
    EXPECT_EQ(tabs->tabToolTip(0), u"מתאר של האתרים"_s);
    EXPECT_EQ(find.layoutDirection(), Qt::RightToLeft);
    expectDesktopFont(next);

    QWidget main;
    main.setWindowTitle(u"Roamlog"_s);
    auto *pane = new hosttest::RoamPane1(&main);
    auto *paneLabel = new QLabel(u"own"_s, pane);
    CaptionLoader::setTag(paneLabel, u"64"_s);
    CaptionLoader::LoadResStrings(&main, English);
    EXPECT_EQ(main.windowTitle(), u"Roamlog"_s);
    EXPECT_EQ(paneLabel->text(), u"own"_s);
    expectDesktopFont(pane);
}

TEST(CaptionLoader, MiriamRendersWithTheCulmusFont)
{
    // The Hebrew fallback of the desktop's face is installed.
    EXPECT_EQ(QFontInfo(QFont(QLatin1String(CaptionLoader::HebrewFontFamily))).family(),
              QLatin1String(CaptionLoader::HebrewFontFamily));
    CaptionLoader::installFontSubstitutions();
    EXPECT_TRUE(QFont::substitutes(u"Miriam"_s).contains(u"Miriam CLM"_s, Qt::CaseInsensitive));
    EXPECT_EQ(QFontInfo(QFont(u"Miriam"_s, 8)).family(), u"Miriam CLM"_s);
}

} // namespace

#include "captionloader_test.moc"
