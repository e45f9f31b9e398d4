// Renders the find (English and Hebrew), about and help windows into PNG files, for looking
// at them:
//   hostshots READ_ME OUTPUT_FOLDER
#include "host/frmabout.h"
#include "host/frmfind.h"
#include "host/frmhelp.h"
#include "host/panellink.h"

#include "resources/captionloader.h"
#include "resources/roamstrings.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

class NoPanel final : public PanelLink
{
public:
    void SetUrl(const QString &) override { }
    void UrlName(const QString &) override { }
    void Activity(const QString &) override { }
    QString SiteUrl() const override { return {}; }
    bool isOnTop() const override { return false; }
    qint16 QuitIt() const override { return 0; }
    void SetSession(bool) override { }
    void ShowStatus(const QString &) override { }
};

void shoot(QWidget &window, const QString &path)
{
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        qWarning("%s was not shown", qPrintable(window.objectName()));
    QTest::qWait(300);
    window.grab().save(path);
    window.hide();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    CaptionLoader::installFontSubstitutions();
    const QString readMe = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString out = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QDir::currentPath();
    QDir().mkpath(out);
    const QDir folder(out);

    NoPanel panel;
    frmFind english(panel, 0);
    english.txtFindString()->setText(u"weather"_s);
    shoot(english, folder.filePath(u"find-en.png"_s));
    frmFind hebrew(panel, RoamStrings::HebrewOffset);
    hebrew.txtFindString()->setText(u"חדשות"_s);
    shoot(hebrew, folder.filePath(u"find-he.png"_s));

    frmAbout about;
    shoot(about, folder.filePath(u"about.png"_s));

    frmHelp help;
    help.Form_Load(readMe);
    shoot(help, folder.filePath(u"help.png"_s));
    return 0;
}
