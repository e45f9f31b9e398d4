#include "frmfind.h"

#include "panellink.h"

#include "resources/captionloader.h"
#include "resources/roamstrings.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int NotFoundId = 124;

template<typename W>
W *tagged(W *widget, const char *name, const QString &tag)
{
    widget->setObjectName(QLatin1String(name));
    widget->setProperty(CaptionLoader::TagProperty, tag);
    return widget;
}

} // namespace

frmFind::frmFind(PanelLink &panel, qint16 langOffset, QWidget *parent)
    : QDialog(parent)
    , m_panel(panel)
    , m_langOffset(langOffset)
{
    setObjectName(u"frmFind"_s);
    setProperty(CaptionLoader::TagProperty, u"85"_s);
    setWindowTitle(u"Find .."_s);
    setModal(false);

    m_label1 = tagged(new QLabel(u"String to search:"_s, this), "Label1", u"86"_s);
    m_txtFindString = new QLineEdit(this);
    m_txtFindString->setObjectName(u"txtFindString"_s);
    m_label1->setBuddy(m_txtFindString);
    m_lblResult = new QLabel(this);
    m_lblResult->setObjectName(u"lblResult"_s);
    m_lblResult->setTextFormat(Qt::PlainText);
    connect(m_txtFindString, &QLineEdit::textEdited, m_lblResult, &QLabel::clear);

    m_frame1 = tagged(new QGroupBox(u"Find in"_s, this), "Frame1", u"88"_s);
    m_optUrls = tagged(new QRadioButton(u"URL's"_s, m_frame1), "optFindURL_2", u"89"_s);
    m_optTitles = tagged(new QRadioButton(u"Titles"_s, m_frame1), "optFindURL_1", u"90"_s);
    m_optUrls->setChecked(true);
    auto *frameLayout = new QHBoxLayout(m_frame1);
    frameLayout->addWidget(m_optUrls);
    frameLayout->addWidget(m_optTitles);
    frameLayout->addStretch(1);

    m_cmdFind = tagged(new QPushButton(u"Find"_s, this), "cmdFind", u"91"_s);
    m_cmdNext = tagged(new QPushButton(u"Find Next"_s, this), "cmdNext", u"92"_s);
    m_cmdExit = tagged(new QPushButton(u"Exit"_s, this), "cmdExit", u"93"_s);
    m_cmdFind->setDefault(true);
    m_cmdNext->setAutoDefault(false);
    m_cmdExit->setAutoDefault(false);

    auto *buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdFind);
    buttons->addWidget(m_cmdNext);
    buttons->addWidget(m_cmdExit);
    buttons->addStretch(1);

    auto *fields = new QVBoxLayout;
    fields->addWidget(m_label1);
    fields->addWidget(m_txtFindString);
    fields->addWidget(m_lblResult);
    fields->addWidget(m_frame1);
    fields->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);

    connect(m_cmdFind, &QPushButton::clicked, this, &frmFind::cmdFind_Click);
    connect(m_cmdNext, &QPushButton::clicked, this, &frmFind::cmdNext_Click);
    connect(m_cmdExit, &QPushButton::clicked, this, &frmFind::cmdExit_Click);

    CaptionLoader::LoadResStrings(this, langOffset);
    setMinimumWidth(360);
    adjustSize();
}

QRadioButton *frmFind::optFindURL(int index) const
{
    switch (index) {
    case 1:
        return m_optTitles;
    case 2:
        return m_optUrls;
    default:
        return nullptr;
    }
}

void frmFind::cmdFind_Click()
{
    find(true);
}

void frmFind::cmdNext_Click()
{
    find(false);
}

void frmFind::find(bool start)
{
    const bool found = m_panel.Find(start, m_optUrls->isChecked(), true, m_txtFindString->text());
    // The focus stays here, so that Escape closes the window and Enter finds again; the hit
    // shows selected in the main window beside it.
    m_lblResult->setText(found ? QString()
                               : RoamStrings::text(NotFoundId + m_langOffset)
                                     .value_or(RoamStrings::text(NotFoundId).value_or(QString())));
}

void frmFind::setLangOffset(qint16 langOffset)
{
    m_langOffset = langOffset;
    CaptionLoader::LoadResStrings(this, langOffset);
    m_lblResult->clear();
}

void frmFind::cmdExit_Click()
{
    hide();
}

void frmFind::reject()
{
    cmdExit_Click();
}
