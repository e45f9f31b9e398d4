#include "treeinteraction.h"

#include "outlinebuilder.h"
#include "outlinetree.h"
#include "querybuilder.h"
#include "waitcursor.h"

#include "ctreenodes.h"
#include "dialogs/frmnote.h"
#include "dialogs/frmsitessessions.h"
#include "dialogs/taskexporter.h"
#include "resources/biditext.h"
#include "resources/roamstrings.h"
#include "roamsettings.h"
#include "roamstore.h"

#include <QAction>
#include <QEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>

using namespace Qt::StringLiterals;

namespace {

enum TextId {
    TaskSavedId = 117,
    TaskFailedId = 118,
    AddToTasksId = 141,
};

} // namespace

TreeInteraction::TreeInteraction(OutlineTree &tree,
                                 OutlineBuilder &builder,
                                 RoamStore &store,
                                 RoamSettings &settings,
                                 Clock &clock,
                                 bool &changingTree,
                                 QString &selectedUrl,
                                 QWidget *panel)
    : m_tree(tree)
    , m_builder(builder)
    , m_store(store)
    , m_settings(settings)
    , m_clock(clock)
    , m_changingTree(changingTree)
    , m_selectedUrl(selectedUrl)
    , m_panel(panel)
{
    // The panel shows its own popup menu, on the release of the right button or by key.
    m_tree.setContextMenuPolicy(Qt::PreventContextMenu);
    m_tree.viewport()->setContextMenuPolicy(Qt::PreventContextMenu);
    m_tree.viewport()->installEventFilter(this);
    m_tree.installEventFilter(this);
    connect(&m_tree, &OutlineTree::itemDoubleClicked, this, [this] { TreeView1_DblClick(); });
    connect(&m_tree, &OutlineTree::itemExpanded, this, &TreeInteraction::TreeView1_Expand);

    m_mnuRoamPane = new QMenu(panel);
    m_mnuRoamPane->setObjectName(u"mnuRoamPane"_s);
    const auto item = [this](const QString &name, const QString &text, auto handler) {
        QAction *action = m_mnuRoamPane->addAction(text);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    m_mnuGoTo = item(u"mnuGoTo"_s, u"100"_s, [this] { mnuGoTo_Click(); });
    item(u"mnuFind"_s, u"101"_s, [this] { emit FindIt(); });
    m_mnuRoamPane->addSeparator()->setObjectName(u"Space1"_s);
    m_mnuDelete = item(u"mnuDelete"_s, u"102"_s, [this] { emit deleteRequested(); });
    m_mnuRoamPane->addSeparator()->setObjectName(u"Space2"_s);
    m_mnuEditNote = item(u"mnuEditNote"_s, u"103"_s, [this] { mnuEditNote_Click(); });
    m_mnuProperties = item(u"mnuProperties"_s, u"104"_s, [this] { mnuProperties_Click(); });
    m_mnuOutlook = item(
        u"mnuOutlook"_s, QString::number(AddToTasksId), [this] { mnuOutlook_Click(); });
    m_mnuRoamPane->addSeparator()->setObjectName(u"Space4"_s);
    item(u"mnuGetHelp"_s, u"110"_s, [this] { emit GetHelp(); });
    item(u"mnuAbout"_s, u"105"_s, [this] { mnuAbout_Click(); });
}

qint16 TreeInteraction::langOffset() const
{
    // The outlines are in the panel's language, which the panel hands to the builder.
    return qint16(m_builder.LangOffset());
}

bool TreeInteraction::eventFilter(QObject *watched, QEvent *event)
{
    const auto *mouse = dynamic_cast<QMouseEvent *>(event);
    if (watched == m_tree.viewport() && mouse) {
        const QPoint pos = mouse->position().toPoint();
        if (event->type() == QEvent::MouseButtonPress)
            TreeView1_MouseDown(mouse->buttons() | mouse->button(), pos);
        else if (event->type() == QEvent::MouseButtonRelease)
            TreeView1_MouseUp(pos, mouse->globalPosition().toPoint());
    } else if (watched == &m_tree && event->type() == QEvent::KeyPress) {
        return treeKeyPress(static_cast<QKeyEvent *>(event));
    }
    return QObject::eventFilter(watched, event);
}

void TreeInteraction::TreeView1_MouseDown(Qt::MouseButtons Button, const QPoint &pos)
{
    m_rightButtonDown = Button.testFlag(Qt::RightButton);
    m_pressedNode = m_tree.itemAt(pos);
}

void TreeInteraction::TreeView1_MouseUp(const QPoint &pos, const QPoint &globalPos)
{
    // A click is a press and a release on the same node; the handler learns the button from
    // RightButtonDown, which the release then clears.
    OutlineNode *node = m_tree.itemAt(pos);
    if (node && node == m_pressedNode)
        TreeView1_NodeClick(node, globalPos);
    m_pressedNode = nullptr;
    m_rightButtonDown = false;
}

void TreeInteraction::enableSiteItems(OutlineNode *node, bool rightButton)
{
    const QString tag = OutlineTree::NodeTag(node);
    const bool site = tag == OutlineTree::SiteTag;
    QList<QAction *> items {m_mnuEditNote, m_mnuProperties, m_mnuGoTo};
    if (rightButton) {
        items.append(m_mnuDelete);
        items.append(m_mnuOutlook);
    }
    for (QAction *item : std::as_const(items))
        item->setEnabled(site);
    if (rightButton && tag == OutlineTree::SessionTag)
        m_mnuDelete->setEnabled(true);
}

void TreeInteraction::showPopup(OutlineNode *node, const QPoint &globalPos)
{
    m_tree.setFocus();
    enableSiteItems(node, true);
    m_mnuRoamPane->setLayoutDirection(m_panel->layoutDirection());
    m_mnuRoamPane->popup(globalPos);
}

void TreeInteraction::TreeView1_NodeClick(OutlineNode *Node, const QPoint &globalPos)
{
    if (m_rightButtonDown) {
        showPopup(Node, globalPos);
        return;
    }
    const QString key = OutlineTree::NodeKey(Node);
    const CTreeNodePtr record = key.isEmpty() ? nullptr : m_builder.FilledOutlineNodes().Item(key);
    // The status bar shows what the tree does not: the URL beside titles, the title beside
    // URLs.
    const Qt::LayoutDirection direction = m_panel->layoutDirection();
    if (!key.isEmpty()) {
        emit statusText(!record ? QString()
                        : m_builder.UrlOrDescChoice() == 0
                            ? BidiText::displayUrl(record->URL, direction)
                        : direction == Qt::RightToLeft ? BidiText::ownDirection(record->Title)
                                                       : record->Title);
    }
    emit nodeClicked(key);
    if (OutlineTree::NodeTag(Node) == OutlineTree::SiteTag) {
        if (record)
            m_selectedUrl = record->URL;
        const QScopedValueRollback changing(m_changingTree, true);
        m_tree.SetChildSorting(Node, true);
    }
    enableSiteItems(Node, false);
}

void TreeInteraction::TreeView1_DblClick()
{
    if (OutlineTree::NodeTag(m_tree.SelectedNode()) == OutlineTree::SiteTag)
        mnuGoTo_Click();
}

void TreeInteraction::TreeView1_Expand(OutlineNode *Node)
{
    // Only the user's expansions sort: the builders and the recorder open nodes as they add
    // them and keep the order they chose.
    if (m_changingTree || OutlineTree::NodeTag(Node) != OutlineTree::SiteTag)
        return;
    const QScopedValueRollback changing(m_changingTree, true);
    m_tree.SetChildSorting(Node, true);
}

bool TreeInteraction::treeKeyPress(QKeyEvent *event)
{
    OutlineNode *node = m_tree.SelectedNode();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (OutlineTree::NodeTag(node) != OutlineTree::SiteTag)
            return false;
        mnuGoTo_Click();
        return true;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        if (event->key() == Qt::Key_F10 && event->modifiers() != Qt::ShiftModifier)
            return false;
        if (node) {
            const QRect rect = m_tree.visualItemRect(node);
            showPopup(node, m_tree.viewport()->mapToGlobal(rect.bottomLeft()));
        } else {
            showPopup(nullptr, m_tree.viewport()->mapToGlobal(QPoint(0, 0)));
        }
        return true;
    case Qt::Key_Delete:
        emit deleteRequested();
        return true;
    default:
        return false;
    }
}

