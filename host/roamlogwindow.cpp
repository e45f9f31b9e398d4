#include "roamlogwindow.h"

#include "browserbridge.h"
#include "chromiumbrowser.h"
#include "frmabout.h"
#include "frmfind.h"
#include "frmhelp.h"
#include "roampanelink.h"

#include "control/pagetextpanel.h"
#include "control/roampane1.h"
#include "model/roamsettings.h"
#include "resources/captionloader.h"
#include "resources/roamicons.h"
#include "resources/roamstrings.h"
#include "resources/roamversion.h"
#include "views/waitcursor.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

#include <cmath>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int kQuitQuestion = 18;
constexpr int kRecordingPaused = 123;

int roundHalfEven(double value)
{
    return int(std::nearbyint(value));
}

QString resourceText(int id, qint16 lang, const QString &fallback)
{
    return RoamStrings::text(id + lang).value_or(RoamStrings::text(id).value_or(fallback));
}

} // namespace

RoamlogWindow::RoamlogWindow(const HostOptions &options,
                             RoamSettings &settings,
                             Browser &browser,
                             qint16 langOffset,
                             Clock &clock,
                             QWidget *parent)
    : QMainWindow(parent)
    , m_options(options)
    , m_settings(settings)
    , m_browser(browser)
    , m_langOffset(langOffset)
{
    setObjectName(u"Roamlog"_s);
    setWindowTitle(u"Roamlog"_s);
    setWindowIcon(RoamIcons::appIcon());

    // --data-dir stands for Setup/Path: the record is its "Data" folder.
    const QString dataFolder = options.dataDir.isEmpty()
                                   ? QString()
                                   : QDir::toNativeSeparators(
                                       QDir(options.dataDir).filePath(u"Data"_s));
    m_panel = new RoamPane1(settings, clock, dataFolder, !options.headless, this);
    m_panel->setObjectName(u"RoamPane2"_s);
    setCentralWidget(m_panel);
    CaptionLoader::LoadResStrings(this, m_langOffset);

    m_link = std::make_unique<RoamPaneLink>(m_panel);
    m_bridge = std::make_unique<BrowserBridge>(browser, *m_link);
    connect(m_bridge.get(), &BrowserBridge::browserEnded, this, &QWidget::close);
    connect(m_bridge.get(), &BrowserBridge::browserFailed, this, &RoamlogWindow::onBrowserFailed);
    // With "Keep the text of pages" off, the pages' text is not even read.
    QCheckBox *keepText = m_panel->PageText()->keepBox();
    browser.setReadsPageText(keepText->isChecked());
    connect(keepText, &QCheckBox::toggled, &browser, &Browser::setReadsPageText);
    connect(&browser, &Browser::started, this, [this] { m_browserStarted = true; });

    connect(m_link.get(), &PanelLink::OnTop, this, [this] { PlaceWindow(true); });
    connect(m_link.get(), &PanelLink::NotOnTop, this, [this] { PlaceWindow(false); });
    connect(m_link.get(), &PanelLink::AboutBox, this, &RoamlogWindow::onAboutBox);
    connect(m_link.get(), &PanelLink::FindIt, this, &RoamlogWindow::FindIt);
    connect(m_link.get(), &PanelLink::GetHelp, this, &RoamlogWindow::GetHelp);
    connect(m_panel, &RoamPane1::RecordingPaused, this, &RoamlogWindow::showRecordingState);
    connect(m_panel, &RoamPane1::LanguageChanged, this, &RoamlogWindow::changeLanguage);

    m_firstActivate = true;
    CreateExplorer();
}

RoamlogWindow::~RoamlogWindow() = default;

void RoamlogWindow::CreateExplorer()
{
    Browser::Options browserOptions;
    browserOptions.executable = m_options.browser;
    browserOptions.profileDir = m_options.profileDir;
    browserOptions.homeUrl = m_options.homeUrl;
    browserOptions.headless = m_options.headless;
    m_browser.start(browserOptions);
    m_browser.GoHome();
}

QRect RoamlogWindow::placement(const QRect &available)
{
    const double w = available.width();
    const double h = available.height();
    return QRect(available.x() + roundHalfEven(w - w / 2.9),
                 available.y() + roundHalfEven(h / 5),
                 roundHalfEven(w / 3.2),
                 roundHalfEven(h / 1.4));
}

QRect RoamlogWindow::browserPlacement() const
{
    QScreen *screen = this->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return {};
    const QRect available = screen->availableGeometry();
    const QRect mine = placement(available);
    return QRect(available.topLeft(), QSize(mine.left() - available.left(), available.height()));
}

void RoamlogWindow::PlaceWindow(bool onTop)
{
    QScreen *screen = this->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect target = placement(screen->availableGeometry());
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    // The frame is known once the window manager has framed the window; until then the window
    // itself takes the place of its frame.
    const QSize frameExtra = isVisible() ? frameGeometry().size() - geometry().size() : QSize();
    move(target.topLeft());
    resize(target.size() - frameExtra);
    show();
    if (frameExtra.isEmpty())
        placeOnceFramed(onTop, 5);
}

