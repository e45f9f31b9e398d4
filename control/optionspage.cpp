#include "optionspage.h"

#include "navigationrecorder.h"
#include "pagetextpanel.h"
#include "resources/captionloader.h"

#include "neverrecordrules.h"
#include "resources/roamicons.h"
#include "resources/roamstrings.h"
#include "roamsettings.h"
#include "views/outlinebuilder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum TextId {
    NeverRecordFrameId = 111,
    NeverRecordHintId = 112,
    NeverRecordAddId = 113,
    NeverRecordRemoveId = 114,
    BrowserFrameId = 132,
    TreeViewFrameId = 133,
    NeverQuitId = 134,
};

} // namespace

OptionsPage::OptionsPage(RoamSettings &settings,
                         NavigationRecorder &recorder,
                         OutlineBuilder &builder,
                         QWidget *panel)
    : QScrollArea(panel)
    , m_settings(settings)
    , m_recorder(recorder)
    , m_builder(builder)
{
    setObjectName(u"OptionsScroll"_s);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_page = new QWidget(this);
    m_page->setObjectName(u"OptionsPage"_s);
    m_page->setAutoFillBackground(true);
    setWidget(m_page);
    auto *page = new QVBoxLayout(m_page);
    page->setContentsMargins(4, 4, 4, 4);

    m_frame3 = new QGroupBox(RoamStrings::BrowserFrameText.toString(), m_page);
    m_frame3->setObjectName(u"Frame3"_s);
    CaptionLoader::setTag(m_frame3, QString::number(BrowserFrameId));
    auto *quitBox = new QVBoxLayout(m_frame3);
    auto *quitGroup = new QButtonGroup(m_frame3);
    const QStringView quitTexts[] = {
        RoamStrings::NeverQuitText, RoamStrings::AlwaysQuitText, RoamStrings::AskText};
    for (int i = 0; i < 3; ++i) {
        auto *option = new QRadioButton(quitTexts[i].toString(), m_frame3);
        option->setObjectName(u"Option1_"_s + QString::number(i));
        CaptionLoader::setTag(option, QString::number(NeverQuitId + i));
        quitGroup->addButton(option, i);
        quitBox->addWidget(option);
        m_option1.append(option);
    }
    connect(quitGroup, &QButtonGroup::idClicked, this, &OptionsPage::Option1_Click);

    m_frame1 = new QGroupBox(RoamStrings::TreeViewFrameText.toString(), m_page);
    m_frame1->setObjectName(u"Frame1"_s);
    CaptionLoader::setTag(m_frame1, QString::number(TreeViewFrameId));
    auto *treeBox = new QVBoxLayout(m_frame1);
    auto *treeGroup = new QButtonGroup(m_frame1);
    const QStringView treeTexts[] = {RoamStrings::DescriptionInTreeText,
                                     RoamStrings::UrlsInTreeText};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(treeTexts[i].toString(), m_frame1);
        option->setObjectName(u"UrlOrDesc_"_s + QString::number(i));
        CaptionLoader::setTag(option, QString::number(NeverQuitId + 4 + i));
        treeGroup->addButton(option, i);
        treeBox->addWidget(option);
        m_urlOrDesc.append(option);
    }
    connect(treeGroup, &QButtonGroup::idClicked, this, &OptionsPage::UrlOrDesc_Click);

    m_frame2 = new QGroupBox(RoamStrings::RoamlogFrameText.toString(), m_page);
    m_frame2->setObjectName(u"Frame2"_s);
    auto *roamlogBox = new QGridLayout(m_frame2);
    m_ckAlwayesOnTop = new QCheckBox(RoamStrings::StayOnTopText.toString(), m_frame2);
    m_ckAlwayesOnTop->setObjectName(u"ckAlwayesOnTop"_s);
    CaptionLoader::setTag(m_ckAlwayesOnTop, QString::number(NeverQuitId + 3));
    m_language = new QCheckBox(RoamStrings::HebrewText.toString(), m_frame2);
    m_language->setObjectName(u"Language"_s);
    CaptionLoader::setTag(m_language, QString::number(NeverQuitId + 6));
    m_picture1 = new QLabel(m_frame2);
    m_picture1->setObjectName(u"Picture1"_s);
    m_picture1->setPixmap(RoamIcons::appIcon().pixmap(QSize(40, 40)));
    roamlogBox->addWidget(m_ckAlwayesOnTop, 0, 0);
    roamlogBox->addWidget(m_language, 1, 0);
    roamlogBox->addWidget(m_picture1, 0, 1, 2, 1, Qt::AlignCenter);
    roamlogBox->setColumnStretch(0, 1);
    connect(m_ckAlwayesOnTop, &QCheckBox::clicked, this, &OptionsPage::ckAlwayesOnTop_Click);
    connect(m_language, &QCheckBox::clicked, this, &OptionsPage::Language_Click);

    page->addWidget(m_frame3);
    page->addWidget(m_frame1);
    page->addWidget(m_frame2);
    createNeverRecordFrame();
    page->addWidget(m_neverFrame, 1);
    m_pageText = new PageTextPanel(m_settings, m_page);
    page->addWidget(m_pageText->frame());
}

