#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class OutlineBuilder;
class OutlineNode;
class OutlineTree;
class RoamStore;

/// The panel's Delete command: after asking, deletes what the selected node of the outline
/// stands for, a site with its file, or a browsing session with its visits in every site.
/// Memory and tree change at once; the changed site files are written as one batch on a
/// thread of its own while the window keeps painting, the user's input and the browser's
/// messages waiting meanwhile. A second Delete while one runs is refused.
class DeleteCommands final : public QObject
{
    Q_OBJECT

public:
    /// What the panel lends the command.
    struct Hooks
    {
        /// Asks @p question with Yes and No, No the default; true for Yes.
        std::function<bool(const QString &question)> confirm;
        /// Forgets the kept text of the pages at these URLs.
        std::function<void(const QStringList &urls)> forgetPageText;
        /// Builds the outline showing again from the records.
        std::function<void()> rebuild;
    };

    /// @p store, @p tree and @p builder must outlive the command. @p changingTree is held true
    /// while the command changes the tree, so that the panel takes no change for the user's.
    DeleteCommands(RoamStore &store,
                   OutlineTree &tree,
                   OutlineBuilder &builder,
                   bool &changingTree,
                   Hooks hooks,
                   QObject *parent = nullptr);

    /// Deletes the site or session of the selected node once @p siteQuestion or
    /// @p sessionQuestion is answered Yes. Nothing happens for other nodes, on a read-only
    /// store (another Roamlog's folder: the files would stay) or while a delete runs. When the
    /// records could not all be deleted or written, the outline is built again from them;
    /// what could not be written stays unsaved in the store, which writes it again later.
    void DeleteSelected(const QString &siteQuestion, const QString &sessionQuestion);

    /// Whether a delete is running (its files being written).
    bool Running() const { return m_running; }

signals:
    /// The site at @p url is about to be deleted.
    void siteChosen(const QString &url);
    /// A delete began (@p running true) or ended.
    void runningChanged(bool running);

private:
    bool deleteSite(OutlineNode *node);
    bool deleteSession(OutlineNode *node);
    void removeNode(OutlineNode *node);

    RoamStore &m_store;
    OutlineTree &m_tree;
    OutlineBuilder &m_builder;
    bool &m_changingTree;
    Hooks m_hooks;
    bool m_running = false;
};
