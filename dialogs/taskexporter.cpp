#include "taskexporter.h"

#include "model/clock.h"
#include "model/safewrite.h"
#include "resources/roamversion.h"

#include <QDir>
#include <QLocale>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUuid>

#include <libical/ical.h>

#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct ComponentDeleter
{
    void operator()(icalcomponent *component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

struct BufferDeleter
{
    void operator()(char *buffer) const { icalmemory_free_buffer(buffer); }
};

QByteArray utf8(const QString &text)
{
    return text.toUtf8();
}

} // namespace

TaskExporter::TaskExporter(const QString &taskFolder, Clock &clock)
    : m_folder(taskFolder)
    , m_clock(clock)
{ }

QString TaskExporter::subject(const QDate &today, const QString &title)
{
    return u"Roamlog: "_s + QLocale().toString(today, QLocale::ShortFormat) + u"  "_s + title;
}

QString TaskExporter::body(const QString &recordedUrl)
{
    static const QRegularExpression scheme(u"^[A-Za-z][A-Za-z0-9+.\\-]*://"_s);
    if (scheme.match(recordedUrl).hasMatch())
        return recordedUrl;
    if (recordedUrl.startsWith(u'/'))
        return u"file://"_s + recordedUrl;
    return u"http://"_s + recordedUrl;
}

QByteArray TaskExporter::calendarBytes(const QString &uid,
                                       const QDateTime &stamp,
                                       const QString &summary,
                                       const QString &description)
{
    const QByteArray prodId = utf8(u"-//Roamlog//Roamlog "_s + Roamlog::versionText() + u"//EN"_s);
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid(prodId.constData()));

    icalcomponent *todo = icalcomponent_new(ICAL_VTODO_COMPONENT);
    icalcomponent_add_component(calendar.get(), todo);
    icalcomponent_add_property(todo, icalproperty_new_uid(utf8(uid).constData()));
    const icaltimetype dtstamp = icaltime_from_timet_with_zone(
        time_t(stamp.toSecsSinceEpoch()), 0, icaltimezone_get_utc_timezone());
    icalcomponent_add_property(todo, icalproperty_new_dtstamp(dtstamp));
    icalcomponent_add_property(todo, icalproperty_new_summary(utf8(summary).constData()));
    icalcomponent_add_property(todo, icalproperty_new_description(utf8(description).constData()));
    icalcomponent_add_property(todo, icalproperty_new_status(ICAL_STATUS_NEEDSACTION));
    icalproperty *ordinal = icalproperty_new_x("1");
    icalproperty_set_x_name(ordinal, "X-ROAMLOG-ORDINAL");
    icalcomponent_add_property(todo, ordinal);

    const std::unique_ptr<char, BufferDeleter> text(icalcomponent_as_ical_string_r(calendar.get()));
    if (!text)
        return {};
    return QByteArray(text.get());
}

QString TaskExporter::exportSite(const QString &recordedUrl,
                                 const QString &title,
                                 QString *error) const
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return QString();
    };
    if (m_folder.isEmpty())
        return fail(u"No task folder is set."_s);
    const QDir folder(m_folder);
    if (!makePrivateFolder(folder.absolutePath()))
        return fail(u"The task folder %1 could not be created."_s.arg(
            QDir::toNativeSeparators(folder.absolutePath())));

    const QDateTime now = m_clock.now();
    const QString uid = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QByteArray bytes = calendarBytes(uid, now, subject(now.date(), title), body(recordedUrl));
    if (bytes.isEmpty())
        return fail(u"The task could not be put into iCalendar form."_s);

    const QString path = folder.absoluteFilePath(uid + u".ics"_s);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(u"The task could not be written to %1: %2"_s.arg(QDir::toNativeSeparators(path),
                                                                     file.errorString()));
    keepPrivate(file);
    if (file.write(bytes) != bytes.size() || !file.commit())
        return fail(u"The task could not be written to %1: %2"_s.arg(QDir::toNativeSeparators(path),
                                                                     file.errorString()));
    return QDir::toNativeSeparators(path);
}
