#pragma once

#include "control/roampane1.h"
#include "views/outlinetree.h"

#include "cfile.h"
#include "clock.h"
#include "roamsettings.h"
#include "timekey.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QMenu>
#include <QSettings>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

/// A panel on a temporary settings file and data folder, with a clock that stands still; shown
/// (`showPanel`), it is driven through its widgets with its messages answered and recorded.
class PanelFixture : public ::testing::Test
{
protected:
    PanelFixture()
        : m_clock(QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0)))
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("Data"));
        m_settings = std::make_unique<RoamSettings>(m_dir.filePath(QStringLiteral("settings.ini")));
    }

    QString dataFolder() const { return m_dir.filePath(QStringLiteral("Data")); }

    /// No panel, and an empty data folder, for the next row of a table.
    void emptyDataFolder()
    {
        m_panel.reset();
        QDir(dataFolder()).removeRecursively();
        QDir().mkpath(dataFolder());
    }

    RoamPane1 &makePanel(const QString &otherFolder = QString())
    {
        m_panel.reset();
        const QString folder = otherFolder.isEmpty() ? dataFolder() : otherFolder;
        m_panel = std::make_unique<RoamPane1>(*m_settings, m_clock, folder, false);
        m_panel->resize(350, 700);
        return *m_panel;
    }

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

    // The start of the earlier and of the running session of `twoSessions`.
    static inline const QDateTime firstStart {QDate(2024, 1, 1), QTime(0, 0, 0)};
    static inline const QDateTime secondStart {QDate(2024, 1, 2), QTime(9, 30, 0)};

    /// An earlier session with one page, then the running one, shown, with two pages of one
    /// site.
    RoamPane1 &twoSessions(qint16 lang = 0)
    {
        {
            RoamPane1 &first = makePanel();
            m_clock.advance(10);
            first.SetUrl(QStringLiteral("http://old.example/page"));
            first.UrlName(QStringLiteral("Old page"));
            m_clock.advance(50);
            first.SetSession(true);
        }
        m_clock.set(secondStart);
        RoamPane1 &panel = showPanel(lang);
        m_clock.advance(5);
        panel.SetUrl(QStringLiteral("http://mysite.example/docs/"));
        panel.UrlName(QStringLiteral("Zeta docs"));
        m_clock.advance(5);
        panel.SetUrl(QStringLiteral("https://mysite.example/about"));
        panel.UrlName(QStringLiteral("Alpha about"));
        m_clock.advance(5);
        return panel;
    }

    static QString chronoKey(const QString &url, const QDateTime &session)
    {
        return url + u'#' + timeKey(session);
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
        // Pages shown now are laid out by the event loop.
        QCoreApplication::processEvents();
    }

    // Check boxes and option buttons take clicks on their mark and text only.
    static void clickMark(QWidget *button)
    {
        const int x = button->isRightToLeft() ? button->width() - 6 : 6;
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(x, button->height() / 2));
    }

    OutlineTree *tree() { return m_panel->TreeView1(); }
    OutlineNode *node(const QString &key) { return tree()->NodeByKey(key); }

    QPoint centreOf(OutlineNode *item)
    {
        tree()->scrollToItem(item);
        return tree()->visualItemRect(item).center();
    }

    /// The keys of @p from and of every node below it in the tree's order; without, the tree's.
    QStringList keysBelow(OutlineNode *from = nullptr)
    {
        QStringList keys;
        if (from && !from->key().isEmpty())
            keys.append(from->key());
        const int count = from ? from->childCount() : tree()->topLevelItemCount();
        for (int i = 0; i < count; ++i)
            keys += keysBelow(from ? from->child(i) : tree()->topLevelItem(i));
        return keys;
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

    /// The object names of the popup menu's enabled items, in a line.
    QString enabledItems()
    {
        QStringList names;
        for (QAction *action : m_panel->mnuRoamPane()->actions()) {
            if (!action->isSeparator() && action->isEnabled())
                names.append(action->objectName());
        }
        return names.join(u' ');
    }

    void closePopup() { m_panel->mnuRoamPane()->hide(); }

    void clickToolbarButton(int index, Qt::MouseButton button = Qt::LeftButton)
    {
        QWidget *widget = m_panel->Toolbar1()->widgetForAction(m_panel->ToolbarButton(index));
        ASSERT_NE(widget, nullptr);
        QTest::mouseClick(widget, button);
    }

    /// The value stored under @p key in the settings file.
    QString stored(const QString &key) const
    {
        QSettings ini(m_dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
        return ini.value(key).toString();
    }

    static QByteArray bytesOf(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    /// Every site file on disk, read back, by URL.
    QMap<QString, std::shared_ptr<CFile>> filesOnDisk() const
    {
        QMap<QString, std::shared_ptr<CFile>> files;
        const QDir folder(dataFolder());
        const QStringList names = folder.entryList(
            {QStringLiteral("*.smf")}, QDir::Files, QDir::Name);
        for (const QString &name : names) {
            auto file = std::make_shared<CFile>();
            if (file->Read(folder.filePath(name)))
                files.insert(file->URL(), file);
        }
        return files;
    }

    /// Every file below @p folder with its bytes, by path relative to it.
    static std::map<std::string, std::string> snapshot(const QString &folder)
    {
        std::map<std::string, std::string> files;
        QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            // The page text index changes on its own thread; its own tests look at it.
            if (it.fileName().startsWith(QStringLiteral("PageText.db")))
                continue;
            QFile file(path);
            if (file.open(QIODevice::ReadOnly))
                files.emplace(QDir(folder).relativeFilePath(path).toStdString(),
                              file.readAll().toStdString());
        }
        return files;
    }

    struct Message
    {
        QMessageBox::Icon icon;
        QString text;
    };

    QTemporaryDir m_dir;
    ManualClock m_clock;
    std::unique_ptr<RoamSettings> m_settings;
    std::unique_ptr<RoamPane1> m_panel;
    QList<Message> m_messages;
    QMessageBox::StandardButton m_answer = QMessageBox::Ok;
};
