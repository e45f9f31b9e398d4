#include "favoritesbar.h"

#include "navigationrecorder.h"
#include "resources/captionloader.h"
#include "wordhelpers.h"

#include "dialogs/favoriteshortcut.h"
#include "dialogs/setupfavorites.h"
#include "resources/roamicons.h"
#include "resources/roamstrings.h"
#include "roamsettings.h"
#include "roamstore.h"

#include <QAction>
#include <QDir>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>

using namespace Qt::StringLiterals;

namespace {

const QString unboundTag = u"Favorites"_s;
// Marks a favorites button whose tooltip the panel wrote from its folder.
constexpr char ShownTipProperty[] = "ShownTip";

enum TextId {
    FavoritesFailedId = 115,
    PauseTipId = 119,
    ResumeTipId = 120,
    FavoritesTipId = 121,
    AddToId = 122,
    AddedToFavoritesId = 128,
    ChangeFolderId = 142,
};

QString tagOf(const QObject *object)
{
    return object->property(CaptionLoader::TagProperty).toString();
}

// "Add to " (or @p prefix) and the folder's last path component, the whole path when it has
// none.
QString favoritesTip(const QString &folder, const QString &prefix = u"Add to "_s)
{
    QString rest;
    QString last = WordHelpers::CutLastWord(folder, rest, QString(QDir::separator()));
    if (last.isEmpty())
        last = folder;
    return prefix + last;
}

} // namespace

FavoritesBar::FavoritesBar(RoamSettings &settings,
                           RoamStore &store,
                           NavigationRecorder &recorder,
                           QWidget *panel)
    : QToolBar(panel)
    , m_settings(settings)
    , m_store(store)
    , m_recorder(recorder)
{
    setObjectName(u"Toolbar1"_s);
    setMovable(false);
    setFloatable(false);
    setIconSize(QSize(20, 20));
    setContextMenuPolicy(Qt::PreventContextMenu);
    static const QString tags[] = {u"Pause"_s, u"Play"_s};
    static const QString tips[] = {u"Pause"_s, u"Record"_s};
    for (int index = 1; index <= ButtonCount; ++index) {
        const bool favorites = index >= FirstFavoritesButton;
        const QString tip = favorites ? u"Favorites"_s : tips[index - 1];
        QAction *button = addAction(RoamIcons::toolbarImage(index), tip);
        button->setObjectName(u"Toolbar1Button"_s + QString::number(index));
        button->setToolTip(tip);
        button->setProperty(CaptionLoader::KeyProperty,
                            QString(u"\""_s + QString::number(71 + index) + u"\""_s));
        CaptionLoader::setTag(button, favorites ? u"Favorites"_s : tags[index - 1]);
        // Pause and Record are never enabled together, so they share one key that toggles.
        button->setShortcut(
            favorites ? QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + index - FirstFavoritesButton))
                      : QKeySequence(Qt::CTRL | Qt::Key_P));
        m_buttons.append(button);
        if (QWidget *widget = widgetForAction(button))
            widget->installEventFilter(this);
    }
    installEventFilter(this);
    connect(this, &QToolBar::actionTriggered, this, &FavoritesBar::Toolbar1_ButtonClick);

    m_mnuToolTip = new QMenu(panel);
    m_mnuToolTip->setObjectName(u"mnuToolTip"_s);
    QAction *changeFolder = m_mnuToolTip->addAction(QString::number(ChangeFolderId));
    changeFolder->setObjectName(u"mnuChangefolder"_s);
    connect(changeFolder, &QAction::triggered, this, &FavoritesBar::mnuChangefolder_Click);
}

QAction *FavoritesBar::Button(int index) const
{
    return index >= 1 && index <= int(m_buttons.size()) ? m_buttons.at(index - 1) : nullptr;
}

void FavoritesBar::LoadSettings()
{
    for (int index = FirstFavoritesButton; index <= int(m_buttons.size()); ++index) {
        const QString value = m_settings.toolBar(index);
        if (value.isEmpty())
            continue;
        QString tip;
        QString tag = WordHelpers::CutFirstWord(value, tip, u","_s);
        // A folder whose path holds a comma: the binding splits where the rest is the tooltip
        // that the binding made from the folder.
        const QString trimmed = value.trimmed();
        for (qsizetype comma = trimmed.indexOf(u','); comma >= 0;
             comma = trimmed.indexOf(u',', comma + 1)) {
            const QString folder = trimmed.left(comma);
            const QString rest = trimmed.mid(comma + 1).trimmed();
            if (rest == favoritesTip(folder)) {
                tag = folder;
                tip = rest;
                break;
            }
        }
        QAction *button = m_buttons.at(index - 1);
        CaptionLoader::setTag(button, tag);
        button->setToolTip(tip);
    }
}

