#include "resources/captionloader.h"
#include "resources/roamstrings.h"

#include <QAction>
#include <QCheckBox>
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

#include <memory>

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

QString s(const char16_t *text)
{
    return QString::fromUtf16(text);
}

QStringList strings(std::initializer_list<const char16_t *> texts)
{
    QStringList list;
    for (const char16_t *text : texts)
        list.append(s(text));
    return list;
}

template<typename W>
W *tagged(QWidget *parent, const QString &text, const char *tag)
{
    auto *widget = new W(text, parent);
    if (tag)
        widget->setProperty(CaptionLoader::TagProperty, QString::fromLatin1(tag));
    parent->layout()->addWidget(widget);
    return widget;
}

// A small panel built the way the real one marks its identifiers.
struct Panel
{
    std::unique_ptr<QWidget> root = std::make_unique<QWidget>();
    QTabBar *tabs = nullptr;
    QToolBar *toolbar = nullptr;
    QAction *pause = nullptr;
    QLabel *sinceLabel = nullptr;
    QLabel *untagged = nullptr;
    QLabel *letteredLabel = nullptr;
    QPushButton *search = nullptr;
    QLineEdit *date = nullptr;
    QGroupBox *findIn = nullptr;
    QRadioButton *urls = nullptr;
    QRadioButton *titles = nullptr;
    QRadioButton *lettered = nullptr;
    QGroupBox *browser = nullptr;
    QCheckBox *hebrew = nullptr;
    QMenu *menu = nullptr;
    QList<QAction *> items;

    Panel()
    {
        root->setLayout(new QVBoxLayout);
        toolbar = new QToolBar(root.get());
        root->layout()->addWidget(toolbar);
        pause = toolbar->addAction(QStringLiteral("Pause"));
        pause->setProperty(CaptionLoader::KeyProperty, QStringLiteral("\"72\""));
        pause->setToolTip(QStringLiteral("Pause"));

        tabs = new QTabBar(root.get());
        root->layout()->addWidget(tabs);
        const char *names[] = {"Current", "Sites", "Chrono", "Activities", "Query", "Options"};
        for (int i = 0; i < 6; ++i) {
            const int index = tabs->addTab(QString::fromLatin1(names[i]));
            tabs->setTabData(index, QStringLiteral("%1a").arg(51 + i));
        }

        sinceLabel = tagged<QLabel>(root.get(), QStringLiteral("Since:"), "64");
        untagged = tagged<QLabel>(root.get(), QStringLiteral("fixed"), "");
        letteredLabel = tagged<QLabel>(root.get(), QStringLiteral("design"), "56a");
        search = tagged<QPushButton>(root.get(), QStringLiteral("Search"), "81");
        date = new QLineEdit(QStringLiteral("Enter Date"), root.get());
        date->setProperty(CaptionLoader::TagProperty, QStringLiteral("65"));
        root->layout()->addWidget(date);

        findIn = tagged<QGroupBox>(root.get(), QStringLiteral("Find in"), "67");
        findIn->setLayout(new QVBoxLayout);
        urls = tagged<QRadioButton>(findIn, QStringLiteral("URL's"), "68");
        titles = tagged<QRadioButton>(findIn, QStringLiteral("Titles"), "82");
        lettered = tagged<QRadioButton>(findIn, QStringLiteral("design"), "56a");

        browser = tagged<QGroupBox>(root.get(), RoamStrings::BrowserFrameText.toString(), nullptr);
        browser->setLayout(new QVBoxLayout);
        hebrew = tagged<QCheckBox>(browser, RoamStrings::HebrewText.toString(), nullptr);

        menu = new QMenu(root.get());
        for (const char *id : {"100", "101", "102", "103", "104", "105", "110"}) {
            items.append(menu->addAction(QString::fromLatin1(id)));
            if (items.size() == 2)
                menu->addSeparator();
        }
        items.append(menu->addAction(RoamStrings::AddToTasksText.toString()));
    }
};

QStringList tabTexts(const QTabBar *tabs, bool toolTips)
{
    QStringList texts;
    for (int i = 0; i < tabs->count(); ++i)
        texts.append(toolTips ? tabs->tabToolTip(i) : tabs->tabText(i));
    return texts;
}

