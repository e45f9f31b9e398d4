#include "panelstatusbar.h"

#include "resources/biditext.h"
#include "resources/roamstrings.h"
#include "roamstore.h"
#include "savestatepanel.h"

#include <QDir>
#include <QLabel>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

enum StatusText {
    RecordingPausedId = 123,
    UnreadableFilesId = 129,
};

} // namespace

PanelStatusBar::PanelStatusBar(QWidget *parent)
    : QStatusBar(parent)
{
    setObjectName(u"sbrDB"_s);
    setSizeGripEnabled(false);
    m_statusPanel = new QLabel(this);
    m_statusPanel->setObjectName(u"sbrDBPanel1"_s);
    m_statusPanel->setTextFormat(Qt::PlainText);
    m_statusPanel->setMinimumWidth(1);
    addWidget(m_statusPanel, 1);
    m_unreadablePanel = new QLabel(this);
    m_unreadablePanel->setObjectName(u"sbrDBUnreadable"_s);
    m_unreadablePanel->setTextFormat(Qt::PlainText);
    addPermanentWidget(m_unreadablePanel);
    m_unreadablePanel->hide();
    m_pausedPanel = new QLabel(this);
    m_pausedPanel->setObjectName(u"sbrDBPaused"_s);
    m_pausedPanel->setTextFormat(Qt::PlainText);
    addPermanentWidget(m_pausedPanel);
    m_pausedPanel->hide();
    m_saveStatePanel = new SaveStatePanel(this);
    addPermanentWidget(m_saveStatePanel);
}

QString PanelStatusBar::Text() const
{
    return m_statusPanel->text();
}

void PanelStatusBar::SetText(const QString &text, Qt::LayoutDirection direction)
{
    m_statusPanel->setText(BidiText::forDirection(text, direction));
}

void PanelStatusBar::LoadTexts(qint16 langOffset)
{
    m_pausedPanel->setText(
        RoamStrings::text(RecordingPausedId + langOffset).value_or(m_pausedPanel->text()));
    // A status text that opens with a left-to-right run (an isolated URL) would otherwise align
    // as English text does, away from the Hebrew side.
    m_statusPanel->setAlignment(
        Qt::AlignAbsolute | Qt::AlignVCenter
        | (langOffset == RoamStrings::HebrewOffset ? Qt::AlignRight : Qt::AlignLeft));
}

void PanelStatusBar::ShowPaused(bool paused, qint16 langOffset)
{
    m_pausedPanel->setText(RoamStrings::text(RecordingPausedId, langOffset));
    m_pausedPanel->setVisible(paused);
}

void PanelStatusBar::ShowUnreadableCount(const RoamStore &store,
                                         qint16 langOffset,
                                         Qt::LayoutDirection direction)
{
    // A partly readable file counts too: part of it is not in the record.
    const qsizetype count = store.unreadableFiles().size() + store.damagedFiles().size();
    if (count == 0) {
        m_unreadablePanel->hide();
        return;
    }
    m_unreadablePanel->setText(BidiText::forDirection(
        RoamStrings::text(UnreadableFilesId, langOffset) + QString::number(count), direction));
    m_unreadablePanel->setToolTip(QDir::toNativeSeparators(store.dataFolder()));
    m_unreadablePanel->show();
}

void PanelStatusBar::RefreshSaveState(const RoamStore &store, qint16 langOffset)
{
    m_saveStatePanel->Refresh(store, langOffset);
}

QString PanelStatusBar::ReportReadOnly(const RoamStore &store, qint16 langOffset)
{
    const QString text = SaveStatePanel::readOnlyText(store, langOffset);
    m_saveStatePanel->Refresh(store, langOffset);
    std::fprintf(stderr, "Roamlog: %s\n", qUtf8Printable(text));
    return text;
}
