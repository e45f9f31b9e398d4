#pragma once

#include "panelfixture.h"

#include "views/outlinetree.h"

#include <QAction>
#include <QApplication>
#include <QDirIterator>
#include <QFile>
#include <QMenu>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <map>
#include <string>

/// A shown panel driven through its widgets, with its messages answered and recorded.
class InteractionFixture : public PanelFixture
{
protected:
    RoamPane1 &showPanel(qint16 lang = 0)
    {
        if (lang != 0)
            m_settings->setLang(lang);
        RoamPane1 &panel = makePanel();
        panel.SetMessageHandler([this](QMessageBox::Icon icon, const QString &text) {
            m_messages.append({icon, text});
            return m_answer;
        });
        panel.show();
        QCoreApplication::processEvents();
        return panel;
    }

    template<typename T>
    T *child(const QString &name)
    {
        T *found = m_panel->findChild<T *>(name);
        EXPECT_NE(found, nullptr) << name.toStdString();
        return found;
    }

    QAction *menuItem(const QString &name) { return child<QAction>(name); }

    void clickTab(int index)
    {
        QTabBar *tabs = m_panel->TabStrip1();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        QCoreApplication::processEvents();
    }

    OutlineTree *tree() { return m_panel->TreeView1(); }
    OutlineNode *node(const QString &key) { return tree()->NodeByKey(key); }

    QPoint centreOf(OutlineNode *item)
    {
        tree()->scrollToItem(item);
        return tree()->visualItemRect(item).center();
    }

    void select(OutlineNode *item)
    {
        if (item)
            tree()->scrollToItem(item);
        tree()->setCurrentItem(item);
    }

    void clickNode(OutlineNode *item, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(tree()->viewport(), button, {}, centreOf(item));
    }

    void doubleClickNode(OutlineNode *item)
    {
        QTest::mouseDClick(tree()->viewport(), Qt::LeftButton, {}, centreOf(item));
    }

    /// The enabled items of the popup menu, by object name.
    QStringList enabledItems()
    {
        QStringList names;
        for (QAction *action : m_panel->mnuRoamPane()->actions()) {
            if (!action->isSeparator() && action->isEnabled())
                names.append(action->objectName());
        }
        return names;
    }

    void closePopup() { m_panel->mnuRoamPane()->hide(); }

    void clickToolbarButton(int index, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget *widget = m_panel->Toolbar1()->widgetForAction(m_panel->ToolbarButton(index));
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, button);
    }

    /// Every file below @p folder with its bytes, by path relative to it.
    static std::map<std::string, std::string> snapshot(const QString &folder)
    {
        std::map<std::string, std::string> files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                files.emplace(QDir(folder).relativeFilePath(path).toStdString(),
                              file.readAll().toStdString());
        }
        return files;
    }

    /// Closes the next modal dialog as soon as it shows.
    static void closeNextDialog()
    {
        QTimer::singleShot(0, [] {
            if (QWidget *dialog = QApplication::activeModalWidget())
                dialog->close();
        });
    }

    struct Message
    {
        QMessageBox::Icon icon;
        QString text;
    };
    QList<Message> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
};