QStringList itemTexts(const QList<QAction *> &items)
{
    QStringList texts;
    for (const QAction *item : items)
        texts.append(item->text());
    return texts;
}

// The desktop's face at the desktop's size, with the Hebrew font behind it for Hebrew.
void expectDesktopFont(const QWidget *widget)
{
    const QFont desktop = QGuiApplication::font();
    EXPECT_EQ(widget->font().family(), QFontInfo(desktop).family())
        << widget->metaObject()->className();
    EXPECT_EQ(widget->font().pointSizeF(), desktop.pointSizeF())
        << widget->metaObject()->className();
    EXPECT_TRUE(widget->font().families().contains(QLatin1String(CaptionLoader::HebrewFontFamily)))
        << widget->metaObject()->className();
}

} // namespace

TEST(CaptionLoader, ReadsLeadingNumbersAndDecimalText)
{
    EXPECT_EQ(CaptionLoader::leadingNumber(QStringLiteral("56a")), 56);
    EXPECT_EQ(CaptionLoader::leadingNumber(QStringLiteral("\"72\"")), 0);
    EXPECT_EQ(CaptionLoader::leadingNumber(QString()), 0);
    EXPECT_EQ(CaptionLoader::leadingNumber(QStringLiteral(" 5")), 0);
    EXPECT_EQ(CaptionLoader::leadingNumber(QStringLiteral("007x9")), 7);
    EXPECT_GT(CaptionLoader::leadingNumber(QStringLiteral("99999999999999999999999999")), 65535);

    EXPECT_EQ(CaptionLoader::decimalValue(QStringLiteral("100")), qint16(100));
    EXPECT_EQ(CaptionLoader::decimalValue(QStringLiteral(" 86 ")), qint16(86));
    EXPECT_EQ(CaptionLoader::decimalValue(QStringLiteral("-3")), qint16(-3));
    EXPECT_FALSE(CaptionLoader::decimalValue(QString()).has_value());
    EXPECT_FALSE(CaptionLoader::decimalValue(QStringLiteral("56a")).has_value());
    EXPECT_FALSE(CaptionLoader::decimalValue(QStringLiteral("Favorites")).has_value());
    EXPECT_FALSE(CaptionLoader::decimalValue(QStringLiteral("40000")).has_value());
}

TEST(CaptionLoader, PanelInEnglish)
{
    Panel panel;
    CaptionLoader::LoadResStrings1(panel.root.get(), English);

    EXPECT_EQ(tabTexts(panel.tabs, false),
              strings({u"Current", u"Sites", u"Chrono", u"Activities", u"Query", u"Options"}));
    EXPECT_EQ(tabTexts(panel.tabs, true),
              strings({u"Outline of the current session",
                       u"Outline of the Sites",
                       u"Chronological Outline",
                       u"Activities Log",
                       u"Query",
                       u"Options"}));
    EXPECT_EQ(itemTexts(panel.items),
              strings({u"Navigate To..",
                       u"Find",
                       u"Delete",
                       u"Note",
                       u"Properties",
                       u"About",
                       u"Help",
                       u"Add to tasks"}));
    EXPECT_EQ(panel.sinceLabel->text(), QStringLiteral("Since:"));
    EXPECT_EQ(panel.untagged->text(), QStringLiteral("fixed"));
    // A label's Tag must be a whole number; other controls read its leading number.
    EXPECT_EQ(panel.letteredLabel->text(), QStringLiteral("design"));
    EXPECT_EQ(panel.lettered->text(), QStringLiteral("Options"));
    EXPECT_EQ(panel.date->text(), QStringLiteral("Enter Date"));
    EXPECT_EQ(panel.pause->toolTip(), QStringLiteral("Pause"));
    EXPECT_EQ(panel.root->layoutDirection(), Qt::LeftToRight);

    const QList<QWidget *> widgets {
        panel.root.get(), panel.tabs, panel.sinceLabel, panel.urls, panel.menu, panel.date};
    for (const QWidget *widget : widgets) {
        expectDesktopFont(widget);
    }
}

