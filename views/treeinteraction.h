#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

#include "ctreenode.h"

class Clock;
class OutlineBuilder;
class OutlineNode;
class OutlineTree;
class QAction;
class QKeyEvent;
class QMenu;
class RoamSettings;
class RoamStore;

/// What the user does with the outline tree: a click shows the node's URL or title in the status
/// bar and takes a site as the selected one, a double click or Enter goes to the site, a right
/// click (or the menu key, or Shift+F10) opens the popup menu `mnuRoamPane`, and a site the user
/// expands sorts its visits. The menu's commands other than delete are run here; delete is
/// handed back to the panel.
class TreeInteraction final : public QObject
{
    Q_OBJECT

public:
    /// The tree of @p panel, whose popup menu becomes the panel's child so that the panel's
    /// captions reach it. @p changingTree is the panel's flag that marks the tree's changes as
    /// its own; @p selectedUrl the panel's URL that `NavTo` and the dialogs act on.
    TreeInteraction(OutlineTree &tree,
                    OutlineBuilder &builder,
                    RoamStore &store,
                    RoamSettings &settings,
                    Clock &clock,
                    bool &changingTree,
                    QString &selectedUrl,
                    QWidget *panel);

    QMenu *mnuRoamPane() const { return m_mnuRoamPane; }
    /// True between a press of the right mouse button on the tree and its release.
    bool RightButtonDown() const { return m_rightButtonDown; }
    /// "Stay on top" as loaded at start: the dialogs then take the host window off the top.
    void SetStayOnTop(bool stayOnTop) { m_stayOnTop = stayOnTop; }
    /// Selects, expands and shows the next node that holds @p txt (see QueryBuilder::FindNext);
    /// when there is none, no node stays selected and the answer is false.
    bool Find(bool fromStart, bool searchUrls, bool urlsShown, const QString &txt);

signals:
    void NavTo();
    void FindIt();
    void GetHelp();
    void AboutBox();
    void NotOnTop();
    void OnTop();
    /// Delete was chosen, by menu or key, for the selected node.
    void deleteRequested();
    /// A node was clicked; @p key is its key (empty for a node without one).
    void nodeClicked(const QString &key);
    void statusText(const QString &text);
    void messageRaised(QMessageBox::Icon icon, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void TreeView1_MouseDown(Qt::MouseButtons Button, const QPoint &pos);
    void TreeView1_MouseUp(const QPoint &pos, const QPoint &globalPos);
    void TreeView1_NodeClick(OutlineNode *Node, const QPoint &globalPos);
    void TreeView1_DblClick();
    void TreeView1_Expand(OutlineNode *Node);
    bool treeKeyPress(QKeyEvent *event);
    void enableSiteItems(OutlineNode *node, bool rightButton);
    void showPopup(OutlineNode *node, const QPoint &globalPos);
    CTreeNodePtr selectedRecord() const;
    void mnuGoTo_Click();
    void mnuEditNote_Click();
    void mnuProperties_Click();
    void mnuOutlook_Click();
    void mnuAbout_Click();
    qint16 langOffset() const;

    OutlineTree &m_tree;
    OutlineBuilder &m_builder;
    RoamStore &m_store;
    RoamSettings &m_settings;
    Clock &m_clock;
    bool &m_changingTree;
    QString &m_selectedUrl;
    QWidget *m_panel;
    QMenu *m_mnuRoamPane = nullptr;
    QAction *m_mnuGoTo = nullptr;
    QAction *m_mnuDelete = nullptr;
    QAction *m_mnuEditNote = nullptr;
    QAction *m_mnuProperties = nullptr;
    QAction *m_mnuOutlook = nullptr;
    OutlineNode *m_pressedNode = nullptr;
    bool m_rightButtonDown = false;
    bool m_stayOnTop = false;
};
