#include "frmsplash.h"

#include "model/roamsettings.h"
#include "resources/biditext.h"
#include "resources/captionloader.h"
#include "resources/roamicons.h"
#include "resources/roamstrings.h"
#include "resources/roamversion.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int DescriptionId = 144;
constexpr int VersionId = 145;

} // namespace

frmSplash::frmSplash(QWidget *parent)
    // The browser opens its window while this one waits for OK: it must not end up behind it.
    : QWidget(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
{
    setObjectName(u"frmSplash"_s);
    setWindowTitle(u"Roamlog"_s);
    setWindowIcon(RoamIcons::appIcon());

    m_fraMainFrame = new QFrame(this);
    m_fraMainFrame->setObjectName(u"fraMainFrame"_s);
    m_fraMainFrame->setFrameShape(QFrame::StyledPanel);

    m_logo = new QLabel(m_fraMainFrame);
    m_logo->setObjectName(u"imgLogo"_s);
    m_logo->setPixmap(RoamIcons::appIcon().pixmap(96, 96));
    m_logo->setAlignment(Qt::AlignCenter);

    m_product = new QLabel(m_fraMainFrame);
    m_product->setObjectName(u"lblProductName"_s);
    m_product->setTextFormat(Qt::RichText);
    m_product->setAlignment(Qt::AlignCenter);
    showProduct();

    auto *frameLayout = new QHBoxLayout(m_fraMainFrame);
    frameLayout->addWidget(m_logo);
    frameLayout->addWidget(m_product, 1);

    m_command2 = new QPushButton(u"OK"_s, this);
    m_command2->setObjectName(u"Command2"_s);
    m_command2->setProperty(CaptionLoader::TagProperty, u"44"_s);
    m_command2->setDefault(true);
    m_command4 = new QPushButton(u"Help"_s, this);
    m_command4->setObjectName(u"Command4"_s);
    m_command4->setProperty(CaptionLoader::TagProperty, u"99"_s);
    m_command2->hide();
    m_command4->hide();

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_command2);
    buttons->addWidget(m_command4);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_fraMainFrame, 1);
    layout->addLayout(buttons);

    connect(m_command2, &QPushButton::clicked, this, &frmSplash::Command2_Click);
    connect(m_command4, &QPushButton::clicked, this, &frmSplash::Command4_Click);
    resize(420, 220);
}

void frmSplash::Form_Load(const RoamSettings &settings)
{
    const int lang = settings.lang();
    m_langOffset = lang >= -32768 && lang <= 32767 ? qint16(lang) : qint16(0);
    CaptionLoader::LoadResStrings(this, m_langOffset);
    showProduct();
}

void frmSplash::showProduct()
{
    const auto text = [this](int id) {
        return RoamStrings::text(id + m_langOffset)
            .value_or(RoamStrings::text(id).value_or(QString()));
    };
    m_product->setText(u"<h2>Roamlog</h2><p>%1%2</p><p>%3</p>"_s.arg(
        text(VersionId),
        BidiText::leftToRight(Roamlog::versionText(), layoutDirection()),
        text(DescriptionId).toHtmlEscaped()));
}

void frmSplash::showButtons()
{
    m_command2->show();
    m_command4->show();
    m_command2->setFocus();
}
