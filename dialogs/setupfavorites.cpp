#include "setupfavorites.h"

#include "resources/captionloader.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

SetupFavorites::SetupFavorites(qint16 langOffset, QWidget *parent, const QString &startFolder)
    : QDialog(parent)
{
    setObjectName(u"SetupFavorites"_s);
    setProperty(CaptionLoader::TagProperty, u"40"_s);
    setWindowTitle(u"Set up Favorites button"_s);
    setModal(true);

    auto *lblStep = new QLabel(u"Select a favorites folder from the directory list below:"_s, this);
    lblStep->setObjectName(u"lblStep"_s);
    lblStep->setProperty(CaptionLoader::TagProperty, u"41"_s);
    lblStep->setWordWrap(true);

    m_model = new QFileSystemModel(this);
    m_model->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    m_model->setReadOnly(true);
    m_model->setRootPath(QDir::rootPath());

    m_dir = new QTreeView(this);
    m_dir->setObjectName(u"Dir1"_s);
    m_dir->setModel(m_model);
    m_dir->setRootIndex(m_model->index(QDir::rootPath()));
    for (int column = 1; column < m_model->columnCount(); ++column)
        m_dir->hideColumn(column);
    m_dir->setHeaderHidden(true);
    m_dir->setUniformRowHeights(true);
    m_dir->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_dir->header()->setStretchLastSection(false);

    m_text = new QLineEdit(this);
    m_text->setObjectName(u"Text1"_s);
    m_text->setProperty(CaptionLoader::TagProperty, u"42"_s);

    auto *cmdOK = new QPushButton(u"OK"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    cmdOK->setProperty(CaptionLoader::TagProperty, u"44"_s);
    cmdOK->setDefault(true);
    auto *cmdCancel = new QPushButton(u"Cancel"_s, this);
    cmdCancel->setObjectName(u"cmdCancel"_s);
    cmdCancel->setProperty(CaptionLoader::TagProperty, u"43"_s);
    cmdCancel->setAutoDefault(false);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancel);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblStep);
    layout->addWidget(m_dir, 1);
    layout->addWidget(m_text);
    layout->addLayout(buttons);

    connect(m_dir->selectionModel(),
            &QItemSelectionModel::currentChanged,
            this,
            &SetupFavorites::Dir1_Change);
    const auto userTakesOver = [this] {
        m_pendingFolder.clear();
    };
    connect(
        m_model, &QFileSystemModel::directoryLoaded, this, &SetupFavorites::keepShownFolderInView);
    connect(
        m_model, &QAbstractItemModel::layoutChanged, this, &SetupFavorites::keepShownFolderInView);
    connect(
        m_model, &QAbstractItemModel::rowsInserted, this, &SetupFavorites::keepShownFolderInView);
    connect(m_dir, &QTreeView::pressed, this, userTakesOver);
    connect(m_dir->verticalScrollBar(), &QAbstractSlider::actionTriggered, this, userTakesOver);
    connect(cmdOK, &QPushButton::clicked, this, &SetupFavorites::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &SetupFavorites::cmdCancel_Click);
    connect(this, &QDialog::rejected, this, [this] { m_favoritesFolder.clear(); });

    CaptionLoader::LoadFormCaptions(this, langOffset);
    showFolder(startFolder.isEmpty() ? defaultFolder() : startFolder);
    resize(400, 420);
}

QString SetupFavorites::ask(qint16 langOffset, QWidget *parent, const QString &startFolder)
{
    SetupFavorites dialog(langOffset, parent, startFolder);
    dialog.exec();
    return dialog.FavoritesFolder();
}

QString SetupFavorites::defaultFolder()
{
    const QDir home = QDir::home();
    const QString favorites = home.filePath(u"Favorites"_s);
    if (QFileInfo(favorites).isDir())
        return QDir::toNativeSeparators(favorites);
    return QDir::toNativeSeparators(home.absolutePath());
}

QString SetupFavorites::shownFolder() const
{
    return QDir::toNativeSeparators(m_model->filePath(m_dir->currentIndex()));
}

void SetupFavorites::showFolder(const QString &folder)
{
    const QModelIndex index = m_model->index(QDir::fromNativeSeparators(folder));
    if (!index.isValid())
        return;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent())
        m_dir->expand(parent);
    m_dir->expand(index);
    m_dir->setCurrentIndex(index);
    m_dir->scrollTo(index, QAbstractItemView::PositionAtCenter);
    m_pendingFolder = m_model->filePath(index);
    Dir1_Change();
}

// The model reads and sorts folders in the background: the shown folder moves while the
// folders around it fill in, so it is brought back into view until the user takes over.
void SetupFavorites::keepShownFolderInView()
{
    if (m_pendingFolder.isEmpty())
        return;
    if (m_model->filePath(m_dir->currentIndex()) != m_pendingFolder) {
        m_pendingFolder.clear();
        return;
    }
    QTimer::singleShot(0, this, [this] {
        if (!m_pendingFolder.isEmpty())
            m_dir->scrollTo(m_dir->currentIndex(), QAbstractItemView::PositionAtCenter);
    });
}

void SetupFavorites::Dir1_Change()
{
    const QModelIndex current = m_dir->currentIndex();
    if (current.isValid())
        m_text->setText(QDir::toNativeSeparators(m_model->filePath(current)));
}

void SetupFavorites::cmdOK_Click()
{
    m_favoritesFolder = m_text->text();
    accept();
}

void SetupFavorites::cmdCancel_Click()
{
    m_favoritesFolder.clear();
    reject();
}