TEST(CaptionLoader, PanelInHebrew)
{
    Panel panel;
    CaptionLoader::LoadResStrings1(panel.root.get(), Hebrew);

    EXPECT_EQ(tabTexts(panel.tabs, false),
              strings({u"נוכחי", u"אתרים", u"תאריך", u"פעולות", u"שאילתא", u"אפשרויות"}));
    EXPECT_EQ(panel.tabs->tabToolTip(0), s(u"מתאר של הגלישה הנוכחית"));
    EXPECT_EQ(panel.tabs->tabToolTip(5), s(u"אפשרויות"));
    EXPECT_EQ(
        itemTexts(panel.items),
        strings(
            {u"לך אל", u"מצא", u"מחק", u"הערה", u"תכונות", u"אודות", u"עזרה", u"Add to tasks"}));
    EXPECT_EQ(panel.sinceLabel->text(), s(u"מתאריך"));
    EXPECT_EQ(panel.search->text(), s(u"חפש"));
    EXPECT_EQ(panel.findIn->title(), s(u"מצא ב"));
    EXPECT_EQ(panel.urls->text(), s(u"כתובות"));
    EXPECT_EQ(panel.titles->text(), s(u"כותרות"));
    EXPECT_EQ(panel.lettered->text(), s(u"אפשרויות"));

    // Controls without an identifier keep their design texts.
    EXPECT_EQ(panel.untagged->text(), QStringLiteral("fixed"));
    EXPECT_EQ(panel.browser->title(), QStringLiteral("Browser"));
    EXPECT_EQ(panel.hebrew->text(), QStringLiteral("Hebrew"));
    EXPECT_EQ(panel.date->text(), QStringLiteral("Enter Date"));
    EXPECT_EQ(panel.pause->toolTip(), QStringLiteral("Pause"));

    EXPECT_EQ(panel.root->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(panel.tabs->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(panel.menu->layoutDirection(), Qt::RightToLeft);
    expectDesktopFont(panel.hebrew);
}

TEST(CaptionLoader, LoadingAgainChangesTheLanguage)
{
    Panel panel;
    CaptionLoader::LoadResStrings1(panel.root.get(), English);
    CaptionLoader::LoadResStrings1(panel.root.get(), Hebrew);
    EXPECT_EQ(panel.items.first()->text(), s(u"לך אל"));
    EXPECT_EQ(panel.sinceLabel->text(), s(u"מתאריך"));
    EXPECT_EQ(panel.tabs->tabText(0), s(u"נוכחי"));
    EXPECT_EQ(panel.menu->layoutDirection(), Qt::RightToLeft);

    CaptionLoader::LoadResStrings1(panel.root.get(), English);
    EXPECT_EQ(panel.items.first()->text(), QStringLiteral("Navigate To.."));
    EXPECT_EQ(panel.tabs->tabText(0), QStringLiteral("Current"));
    EXPECT_EQ(panel.root->layoutDirection(), Qt::LeftToRight);
    EXPECT_EQ(panel.menu->layoutDirection(), Qt::LeftToRight);
}

TEST(CaptionLoader, DialogTakesTheDesktopFont)
{
    QDialog dialog;
    dialog.setProperty(CaptionLoader::TagProperty, QStringLiteral("30"));
    dialog.setWindowTitle(QStringLiteral("design"));
    QFont design(QStringLiteral("DejaVu Sans"), 12);
    dialog.setFont(design);
    dialog.setLayout(new QVBoxLayout);
    QLabel *url = tagged<QLabel>(&dialog, QStringLiteral("u"), "31");
    QPushButton *close = tagged<QPushButton>(&dialog, QStringLiteral("c"), "35");
    auto *list = new QTreeWidget(&dialog);
    dialog.layout()->addWidget(list);
    list->setHeaderLabels({QStringLiteral("Session"), QStringLiteral("From")});
    list->headerItem()->setData(0, CaptionLoader::HeaderTagRole, QStringLiteral("32"));
    // A child window loads its own captions and keeps its own font.
    QDialog child(&dialog);
    child.setProperty(CaptionLoader::TagProperty, QStringLiteral("20"));
    QLabel *childLabel = new QLabel(QStringLiteral("child"), &child);
    childLabel->setProperty(CaptionLoader::TagProperty, QStringLiteral("21"));

    CaptionLoader::LoadFormCaptions(&dialog, English);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Properties"));
    EXPECT_EQ(url->text(), QStringLiteral("URL:"));
    EXPECT_EQ(close->text(), QStringLiteral("&Close"));
    EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Title:"));
    EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("From"));
    EXPECT_EQ(childLabel->text(), QStringLiteral("child"));
    for (const QWidget *widget : {static_cast<QWidget *>(&dialog),
                                  static_cast<QWidget *>(url),
                                  static_cast<QWidget *>(list)}) {
        expectDesktopFont(widget);
    }
    EXPECT_EQ(child.windowTitle(), QString());

    CaptionLoader::LoadFormCaptions(&dialog, Hebrew);
    EXPECT_EQ(dialog.windowTitle(), s(u"תכונות"));
    EXPECT_EQ(close->text(), s(u"&סגור"));
    EXPECT_EQ(dialog.layoutDirection(), Qt::RightToLeft);
}

TEST(CaptionLoader, HostWindowsAndTheEmbeddedPanel)
{
    QWidget find;
    find.setProperty(CaptionLoader::TagProperty, QStringLiteral("85"));
    find.setLayout(new QVBoxLayout);
    QLabel *label = tagged<QLabel>(&find, QStringLiteral("l"), "86");
    QGroupBox *frame = tagged<QGroupBox>(&find, QStringLiteral("f"), "88");
    frame->setLayout(new QVBoxLayout);
    QRadioButton *titles = tagged<QRadioButton>(frame, QStringLiteral("t"), "90");
    QPushButton *next = tagged<QPushButton>(&find, QStringLiteral("n"), "92");
    auto *tabs = new QTabBar(&find);
    tabs->addTab(QStringLiteral("tab"));
    tabs->setTabData(0, QStringLiteral("51a"));
    tabs->setTabToolTip(0, QStringLiteral("52"));

    CaptionLoader::LoadResStrings(&find, Hebrew);
    EXPECT_EQ(find.windowTitle(), s(u"מצא.."));
    EXPECT_EQ(label->text(), s(u"מילה/מילים לחפש"));
    EXPECT_EQ(frame->title(), s(u"מצא ב"));
    EXPECT_EQ(titles->text(), s(u"כותרות"));
    EXPECT_EQ(next->text(), s(u"הבא"));
    EXPECT_EQ(tabs->tabText(0), s(u"נוכחי"));
    // The host reads the tab tooltip's own number: 52 + 6 is the Sites outline's tooltip.
    EXPECT_EQ(tabs->tabToolTip(0), s(u"מתאר של האתרים"));
    EXPECT_EQ(find.layoutDirection(), Qt::RightToLeft);
    expectDesktopFont(next);

    QWidget main;
    main.setWindowTitle(QStringLiteral("Roamlog"));
    auto *pane = new hosttest::RoamPane1(&main);
    auto *paneLabel = new QLabel(QStringLiteral("own"), pane);
    paneLabel->setProperty(CaptionLoader::TagProperty, QStringLiteral("64"));
    CaptionLoader::LoadResStrings(&main, English);
    EXPECT_EQ(main.windowTitle(), QStringLiteral("Roamlog"));
    EXPECT_EQ(paneLabel->text(), QStringLiteral("own"));
    expectDesktopFont(pane);
}

TEST(CaptionLoader, MiriamRendersWithTheCulmusFont)
{
    // The Hebrew fallback of the desktop's face is installed.
    EXPECT_EQ(QFontInfo(QFont(QLatin1String(CaptionLoader::HebrewFontFamily))).family(),
              QLatin1String(CaptionLoader::HebrewFontFamily));
    CaptionLoader::installFontSubstitutions();
    EXPECT_TRUE(QFont::substitutes(QStringLiteral("Miriam"))
                    .contains(QStringLiteral("Miriam CLM"), Qt::CaseInsensitive));
    QFont font(QStringLiteral("Miriam"), 8);
    EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Miriam CLM"));
}

#include "captionloader_test.moc"
