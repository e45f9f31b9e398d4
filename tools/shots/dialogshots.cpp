// Renders the dialogs with a site of 50 visits into PNG files, for looking at them:
//   dialogshots OUTPUT_FOLDER
#include "dialogs/frmnote.h"
#include "dialogs/frmsitessessions.h"
#include "dialogs/setupfavorites.h"
#include "model/cfile.h"
#include "model/clock.h"
#include "model/roamstore.h"
#include "resources/captionloader.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void shoot(QWidget &dialog, const QString &path)
{
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        qWarning("%s was not shown", qPrintable(dialog.objectName()));
    QTest::qWait(300);
    dialog.grab().save(path);
    dialog.close();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    CaptionLoader::installFontSubstitutions();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);

    QTemporaryDir tmp;
    ManualClock clock(QDateTime(QDate(2024, 3, 5), QTime(10, 15)));
    RoamStore store(tmp.filePath(u"Data"_s), clock);
    QDir().mkpath(store.dataFolder());
    auto site = std::make_shared<CFile>();
    site->SetURL(u"www.example.org/news/world"_s);
    site->Title = u"World news - Example Daily"_s;
    site->Note = u"Read the long article on Sunday.\nCompare with last week's."_s;
    site->FileName = QDir(store.dataFolder()).filePath(u"site.smf"_s);
    const QDateTime first(QDate(2024, 2, 1), QTime(8, 30, 12));
    const int durations[] = {45, 61, 3600, 6000, 5, 720, 59, 1234};
    for (int i = 0; i < 50; ++i) {
        auto visit = std::make_shared<CSession>();
        visit->Session = first.addDays(i / 3).addSecs((i % 3) * 3600);
        visit->sTime = visit->Session.addSecs(60 * (i % 7) + 17);
        visit->eTime = i == 49 ? zeroDateTime() : visit->sTime.addSecs(durations[i % 8]);
        visit->Param = i % 4 == 0 ? u"q=weather+report&page=%1"_s.arg(i) : QString();
        site->Sessions.Add(*visit);
    }
    store.Files.Add(site, site->URL());
    store.GetCFile(site->URL());
    QDir().mkpath(tmp.filePath(u"home/Favorites/News"_s));
    QDir().mkpath(tmp.filePath(u"home/Favorites/Work"_s));

    for (const qint16 lang : {qint16(0), qint16(500)}) {
        QLocale::setDefault(lang ? QLocale(QLocale::Hebrew, QLocale::Israel)
                                 : QLocale(QLocale::English, QLocale::UnitedStates));
        const QString suffix = lang ? u"he"_s : u"en"_s;
        {
            frmNote note(store, lang);
            shoot(note, out + u"/frmnote-"_s + suffix + u".png"_s);
        }
        {
            frmSitesSessions properties(store, lang);
            shoot(properties, out + u"/frmsitessessions-"_s + suffix + u".png"_s);
        }
        {
            SetupFavorites favorites(lang, nullptr, tmp.filePath(u"home/Favorites/News"_s));
            shoot(favorites, out + u"/setupfavorites-"_s + suffix + u".png"_s);
        }
    }
    return 0;
}
