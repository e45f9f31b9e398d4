#include "dialogtesthelpers.h"

#include "dialogs/taskexporter.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QUuid>

#include <libical/ical.h>

using namespace dialogtest;
using namespace Qt::StringLiterals;

namespace {

struct ComponentDeleter
{
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};

// The calendar's and its first task's properties by name, texts unescaped; "VTODO" counts the
// tasks.
QMap<QString, QString> parse(const QString &path)
{
    QMap<QString, QString> properties;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return properties;
    std::unique_ptr<icalcomponent, ComponentDeleter> calendar(
        icalparser_parse_string(file.readAll().constData()));
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT)
        return properties;
    properties[u"VTODO"_s] = QString::number(
        icalcomponent_count_components(calendar.get(), ICAL_VTODO_COMPONENT));
    icalcomponent *todo = icalcomponent_get_first_component(calendar.get(), ICAL_VTODO_COMPONENT);
    for (icalcomponent *c : {calendar.get(), todo}) {
        icalproperty *p = c ? icalcomponent_get_first_property(c, ICAL_ANY_PROPERTY) : nullptr;
        for (; p; p = icalcomponent_get_next_property(c, ICAL_ANY_PROPERTY)) {
            const icalvalue *value = icalproperty_get_value(p);
            const char *text = icalvalue_isa(value) == ICAL_TEXT_VALUE
                                   ? icalvalue_get_text(value)
                                   : icalproperty_get_value_as_string(p);
            properties[QString::fromUtf8(icalproperty_get_property_name(p))] = QString::fromUtf8(
                text);
        }
    }
    return properties;
}

struct Tasks
{
    CLocale locale;
    QTemporaryDir tmp;
    // TZ=UTC in the tests: local and universal time agree.
    ManualClock clock {at(2024, 3, 5, 10, 15, 30)};
    QString folder = tmp.filePath(u"calendars/roamlog"_s);
};

} // namespace