void RoamlogWindow::placeOnceFramed(bool onTop, int tries)
{
    QTimer::singleShot(100, this, [this, onTop, tries] {
        if (!isVisible() || windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
            return;
        if (frameGeometry().size() != geometry().size())
            PlaceWindow(onTop);
        else if (tries > 1)
            placeOnceFramed(onTop, tries - 1);
    });
}

bool RoamlogWindow::event(QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type == QEvent::WindowActivate || type == QEvent::Show) && m_firstActivate
        && !m_activationQueued) {
        m_activationQueued = true;
        QTimer::singleShot(0, this, &RoamlogWindow::Form_Activate);
    }
    return QMainWindow::event(event);
}

void RoamlogWindow::Form_Activate()
{
    if (!m_firstActivate)
        return;
    PlaceWindow(m_settings.onTop());
    if (!m_options.headless)
        m_browser.PlaceWindow(browserPlacement());
    m_browser.setVisible(true);
    m_firstActivate = false;
}

void RoamlogWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    raise();
}

void RoamlogWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    if (m_closed)
        return;
    m_closed = true;
    delete m_find;
    m_bridge->EndSession([this] { return askToQuit(); });
    emit closed();
}

bool RoamlogWindow::askToQuit()
{
    if (m_askToQuit)
        return m_askToQuit();
    const QString question = resourceText(kQuitQuestion, m_langOffset, QString());
    if (m_options.headless) {
        // Nobody can see a headless browser, so nobody could close it later.
        std::fprintf(
            stderr, "Roamlog: %s Yes: the browser runs headless.\n", qUtf8Printable(question));
        return true;
    }
    QMessageBox box(
        QMessageBox::Question, u"Roamlog"_s, question, QMessageBox::Yes | QMessageBox::No, this);
    if (m_langOffset != 0)
        box.setLayoutDirection(Qt::RightToLeft);
    return box.exec() == QMessageBox::Yes;
}

void RoamlogWindow::onBrowserFailed(const QString &message)
{
    QString text = message;
    if (!m_browserStarted && ChromiumBrowser::resolveExecutable(m_options.browser).isEmpty())
        text += u" To install Chromium: apt-get install chromium"_s;
    if (m_browserStarted)
        text += u" The recorded history stays available here."_s;
    reportProblem(text);
}

void RoamlogWindow::reportProblem(const QString &text)
{
    m_problem = text;
    m_link->ShowStatus(text);
    showMessage(u"Roamlog"_s, text);
}

void RoamlogWindow::showMessage(const QString &title, const QString &text)
{
    if (m_options.headless) {
        std::fprintf(stderr, "Roamlog: %s\n", qUtf8Printable(text));
        return;
    }
    auto *box = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (m_langOffset != 0)
        box->setLayoutDirection(Qt::RightToLeft);
    box->open();
}

void RoamlogWindow::onAboutBox()
{
    if (m_options.headless) {
        std::fprintf(stderr, "Roamlog\nVersion %s\n", qUtf8Printable(Roamlog::versionText()));
        return;
    }
    bool onTop = false;
    {
        WaitCursor wait;
        onTop = m_link->isOnTop();
        if (onTop)
            PlaceWindow(false);
    }
    frmAbout about(this);
    about.setMessageBox(m_message);
    about.exec();
    if (onTop)
        PlaceWindow(true);
}

void RoamlogWindow::showRecordingState(bool paused)
{
    m_paused = paused;
    setWindowTitle(paused
                       ? u"Roamlog - "_s + resourceText(kRecordingPaused, m_langOffset, QString())
                       : u"Roamlog"_s);
}

void RoamlogWindow::changeLanguage(qint16 langOffset)
{
    m_langOffset = langOffset;
    QGuiApplication::setLayoutDirection(langOffset == RoamStrings::HebrewOffset ? Qt::RightToLeft
                                                                                : Qt::LeftToRight);
    showRecordingState(m_paused);
    if (m_find)
        m_find->setLangOffset(langOffset);
    // The help window takes the new language when it opens next.
    if (m_help && !m_help->isVisible())
        m_help->close();
}

frmFind *RoamlogWindow::findWindow() const
{
    return m_find;
}

frmHelp *RoamlogWindow::helpWindow() const
{
    return m_help;
}

void RoamlogWindow::FindIt()
{
    if (!m_find)
        m_find = new frmFind(*m_link, m_langOffset, this);
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
}

void RoamlogWindow::GetHelp()
{
    if (!m_help) {
        m_help = new frmHelp(this, m_langOffset);
        m_help->setAttribute(Qt::WA_DeleteOnClose);
        m_help->setMessageBox(m_message);
        m_help->Form_Load(m_readMePath);
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}
