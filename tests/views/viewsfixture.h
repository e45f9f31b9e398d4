#pragma once

#include "views/outlinebuilder.h"
#include "views/outlinetab.h"
#include "views/outlinetree.h"

#include "cfile.h"
#include "clock.h"
#include "roamstore.h"
#include "timekey.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace viewstest {

inline const QDateTime running(QDate(2024, 3, 4), QTime(9, 5, 0));

/// A visit (or a download): the session it belongs to and when it began.
struct Visit
{
    QDateTime session;
    QDateTime start;
};

/// A temporary data folder with a store on a manual clock, a tree and the builder filling it.
class ViewsFixture : public ::testing::Test
{
protected:
    /// A site record as the recorder makes it.
    static CFilePtr site(const QString &url,
                         const QString &title,
                         const QList<Visit> &visits = {{running, running}},
                         const QList<Visit> &downloads = {})
    {
        auto file = std::make_shared<CFile>();
        file->SetURL(url);
        file->Title = title;
        for (const Visit &visit : visits) {
            CSession entry;
            entry.Session = visit.session;
            entry.sTime = visit.start;
            file->Sessions.Add(entry);
        }
        for (const Visit &download : downloads) {
            CActivity act;
            act.Session = download.session;
            act.Location = url;
            act.Key = download.start;
            file->Activities.Add(act);
        }
        return file;
    }

    void writeSite(const QString &url,
                   const QString &title,
                   const QList<Visit> &visits = {{running, running}},
                   const QList<Visit> &downloads = {})
    {
        const CFilePtr file = site(url, title, visits, downloads);
        file->FileName = m_dir.filePath(QStringLiteral("site%1.smf").arg(++m_fileCount));
        ASSERT_TRUE(file->Save());
    }

    /// Sites visited once in the running session, titled with their URLs in capitals.
    void writeSites(const QString &urls)
    {
        for (const QString &url : urls.split(u' ', Qt::SkipEmptyParts))
            writeSite(url, url.toUpper());
    }

    void writeSessions(const QList<QDateTime> &starts)
    {
        CSessions sessions;
        for (const QDateTime &start : starts) {
            auto session = std::make_shared<CSession>();
            session->sTime = start;
            session->eTime = start.addSecs(600);
            sessions.Add(session, timeKey(start));
        }
        QFile file(m_dir.filePath(QStringLiteral("Ses.sms")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(RoamStore::sessionsBytes(sessions));
    }

    void emptyDataFolder()
    {
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
        m_fileCount = 0;
    }

    /// A store and a builder on the data folder as it is now.
    void load()
    {
        m_builder.reset();
        m_store = std::make_unique<RoamStore>(m_dir.path(), m_clock);
        m_store->SessionStart = running;
        m_store->LoadDataFolder();
        m_builder = std::make_unique<OutlineBuilder>(m_tree, *m_store);
    }

    /// What a tab click does: empty the tree, add the root, build.
    void build(const QString &tag)
    {
        m_tree.Clear();
        m_builder->AddRootNode(tag, outlineTabImage(tag));
        m_builder->BuildOutline(tag);
    }

    /// One line per node in display order: index, text, key, Tag, image, "+" when expanded.
    std::string shape() const
    {
        QString out;
        for (int i = 0; i < m_tree.topLevelItemCount(); ++i)
            dump(m_tree.topLevelItem(i), 0, out);
        return out.toStdString();
    }

    static void dump(const OutlineNode *node, int depth, QString &out)
    {
        out += QString(depth * 2, u' ')
               + QStringLiteral("%1 '%2' [%3] %4 %5%6\n")
                     .arg(OutlineTree::NodeIndex(node))
                     .arg(OutlineTree::NodeText(node),
                          OutlineTree::NodeKey(node),
                          OutlineTree::NodeTag(node))
                     .arg(OutlineTree::NodeImage(node))
                     .arg(node->isExpanded() ? QStringLiteral(" +") : QString());
        for (int i = 0; i < node->childCount(); ++i)
            dump(node->child(i), depth + 1, out);
    }

    /// The text the view shows for node @p index.
    QString shown(int index) const
    {
        return m_tree.Nodes().indexOf(m_tree.Node(index)).data(Qt::DisplayRole).toString();
    }

    QTemporaryDir m_dir;
    int m_fileCount = 0;
    ManualClock m_clock {running};
    std::unique_ptr<RoamStore> m_store;
    OutlineTree m_tree;
    std::unique_ptr<OutlineBuilder> m_builder;
};

} // namespace viewstest