void FavoritesBar::LoadTexts(qint16 langOffset)
{
    m_langOffset = langOffset;
    const auto load = [langOffset](int id, const QString &fallback) {
        return RoamStrings::text(id + langOffset).value_or(fallback);
    };
    const QString key = u" ("_s + m_buttons.at(0)->shortcut().toString(QKeySequence::NativeText)
                        + u')';
    m_buttons.at(0)->setToolTip(load(PauseTipId, u"Pause"_s) + key);
    m_buttons.at(1)->setToolTip(load(ResumeTipId, u"Record"_s) + key);
    // The stored tooltip of a bound button stays English (the setting is matched by it); the
    // one shown names the folder in the panel's language.
    for (int index = FirstFavoritesButton; index <= int(m_buttons.size()); ++index) {
        QAction *button = m_buttons.at(index - 1);
        const QString folder = tagOf(button);
        if (folder == unboundTag) {
            button->setToolTip(load(FavoritesTipId, u"Favorites"_s));
        } else if (button->toolTip() == favoritesTip(folder)
                   || button->property(ShownTipProperty).toBool()) {
            button->setToolTip(favoritesTip(folder, load(AddToId, u"Add to "_s)));
            button->setProperty(ShownTipProperty, true);
        }
    }
}

QString FavoritesBar::text(int id) const
{
    return RoamStrings::text(id, m_langOffset);
}

bool FavoritesBar::eventFilter(QObject *watched, QEvent *event)
{
    const auto *mouse = dynamic_cast<QMouseEvent *>(event);
    if (mouse && event->type() == QEvent::MouseButtonPress
        && (watched == this || watched->parent() == this))
        Toolbar1_MouseDown(mouse->button(), mouse->globalPosition().toPoint());
    return QToolBar::eventFilter(watched, event);
}

void FavoritesBar::Toolbar1_ButtonClick(QAction *button)
{
    const int index = int(m_buttons.indexOf(button)) + 1;
    if (index <= 0)
        return;
    if (index >= FirstFavoritesButton) {
        favoritesClick(index, button);
        return;
    }
    const QString tag = tagOf(button);
    if (m_store.ReadOnly())
        return;
    if (tag == u"Play"_s) {
        m_recorder.SetRecording(true);
        m_buttons.at(0)->setEnabled(true);
        m_buttons.at(1)->setEnabled(false);
        // The page shown now starts a visit from this moment.
        emit GetURL();
        emit GetTitle();
    } else if (tag == u"Pause"_s) {
        m_recorder.SetRecording(false);
        m_buttons.at(0)->setEnabled(false);
        m_buttons.at(1)->setEnabled(true);
    }
    emit recordingSwitched();
}

void FavoritesBar::favoritesClick(int index, QAction *button)
{
    if (tagOf(button) == unboundTag || m_resetFavorites) {
        m_favoritesFolder.clear();
        m_favoritesFolder = m_folderAsker ? m_folderAsker(index)
                                          : SetupFavorites::ask(m_langOffset, parentWidget());
        if (!m_favoritesFolder.isEmpty()) {
            const QString folder = QDir::toNativeSeparators(QDir::cleanPath(m_favoritesFolder));
            const QString tip = favoritesTip(folder);
            CaptionLoader::setTag(button, folder);
            button->setToolTip(tip);
            m_settings.setToolBar(index, folder + u',' + tip);
            LoadTexts(m_langOffset);
        }
        m_resetFavorites = false;
    }
    const QString folder = tagOf(button);
    // An unbound button whose dialog was cancelled has nowhere to write to.
    if (folder == unboundTag)
        return;

    emit GetTitle();
    emit GetURL();

    QString url;
    QString title;
    if (m_recorder.OffRecord()) {
        url = m_recorder.OffRecordUrl();
        title = m_recorder.OffRecordTitle();
    } else {
        if (m_recorder.CurrentUrl().isEmpty())
            return;
        url = m_recorder.CurrentRawUrl();
        if (url.isEmpty())
            url = m_recorder.CurrentUrl();
        title = m_recorder.CurrentTitle();
    }
    QString error;
    if (!FavoriteShortcut::write(url, title, folder, &error).isEmpty())
        emit messageRaised(QMessageBox::Information, title + text(AddedToFavoritesId));
    else
        emit messageRaised(QMessageBox::Warning, title + text(FavoritesFailedId) + error);
}

void FavoritesBar::Toolbar1_MouseDown(Qt::MouseButtons Button, const QPoint &globalPos)
{
    if (Button & Qt::RightButton)
        m_mnuToolTip->popup(globalPos);
}

void FavoritesBar::mnuChangefolder_Click()
{
    m_resetFavorites = true;
}
