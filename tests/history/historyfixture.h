#pragma once

#include "historycommand.h"
#include "roamsettings.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// Readable failure messages for texts and file contents.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
inline void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << '"' << bytes.toStdString() << '"';
}

/// What one run of the tool gave back.
struct Result
{
    int code = -1;
    QString out;
    QString err;
};

/// The lines of a record file, each ended as the recorder ends them.
inline QByteArray crlf(std::initializer_list<const char *> lines)
{
    QByteArray bytes;
    for (const char *line : lines)
        bytes += QByteArray(line) + "\r\n";
    return bytes;
}

/// Every file and folder under @p root with its content, to see that a run left it as it was.
inline QMap<QString, QByteArray> snapshot(const QString &root)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(root,
                    QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        files.insert(path, file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<dir>"));
    }
    return files;
}

/// A setup folder with an empty Data folder and its own settings file.
class HistoryFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_data = m_dir.filePath(QStringLiteral("Data"));
        ASSERT_TRUE(QDir().mkpath(m_data));
        m_settings = std::make_unique<RoamSettings>(m_dir.filePath(QStringLiteral("settings.ini")));
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(QDir(m_data).filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }

    QString inData(const QString &name) const { return QDir(m_data).filePath(name); }

    /// Runs the tool in-process with @p args, on m_data unless @p withDataDir is false.
    Result run(QStringList args, bool withDataDir = true)
    {
        if (withDataDir)
            args << QStringLiteral("--data-dir") << m_data;
        Result result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        HistoryCommand command(*m_settings, out, err);
        result.code = command.run(QStringList {QStringLiteral("roamlog-history")} + args);
        out.flush();
        err.flush();
        return result;
    }

    /// Runs the tool with the words of @p line, on m_data.
    Result cmd(const QString &line) { return run(words(line)); }

    /// Runs the built tool as a process of its own; @p inChild runs in the child before it.
    Result spawn(const QStringList &args, const std::function<void()> &inChild = {})
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        process.setProcessEnvironment(env);
        if (inChild)
            process.setChildProcessModifier(inChild);
        process.start(QStringLiteral(ROAMLOG_HISTORY_EXECUTABLE), args);
        EXPECT_TRUE(process.waitForFinished(60000));
        return Result {process.exitCode(),
                       QString::fromUtf8(process.readAllStandardOutput()),
                       QString::fromUtf8(process.readAllStandardError())};
    }

    static QStringList words(const QString &line) { return line.split(u' ', Qt::SkipEmptyParts); }

    static QJsonDocument json(const Result &result)
    {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(result.out.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << result.out.toStdString();
        return doc;
    }

    QTemporaryDir m_dir;
    QString m_data;
    std::unique_ptr<RoamSettings> m_settings;
};
