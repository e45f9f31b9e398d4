#pragma once

#include <QDialog>
#include <QString>

class QFileSystemModel;
class QLineEdit;
class QTreeView;
class QWidget;

/// The favorites folder dialog: a tree of folders and an editable path field. OK gives the
/// path in the field as `FavoritesFolder`; Cancel or the close box gives an empty one.
///
/// Object names: "lblStep", "Dir1" (QTreeView of folders), "Text1", "cmdOK", "cmdCancel".
class SetupFavorites final : public QDialog
{
    Q_OBJECT
public:
    /// Captions in the language `langOffset` (0 or 500); shows `startFolder`, or
    /// `defaultFolder()` when it is empty.
    explicit SetupFavorites(qint16 langOffset,
                            QWidget *parent = nullptr,
                            const QString &startFolder = {});

    /// Shows the dialog modally and returns the chosen folder, empty when cancelled.
    static QString ask(qint16 langOffset, QWidget *parent, const QString &startFolder = {});

    /// The "Favorites" folder in the home directory when it exists, otherwise the home
    /// directory.
    static QString defaultFolder();

    /// The result: the path confirmed with OK; empty until then and after Cancel.
    QString FavoritesFolder() const { return m_favoritesFolder; }

    /// The folder the tree shows as current.
    QString shownFolder() const;

private:
    void showFolder(const QString &folder);
    void keepShownFolderInView();
    void Dir1_Change();
    void cmdOK_Click();
    void cmdCancel_Click();

    QFileSystemModel *m_model = nullptr;
    QTreeView *m_dir = nullptr;
    QLineEdit *m_text = nullptr;
    QString m_favoritesFolder;
    QString m_pendingFolder;
};
