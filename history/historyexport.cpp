#include "historyexport.h"

#include "cfile.h"
#include "timekey.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

const QString programName = u"roamlog-history"_s;

QJsonValue jsonText(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

// RFC 4180: a field holding a comma, a quote or a line break is quoted, quotes doubled. A
// text any web page chooses (a title, a URL) that a spreadsheet would take for a formula gets
// a leading apostrophe, which spreadsheets show as text.
QString csvField(const QString &text)
{
    static constexpr QStringView formulaStarts = u"=+-@\t\r";
    QString quoted = text;
    if (!quoted.isEmpty() && formulaStarts.contains(quoted.front()))
        quoted.prepend(u'\'');
    if (!quoted.contains(u',') && !quoted.contains(u'"') && !quoted.contains(u'\r')
        && !quoted.contains(u'\n'))
        return quoted;
    quoted.replace(u"\""_s, u"\"\""_s);
    return u'"' + quoted + u'"';
}

} // namespace

HistoryExport::HistoryExport(Format format, QTextStream &out, QTextStream &err)
    : m_format(format)
    , m_out(out)
    , m_err(err)
{ }

QString HistoryExport::isoTime(const QDateTime &time)
{
    if (isZeroDateTime(time))
        return {};
    QString text = timeKey(time);
    if (text.size() > 10 && text.at(10) == u' ')
        text[10] = u'T';
    return text;
}

QString HistoryExport::csvHeader()
{
    return u"kind,url,title,note,start,end,durationSeconds,query,session,location"_s;
}

bool HistoryExport::wanted(const QDateTime &time) const
{
    return !m_since.isValid() || (!isZeroDateTime(time) && time >= m_since);
}

qint64 HistoryExport::run(const QString &dataFolder)
{
    m_rows = 0;
    m_seenUrls.clear();
    if (m_format == Format::Json)
        m_out << '[';
    else
        m_out << csvHeader() << "\r\n";

    // Names only: a sorted QDir listing would hold a QFileInfo for every file at once.
    const QDir folder(dataFolder);
    QStringList names;
    QDirIterator it(dataFolder, {u"*.smf"_s}, QDir::Files);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    names.sort();
    for (const QString &name : names) {
        CFile file;
        if (!file.Read(folder.filePath(name))) {
            m_err << programName << ": skipped " << QDir::toNativeSeparators(file.FileName)
                  << ": not a site file\n";
            continue;
        }
        const QString folded = file.URL().toCaseFolded();
        if (m_seenUrls.contains(folded))
            continue;
        m_seenUrls.insert(folded);

        for (const CSession &visit : file.Sessions) {
            if (wanted(visit.sTime))
                writeRow(file,
                         {u"visit"_s, visit.sTime, visit.eTime, visit.Session, visit.Param, {}});
        }
        for (const CActivity &act : file.Activities) {
            if (wanted(act.Key))
                writeRow(file, {u"download"_s, act.Key, {}, act.Session, {}, act.Location});
        }
    }

    if (m_format == Format::Json)
        m_out << (m_rows > 0 ? "\n]\n" : "]\n");
    m_out.flush();
    return m_rows;
}

void HistoryExport::writeRow(const CFile &file, const Row &row)
{
    const bool closed = !isZeroDateTime(row.start) && !isZeroDateTime(row.end);
    const QString note = file.Note.trimmed();
    ++m_rows;

    if (m_format == Format::Json) {
        const QJsonObject object {
            {u"kind"_s, row.kind},
            {u"url"_s, file.URL()},
            {u"title"_s, file.Title},
            {u"note"_s, note},
            {u"start"_s, jsonText(isoTime(row.start))},
            {u"end"_s, jsonText(isoTime(row.end))},
            {u"durationSeconds"_s,
             closed ? QJsonValue(row.start.secsTo(row.end)) : QJsonValue(QJsonValue::Null)},
            {u"query"_s, row.kind == u"visit" ? QJsonValue(row.query) : QJsonValue::Null},
            {u"session"_s, jsonText(isoTime(row.session))},
            {u"location"_s, jsonText(row.location)},
        };
        m_out << (m_rows > 1 ? ",\n" : "\n")
              << QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
        return;
    }

    const QStringList fields {
        row.kind,
        csvField(file.URL()),
        csvField(file.Title),
        csvField(note),
        isoTime(row.start),
        isoTime(row.end),
        closed ? QString::number(row.start.secsTo(row.end)) : QString(),
        csvField(row.query),
        isoTime(row.session),
        csvField(row.location),
    };
    m_out << fields.join(u',') << "\r\n";
}
