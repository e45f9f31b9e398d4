#pragma once

#include "control/roampane1.h"

#include "cfile.h"
#include "clock.h"
#include "roamsettings.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

/// A panel on a temporary settings file and data folder, with a clock that stands still.
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

    RoamPane1 &makePanel(const QString &dataFolderOverride = QString())
    {
        m_panel.reset();
        m_panel = std::make_unique<RoamPane1>(*m_settings,
                                              m_clock,
                                              dataFolderOverride.isEmpty() ? dataFolder()
                                                                           : dataFolderOverride,
                                              false);
        m_panel->resize(350, 700);
        return *m_panel;
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

    QTemporaryDir m_dir;
    ManualClock m_clock;
    std::unique_ptr<RoamSettings> m_settings;
    std::unique_ptr<RoamPane1> m_panel;
};
