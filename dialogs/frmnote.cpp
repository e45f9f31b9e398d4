#include "frmnote.h"

#include "resources/biditext.h"

#include "model/roamstore.h"
#include "resources/captionloader.h"
#include "sitefiledialog.h"
#include "taggedwidgets.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

frmNote::frmNote(RoamStore &store, qint16 langOffset, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
{
    setObjectName(u"frmNote"_s);
    setProperty(CaptionLoader::TagProperty, u"20"_s);
    setWindowTitle(u"Note"_s);
    setModal(true);

    m_url = new QLineEdit(this);
    m_url->setObjectName(u"txtFields0"_s);
    m_title = new QLineEdit(this);
    m_title->setObjectName(u"txtFields1"_s);
    m_visited = new QCheckBox(this);
    m_visited->setObjectName(u"chkFields2"_s);
    m_note = new QPlainTextEdit(this);
    m_note->setObjectName(u"txtFields3"_s);
    m_note->setTabChangesFocus(true);

    auto *fields = new QGridLayout;
    fields->addWidget(TaggedWidgets::label(u"URL:"_s, u"21"_s, this), 0, 0);
    fields->addWidget(m_url, 0, 1);
    fields->addWidget(TaggedWidgets::label(u"Title"_s, u"22"_s, this), 1, 0);
    fields->addWidget(m_title, 1, 1);
    fields->addWidget(TaggedWidgets::label(u"Visited:"_s, u"23"_s, this), 2, 0);
    fields->addWidget(m_visited, 2, 1, Qt::AlignLeading | Qt::AlignVCenter);
    fields->addWidget(TaggedWidgets::label(u"Note:"_s, u"24"_s, this), 3, 0, Qt::AlignTop);
    fields->addWidget(m_note, 3, 1);
    fields->setRowStretch(3, 1);
    fields->setColumnStretch(1, 1);

    auto *picButtons = new QWidget(this);
    picButtons->setObjectName(u"picButtons"_s);
    auto *cmdUpdate = TaggedWidgets::button(u"cmdUpdate"_s, u"&Update"_s, u"25"_s, picButtons);
    auto *cmdClose = TaggedWidgets::button(u"cmdClose"_s, u"&Close"_s, u"26"_s, picButtons);
    auto *buttons = new QHBoxLayout(picButtons);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->addStretch();
    buttons->addWidget(cmdUpdate);
    buttons->addWidget(cmdClose);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addWidget(picButtons);

    connect(cmdUpdate, &QPushButton::clicked, this, &frmNote::cmdUpdate_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmNote::cmdClose_Click);

    CaptionLoader::LoadFormCaptions(this, langOffset);
    m_visited->setChecked(m_store.NoteVisited);
    // The URL reads decoded and left to right in both languages; the record keeps its own.
    m_url->setLayoutDirection(Qt::LeftToRight);
    m_shownUrl = BidiText::readableUrl(m_store.NoteURL);
    m_exactUrl = m_store.NoteURL;
    m_url->setText(m_shownUrl);
    m_url->setCursorPosition(0);
    m_title->setText(m_store.NoteTitle);
    m_title->setCursorPosition(0);
    m_note->setPlainText(m_store.NoteText);
    resize(420, 260);
}

bool frmNote::run(RoamStore &store, const QString &selectedUrl, qint16 langOffset, QWidget *parent)
{
    return runSiteFileDialog<frmNote>(store, selectedUrl, langOffset, parent);
}

void frmNote::cmdUpdate_Click()
{
    m_store.NoteURL = m_url->text() == m_shownUrl ? m_exactUrl : m_url->text();
    m_store.NoteTitle = m_title->text();
    m_store.NoteText = m_note->toPlainText();
    m_store.NoteVisited = m_visited->checkState() != Qt::Unchecked;
}

void frmNote::cmdClose_Click()
{
    close();
}
