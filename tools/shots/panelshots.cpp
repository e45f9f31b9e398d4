// Renders the panel's popup menu, its Query page and a query's results into PNG files, in
// English and Hebrew, for looking at them under a real X server (Xvfb):
//   panelshots OUTPUT_FOLDER
#include "control/roampane1.h"
#include "model/clock.h"
#include "model/roamsettings.h"
#include "resources/captionloader.h"
#include "views/outlinetree.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void shootScreen(const QString &path)
{
    QTest::qWait(300);
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

void clickTab(RoamPane1 &panel, int index)
{
    QTabBar *tabs = panel.TabStrip1();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
    QTest::qWait(100);
}

void run(const QString &out, qint16 lang)
{
    const QString suffix = lang ? u"-he"_s : u"-en"_s;
    QTemporaryDir tmp;
    RoamSettings settings(tmp.filePath(u"settings.ini"_s));
    settings.setLang(lang);
    ManualClock clock(QDateTime(QDate(2024, 5, 6), QTime(10, 0, 0)));
    RoamPane1 panel(settings, clock, tmp.filePath(u"Data"_s), false);
    panel.resize(330, 640);
    panel.move(20, 20);
    panel.show();
    if (!QTest::qWaitForWindowExposed(&panel))
        qWarning("the panel was not shown");
    const QStringList pages {u"http://docs.example.org/guide/install"_s,
                             u"http://docs.example.org/guide/usage"_s,
                             u"https://news.example.com/today"_s,
                             u"http://mysite.example/docs/api"_s};
    const QStringList titles {
        u"Installing"_s, u"Using it"_s, u"Today's news"_s, u"API reference"_s};
    for (int i = 0; i < pages.size(); ++i) {
        clock.advance(30);
        panel.SetUrl(pages.at(i));
        panel.UrlName(titles.at(i));
    }
    panel.Activity(u"http://mysite.example/docs/api/sdk.zip"_s);

    clickTab(panel, 1);
    OutlineTree *tree = panel.TreeView1();
    OutlineNode *node = tree->NodeByKey(u"docs.example.org/guide"_s);
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualItemRect(node).center());
    shootScreen(QDir(out).filePath(u"popup"_s + suffix + u".png"_s));
    panel.mnuRoamPane()->hide();

    clickTab(panel, 4);
    panel.findChild<QRadioButton *>(u"qryOpt1"_s)->click();
    panel.findChild<QLineEdit *>(u"qryString"_s)->setText(u"example"_s);
    panel.findChild<QRadioButton *>(u"qryOpt1_3"_s)->click();
    QTest::qWait(100);
    panel.grab().save(QDir(out).filePath(u"query"_s + suffix + u".png"_s));
    panel.findChild<QPushButton *>(u"qryResults"_s)->click();
    QTest::qWait(100);
    QTest::mouseClick(tree->viewport(),
                      Qt::LeftButton,
                      {},
                      tree->visualItemRect(tree->NodeByKey(u"news.example.com/today"_s)).center());
    panel.grab().save(QDir(out).filePath(u"results"_s + suffix + u".png"_s));

    // The search box with its result, and the downloads.
    clickTab(panel, 1);
    auto *search = panel.findChild<QLineEdit *>(u"SearchBox"_s);
    search->setFocus();
    QTest::keyClicks(search, u"guide"_s);
    QTest::qWait(400);
    panel.grab().save(QDir(out).filePath(u"search"_s + suffix + u".png"_s));
    QTest::keyClick(search, Qt::Key_Escape);
    clickTab(panel, 3);
    panel.grab().save(QDir(out).filePath(u"activities"_s + suffix + u".png"_s));

    clickTab(panel, 5);
    panel.grab().save(QDir(out).filePath(u"options"_s + suffix + u".png"_s));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    CaptionLoader::installFontSubstitutions();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    run(out, 0);
    run(out, 500);
    return 0;
}
