#include "frmabout.h"

#include "resources/roamicons.h"
#include "resources/roamversion.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmAbout::frmAbout(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(u"frmAbout"_s);
    setWindowTitle(u"About Roamlog"_s);
    setModal(true);
    // The panel's captions may be right to left; this window is never translated.
    setLayoutDirection(Qt::LeftToRight);

    m_picIcon = new QLabel(this);
    m_picIcon->setObjectName(u"picIcon"_s);
    m_picIcon->setPixmap(RoamIcons::appIcon().pixmap(64, 64));
    m_picIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    m_lblTitle = new QLabel(u"Roamlog"_s, this);
    m_lblTitle->setObjectName(u"lblTitle"_s);
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.6);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = new QLabel(u"Version "_s + Roamlog::versionText(), this);
    m_lblVersion->setObjectName(u"lblVersion"_s);

    m_lblDescription = new QLabel(
        u"Roamlog keeps a record of the pages you visit in Chromium: every page and site, "
        "when you came and left, what you downloaded. Look back through it by session, by "
        "site or by date, search it, add notes, and send the browser back with a double "
        "click."_s,
        this);
    m_lblDescription->setObjectName(u"lblDescription"_s);
    m_lblDescription->setWordWrap(true);

    m_lblDisclaimer = new QLabel(
        u"The record is yours: it stays in a folder of small text files on this computer and "
        "is never sent anywhere. Roamlog is provided as is, without warranty of any kind."_s,
        this);
    m_lblDisclaimer->setObjectName(u"lblDisclaimer"_s);
    m_lblDisclaimer->setWordWrap(true);
    QFont smaller = m_lblDisclaimer->font();
    smaller.setPointSizeF(smaller.pointSizeF() * 0.9);
    m_lblDisclaimer->setFont(smaller);

    auto *line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    m_cmdOK = new QPushButton(u"OK"_s, this);
    m_cmdOK->setObjectName(u"cmdOK"_s);
    m_cmdOK->setDefault(true);
    m_cmdSysInfo = new QPushButton(u"&System Info..."_s, this);
    m_cmdSysInfo->setObjectName(u"cmdSysInfo"_s);
    m_cmdSysInfo->setAutoDefault(false);

    auto *texts = new QVBoxLayout;
    texts->addWidget(m_lblTitle);
    texts->addWidget(m_lblVersion);
    texts->addSpacing(8);
    texts->addWidget(m_lblDescription);
    texts->addStretch(1);

    auto *top = new QHBoxLayout;
    top->addWidget(m_picIcon);
    top->addSpacing(8);
    top->addLayout(texts, 1);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_lblDisclaimer, 1);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdSysInfo);
    bottom->addLayout(buttons);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addWidget(line);
    layout->addLayout(bottom);

    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, [this] { StartSysInfo(); });
    resize(460, 280);
}

QStringList frmAbout::defaultSysInfoPrograms()
{
    // What comes closest to a system profiler first, then the desktops' system monitors.
    return {u"hardinfo"_s,
            u"kinfocenter"_s,
            u"gnome-system-monitor"_s,
            u"plasma-systemmonitor"_s,
            u"ksysguard"_s,
            u"mate-system-monitor"_s,
            u"xfce4-taskmanager"_s,
            u"lxtask"_s};
}

QString frmAbout::StartSysInfo()
{
    for (const QString &name : std::as_const(m_sysInfoPrograms)) {
        const QString program = QStandardPaths::findExecutable(name);
        if (!program.isEmpty() && QProcess::startDetached(program, {}))
            return program;
    }
    m_message(this, u"System Information Is Unavailable At This Time"_s);
    return {};
}