TEST(TaskExporter, WritesOneTaskPerFileAndParsesBack)
{
    Tasks t;
    const TaskExporter exporter(t.folder, t.clock);
    QString error;
    const QString title = u"News, views; and\nmore — חדשות "_s + QString(80, u'x');
    const QString path = exporter.exportSite(u"news.example.org/today"_s, title, &error);
    ASSERT_FALSE(path.isEmpty()) << error.toStdString();
    EXPECT_TRUE(QFileInfo(t.folder).isDir()) << "the missing folder is created";
    EXPECT_EQ(QFileInfo(path).absolutePath(), t.folder);
    EXPECT_EQ(QFileInfo(path).suffix(), u"ics"_s);
    // A task names a page the user visited: only its owner reads it.
    EXPECT_EQ(QFileInfo(path).permissions() & ~(QFileDevice::ReadUser | QFileDevice::WriteUser),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    const QMap<QString, QString> task = parse(path);
    EXPECT_EQ(task.value(u"VTODO"_s), u"1"_s);
    EXPECT_EQ(task.value(u"VERSION"_s), u"2.0"_s);
    EXPECT_TRUE(task.value(u"PRODID"_s).contains(u"Roamlog"_s));
    EXPECT_EQ(task.value(u"SUMMARY"_s), u"Roamlog: 5 Mar 2024  "_s + title);
    EXPECT_EQ(task.value(u"DESCRIPTION"_s), u"http://news.example.org/today"_s);
    EXPECT_EQ(task.value(u"X-ROAMLOG-ORDINAL"_s), u"1"_s);
    EXPECT_EQ(task.value(u"STATUS"_s), u"NEEDS-ACTION"_s);
    EXPECT_EQ(task.value(u"DTSTAMP"_s), u"20240305T101530Z"_s);
    EXPECT_EQ(QFileInfo(path).completeBaseName(), task.value(u"UID"_s));
    EXPECT_FALSE(QUuid::fromString(task.value(u"UID"_s)).isNull());

    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    for (const QByteArray &line : raw.readAll().chopped(1).split('\n')) {
        EXPECT_LE(line.size(), 76) << "folded at 75 octets plus CR";
        EXPECT_TRUE(line.endsWith('\r'));
    }

    const QString second = exporter.exportSite(u"news.example.org/today"_s, title);
    EXPECT_NE(second, path);
    EXPECT_EQ(QDir(t.folder).entryList(QDir::Files).size(), 2);
}

TEST(TaskExporter, BodyHasExactlyOneScheme)
{
    const std::pair<QString, QString> rows[] = {
        {u"example.com/dir"_s, u"http://example.com/dir"_s},
        {u"http://dl.example.com/f.zip"_s, u"http://dl.example.com/f.zip"_s},
        {u"HTTPS://dl.example.com/f.zip"_s, u"HTTPS://dl.example.com/f.zip"_s},
        {u"ftp://files.example/a.zip"_s, u"ftp://files.example/a.zip"_s},
        {u"localhost:8080/x"_s, u"http://localhost:8080/x"_s},
        {u"/home/u/page.html"_s, u"file:///home/u/page.html"_s},
    };
    for (const auto &[url, body] : rows)
        EXPECT_EQ(TaskExporter::body(url), body) << url.toStdString();
}

TEST(TaskExporter, UnwritableFolderGivesAReason)
{
    Tasks t;
    QFile plain(t.tmp.filePath(u"plain"_s));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();

    for (const QString &folder : {t.tmp.filePath(u"plain/tasks"_s), u"/proc"_s, QString()}) {
        QString error;
        EXPECT_TRUE(
            TaskExporter(folder, t.clock).exportSite(u"x.example"_s, u"X"_s, &error).isEmpty())
            << folder.toStdString();
        EXPECT_FALSE(error.isEmpty()) << folder.toStdString();
    }
    EXPECT_EQ(QDir(t.tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList {u"plain"_s});
}

TEST(TaskExporter, TodomanListsTheTask)
{
    const QString todoman = QStandardPaths::findExecutable(u"todoman"_s);
    if (todoman.isEmpty())
        GTEST_SKIP() << "todoman is not installed";
    Tasks t;
    QString error;
    const QString path = TaskExporter(t.folder, t.clock)
                             .exportSite(u"news.example.org/today"_s, u"Morning news"_s, &error);
    ASSERT_FALSE(path.isEmpty()) << error.toStdString();

    const QString config = t.tmp.filePath(u"todoman.py"_s);
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(u"path = \"%1/*\"\n"
               "date_format = \"%Y-%m-%d\"\n"
               "time_format = \"%H:%M\"\n"
               "default_list = \"roamlog\"\n"
               "cache_path = \"%2\"\n"_s
                   .arg(t.tmp.filePath(u"calendars"_s), t.tmp.filePath(u"cache.sqlite3"_s))
                   .toUtf8());
    file.close();

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"HOME"_s, t.tmp.path());
    env.insert(u"XDG_CONFIG_HOME"_s, t.tmp.filePath(u"config"_s));
    env.insert(u"XDG_CACHE_HOME"_s, t.tmp.filePath(u"cache"_s));
    process.setProcessEnvironment(env);
    process.start(todoman, {u"--porcelain"_s, u"--config"_s, config, u"list"_s});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QByteArray out = process.readAllStandardOutput();
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    const QJsonArray todos = QJsonDocument::fromJson(out).array();
    ASSERT_EQ(todos.size(), 1) << out.toStdString();
    const QJsonObject todo = todos.at(0).toObject();
    EXPECT_EQ(todo.value(u"summary"_s).toString(), u"Roamlog: 5 Mar 2024  Morning news"_s);
    EXPECT_EQ(todo.value(u"list"_s).toString(), u"roamlog"_s);
    EXPECT_FALSE(todo.value(u"completed"_s).toBool());
}