void OptionsPage::createNeverRecordFrame()
{
    m_neverFrame = new QGroupBox(u"Never record"_s, m_page);
    m_neverFrame->setObjectName(u"NeverRecordFrame"_s);
    CaptionLoader::setTag(m_neverFrame, QString::number(NeverRecordFrameId));
    auto *box = new QGridLayout(m_neverFrame);
    m_neverList = new QListWidget(m_neverFrame);
    m_neverList->setObjectName(u"NeverRecordList"_s);
    m_neverList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_neverEdit = new QLineEdit(m_neverFrame);
    m_neverEdit->setObjectName(u"NeverRecordEdit"_s);
    m_neverEdit->setPlaceholderText(u"Host name or URL prefix"_s);
    m_neverAdd = new QPushButton(u"Add"_s, m_neverFrame);
    m_neverAdd->setObjectName(u"NeverRecordAdd"_s);
    CaptionLoader::setTag(m_neverAdd, QString::number(NeverRecordAddId));
    m_neverAdd->setAutoDefault(false);
    m_neverRemove = new QPushButton(u"Remove"_s, m_neverFrame);
    m_neverRemove->setObjectName(u"NeverRecordRemove"_s);
    CaptionLoader::setTag(m_neverRemove, QString::number(NeverRecordRemoveId));
    m_neverRemove->setAutoDefault(false);
    box->addWidget(m_neverList, 0, 0, 1, 2);
    box->addWidget(m_neverEdit, 1, 0, 1, 2);
    box->addWidget(m_neverAdd, 2, 0);
    box->addWidget(m_neverRemove, 2, 1);
    box->setRowStretch(0, 1);
    connect(m_neverAdd, &QPushButton::clicked, this, &OptionsPage::neverRecordAdd);
    connect(m_neverEdit, &QLineEdit::returnPressed, this, &OptionsPage::neverRecordAdd);
    connect(m_neverRemove, &QPushButton::clicked, this, &OptionsPage::neverRecordRemove);
}

void OptionsPage::LoadSettings()
{
    m_ckAlwayesOnTop->setChecked(m_settings.onTop());

    const int quit = m_settings.quit();
    m_quitMode = qint16(quit >= 0 && quit < int(m_option1.size()) ? quit : 2);
    m_option1.at(m_quitMode)->setChecked(true);

    const int choice = m_settings.urlOrDesc();
    m_urlOrDescChoice = qint16(choice == 1 ? 1 : 0);
    m_urlOrDesc.at(m_urlOrDescChoice)->setChecked(true);
    UrlOrDesc_Click(m_urlOrDescChoice);

    const QStringList rules = m_settings.neverRecord();
    m_neverList->clear();
    m_neverList->addItems(rules);
    m_recorder.SetNeverRecordRules(NeverRecordRules(rules));
}

void OptionsPage::LoadTexts(qint16 langOffset)
{
    m_neverEdit->setPlaceholderText(
        RoamStrings::text(NeverRecordHintId + langOffset).value_or(m_neverEdit->placeholderText()));
}

void OptionsPage::ShowPage(bool visible)
{
    setVisible(visible);
    m_page->setVisible(visible);
    for (QWidget *control : {static_cast<QWidget *>(m_frame1),
                             static_cast<QWidget *>(m_frame2),
                             static_cast<QWidget *>(m_frame3),
                             static_cast<QWidget *>(m_ckAlwayesOnTop),
                             static_cast<QWidget *>(m_picture1),
                             static_cast<QWidget *>(m_language)})
        control->setVisible(visible);
    for (QRadioButton *option : std::as_const(m_urlOrDesc))
        option->setVisible(visible);
    for (QRadioButton *option : std::as_const(m_option1))
        option->setVisible(visible);
}

bool OptionsPage::OnTopChecked() const
{
    return m_ckAlwayesOnTop->isChecked();
}

void OptionsPage::SetHebrewChecked(bool checked)
{
    m_language->setChecked(checked);
}

void OptionsPage::ckAlwayesOnTop_Click()
{
    const bool checked = m_ckAlwayesOnTop->isChecked();
    if (checked)
        emit OnTop();
    else
        emit NotOnTop();
    m_settings.setOnTop(checked);
}

void OptionsPage::Language_Click()
{
    const qint16 offset = qint16(m_language->isChecked() ? RoamStrings::HebrewOffset : 0);
    m_settings.setLang(offset);
    emit languageChosen(offset);
}

void OptionsPage::Option1_Click(int Index)
{
    m_settings.setQuit(Index);
    m_quitMode = qint16(Index);
}

void OptionsPage::UrlOrDesc_Click(int Index)
{
    m_settings.setUrlOrDesc(Index);
    if (Index >= 0 && Index < int(m_urlOrDesc.size()))
        m_urlOrDesc.at(Index)->setChecked(true);
    m_urlOrDescChoice = qint16(Index);
    m_builder.SetUrlOrDescChoice(Index);
}

void OptionsPage::neverRecordAdd()
{
    const QString rule = m_neverEdit->text().trimmed();
    if (rule.isEmpty())
        return;
    if (m_neverList->findItems(rule, Qt::MatchFixedString).isEmpty())
        m_neverList->addItem(rule);
    m_neverEdit->clear();
    neverRecordChanged();
}

void OptionsPage::neverRecordRemove()
{
    const int row = m_neverList->currentRow();
    if (row < 0)
        return;
    delete m_neverList->takeItem(row);
    neverRecordChanged();
}

void OptionsPage::neverRecordChanged()
{
    QStringList rules;
    for (int row = 0; row < m_neverList->count(); ++row)
        rules.append(m_neverList->item(row)->text());
    m_settings.setNeverRecord(rules);
    m_recorder.SetNeverRecordRules(NeverRecordRules(rules));
}