CTreeNodePtr TreeInteraction::selectedRecord() const
{
    const QString key = OutlineTree::NodeKey(m_tree.SelectedNode());
    return key.isEmpty() ? nullptr : m_builder.FilledOutlineNodes().Item(key);
}

void TreeInteraction::mnuGoTo_Click()
{
    const WaitCursor wait;
    // A node without a record names no site: there is nowhere to go.
    const CTreeNodePtr record = selectedRecord();
    if (!record)
        return;
    m_selectedUrl = record->URL;
    emit NavTo();
}

void TreeInteraction::mnuEditNote_Click()
{
    if (m_stayOnTop)
        emit NotOnTop();
    if (const CTreeNodePtr record = selectedRecord())
        m_selectedUrl = record->URL;
    frmNote::run(m_store, m_selectedUrl, langOffset(), m_panel);
    if (m_stayOnTop)
        emit OnTop();
}

bool TreeInteraction::Find(bool fromStart, bool searchUrls, bool urlsShown, const QString &txt)
{
    const int index = QueryBuilder::FindNext(m_tree,
                                             m_builder.OutlineNodes(),
                                             OutlineTree::NodeIndex(m_tree.SelectedNode()),
                                             fromStart,
                                             searchUrls,
                                             urlsShown,
                                             txt);
    OutlineNode *node = m_tree.Node(index);
    if (!node) {
        // The old selection is no answer: it would read as a hit.
        m_tree.selectionModel()->clear();
        return false;
    }
    const QScopedValueRollback changing(m_changingTree, true);
    node->setExpanded(true);
    m_tree.scrollToItem(node);
    m_tree.setCurrentItem(node);
    return true;
}

void TreeInteraction::mnuProperties_Click()
{
    if (m_stayOnTop)
        emit NotOnTop();
    if (const CTreeNodePtr record = selectedRecord())
        m_selectedUrl = record->URL;
    frmSitesSessions::run(m_store, m_selectedUrl, langOffset(), m_panel);
    if (m_stayOnTop)
        emit OnTop();
}

void TreeInteraction::mnuOutlook_Click()
{
    const CTreeNodePtr record = selectedRecord();
    if (!record)
        return;
    m_selectedUrl = record->URL;
    QString error;
    QString written;
    {
        const WaitCursor wait;
        written = TaskExporter(m_settings.taskFolder(), m_clock)
                      .exportSite(m_selectedUrl, record->Title, &error);
    }
    if (!written.isEmpty())
        emit statusText(RoamStrings::text(TaskSavedId, langOffset()) + written);
    else
        emit messageRaised(QMessageBox::Warning,
                           RoamStrings::text(TaskFailedId, langOffset()) + error);
}

void TreeInteraction::mnuAbout_Click()
{
    if (m_stayOnTop)
        emit NotOnTop();
    emit AboutBox();
    if (m_stayOnTop)
        emit OnTop();
}
