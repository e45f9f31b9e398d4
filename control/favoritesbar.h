#pragma once

#include <QList>
#include <QMessageBox>
#include <QString>
#include <QToolBar>

#include <functional>

class NavigationRecorder;
class QAction;
class QMenu;
class RoamSettings;
class RoamStore;

/// The panel's toolbar `Toolbar1`: Pause and Record, then seven favorites buttons that each add
/// the browser's current page to their own folder as an Internet shortcut. A right click on
/// the toolbar offers "Change folder" (`mnuToolTip`), which makes the next favorites click ask
/// for its folder again.
class FavoritesBar final : public QToolBar
{
    Q_OBJECT

public:
    static constexpr int ButtonCount = 9;
    static constexpr int FirstFavoritesButton = 3;

    /// Asks for the folder of favorites button @p index; an empty text when the user cancels.
    using FolderAsker = std::function<QString(int index)>;

    /// The toolbar of @p panel, whose settings and record it changes; its "Change folder"
    /// menu belongs to the panel, so that the panel's captions reach it.
    FavoritesBar(RoamSettings &settings,
                 RoamStore &store,
                 NavigationRecorder &recorder,
                 QWidget *panel);

    /// Button @p index, 1 (Pause) to 9; nullptr outside.
    QAction *Button(int index) const;
    QMenu *mnuToolTip() const { return m_mnuToolTip; }
    bool ResetFavorites() const { return m_resetFavorites; }
    void SetResetFavorites(bool reset) { m_resetFavorites = reset; }
    /// Replaces the `SetupFavorites` dialog that asks for a folder.
    void SetFolderAsker(FolderAsker asker) { m_folderAsker = std::move(asker); }

    /// Binds the favorites buttons to the folders stored under ToolBar/3 to ToolBar/9.
    void LoadSettings();
    /// The tooltips in the language of @p langOffset, with the Pause/Record key.
    void LoadTexts(qint16 langOffset);

signals:
    /// The user paused or resumed the recording.
    void recordingSwitched();
    /// The host is to write the current page's title into the panel.
    void GetTitle();
    /// The host is to write the current page's URL into the panel.
    void GetURL();
    /// A message for the user: a shortcut written, or why not.
    void messageRaised(QMessageBox::Icon icon, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Toolbar1_ButtonClick(QAction *button);
    void favoritesClick(int index, QAction *button);
    void Toolbar1_MouseDown(Qt::MouseButtons Button, const QPoint &globalPos);
    void mnuChangefolder_Click();
    QString text(int id) const;

    RoamSettings &m_settings;
    RoamStore &m_store;
    NavigationRecorder &m_recorder;
    FolderAsker m_folderAsker;
    QList<QAction *> m_buttons;
    QMenu *m_mnuToolTip = nullptr;
    QString m_favoritesFolder;
    qint16 m_langOffset = 0;
    bool m_resetFavorites = false;
};
