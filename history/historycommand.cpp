#include "historycommand.h"

#include "chromiumimport.h"
#include "clock.h"
#include "fieldreader.h"
#include "historyexport.h"
#include "historyforget.h"
#include "historypagetext.h"
#include "neverrecordrules.h"
#include "roamsettings.h"
#include "roamstore.h"
#include "safewrite.h"
#include "texttable.h"
#include "timekey.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>
#include <QTextStream>

using namespace Qt::StringLiterals;

namespace {

const QString programName = u"roamlog-history"_s;

QJsonValue jsonTime(const QDateTime &time)
{
    if (isZeroDateTime(time))
        return QJsonValue::Null;
    return HistoryExport::isoTime(time);
}

QString textTime(const QDateTime &time)
{
    if (isZeroDateTime(time))
        return u"-"_s;
    return timeKey(time);
}

// A span whose end was never stamped has no length.
bool hasDuration(const QDateTime &start, const QDateTime &end)
{
    return !isZeroDateTime(start) && !isZeroDateTime(end);
}

QJsonValue jsonDuration(const QDateTime &start, const QDateTime &end)
{
    if (!hasDuration(start, end))
        return QJsonValue::Null;
    return start.secsTo(end);
}

QString textDuration(const QDateTime &start, const QDateTime &end)
{
    if (!hasDuration(start, end))
        return u"-"_s;
    qint64 seconds = start.secsTo(end);
    const QString sign = seconds < 0 ? u"-"_s : QString();
    seconds = qAbs(seconds);
    return sign + QString::number(seconds / 3600) + u':'
           + QString::number(seconds / 60 % 60).rightJustified(2, u'0') + u':'
           + QString::number(seconds % 60).rightJustified(2, u'0');
}

// The stored note is one blank when the user wrote none.
QString noteText(const CFilePtr &file)
{
    return file->Note.trimmed();
}

QDateTime firstVisit(const CFilePtr &file)
{
    return file->Sessions.Count() > 0 ? (*file->Sessions.begin()).sTime : QDateTime();
}

QDateTime lastVisit(const CFilePtr &file)
{
    // Visits are kept in time order.
    const int visits = file->Sessions.Count();
    return visits > 0 ? file->Sessions.Item(visits)->sTime : QDateTime();
}

void printJson(QTextStream &out, const QJsonValue &value)
{
    const QJsonDocument doc = value.isArray() ? QJsonDocument(value.toArray())
                                              : QJsonDocument(value.toObject());
    out << QString::fromUtf8(doc.toJson(QJsonDocument::Indented));
}

} // namespace

HistoryCommand::HistoryCommand(const RoamSettings &settings, QTextStream &out, QTextStream &err)
    : m_settings(settings)
    , m_out(out)
    , m_err(err)
{ }

HistoryCommand::~HistoryCommand() = default;

QString HistoryCommand::helpText()
{
    return u"Usage: roamlog-history [--json] [--data-dir DIR] COMMAND [ARGUMENT]\n"
           "\n"
           "Prints the browsing history that Roamlog recorded in a data folder.\n"
           "The data folder is only read (no session is registered and no file\n"
           "changes), except by forget and import-chromium, which change it only\n"
           "while no Roamlog records into it.\n"
           "\n"
           "Commands:\n"
           "  sites        every recorded site (a page or one of its parent paths)\n"
           "  sessions     every browsing session of the sessions file\n"
           "  visits URL   the visits and downloads of the site recorded under URL\n"
           "  find TEXT    the sites whose URL, title or note hold TEXT (letter case ignored)\n"
           "  search WORDS [--limit N]\n"
           "               the pages whose visible text or title hold every one of WORDS\n"
           "               (also as the beginning of a longer word; letter case and\n"
           "               accents ignored), best first, at most N (default 20): last\n"
           "               visit, URL, title and a snippet with the words in [brackets]\n"
           "  export --format json|csv [--since DATE] [--out FILE]\n"
           "               every visit and download as one row each: kind, url, title,\n"
           "               note, start, end, durationSeconds, query, session, location;\n"
           "               JSON as an array of objects, CSV (RFC 4180) with a header row;\n"
           "               in CSV a text beginning with = + - @, a tab or a carriage\n"
           "               return gets a leading ' so that no spreadsheet takes it for a\n"
           "               formula (JSON keeps every text exact)\n"
           "               --since keeps what began at or after DATE (yyyy-MM-dd or\n"
           "               yyyy-MM-ddTHH:mm:ss); --out writes FILE, not standard output\n"
           "  forget PATTERN [--dry-run]\n"
           "               removes every site record whose URL matches PATTERN, with its\n"
           "               site file and the text kept of its pages: a host name (also\n"
           "               matches its subdomains) or a URL prefix (holds a \"/\" or a\n"
           "               scheme); letter case is ignored;\n"
           "               --dry-run only lists what would be removed\n"
           "  import-chromium PROFILE_DIR\n"
           "               adds the visits of the Chromium profile's History database\n"
           "               as Roamlog would have recorded them, one browsing session per\n"
           "               day; what is recorded already stays, a second run adds nothing;\n"
           "               the never-record rules (Options/NeverRecord) apply\n"
           "\n"
           "Options:\n"
           "  --json           print JSON instead of aligned columns\n"
           "  --data-dir DIR   instead of the configured data folder: the folder that\n"
           "                   Roamlog's --data-dir takes (records in DIR/Data), or the\n"
           "                   data folder itself (holding the *.smf files and Ses.sms);\n"
           "                   a DIR with records in neither is an error, except that\n"
           "                   import-chromium then begins a new record in DIR/Data\n"
           "                   when that folder exists, else in DIR\n"
           "  --dry-run        forget: change nothing, list what would be removed\n"
           "  -h, --help       print this text\n"
           "\n"
           "Times are local, as yyyy-MM-dd hh:mm:ss (JSON: yyyy-MM-ddTHH:mm:ss);\n"
           "a visit or session that was never closed has no end.\n"
           "\n"
           "Exit status: 0 on success, 1 when no site is recorded under the URL of\n"
           "\"visits\", a file cannot be written or removed, or the History database\n"
           "cannot be read, 2 for bad arguments or a data folder that does not exist\n"
           "or holds no records, 3 when forget or import-chromium find Roamlog\n"
           "recording into the data folder (nothing is changed; close it, retry).\n"_s;
}

int HistoryCommand::usageError(const QString &message)
{
    m_err << programName << ": " << message << '\n'
          << "Try '" << programName << " --help' for more information.\n";
    m_err.flush();
    return UsageError;
}

int HistoryCommand::run(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption jsonOption(u"json"_s);
    const QCommandLineOption dataDirOption(u"data-dir"_s, QString(), u"DIR"_s);
    const QCommandLineOption formatOption(u"format"_s, QString(), u"FORMAT"_s);
    const QCommandLineOption sinceOption(u"since"_s, QString(), u"DATE"_s);
    const QCommandLineOption outOption(u"out"_s, QString(), u"FILE"_s);
    const QCommandLineOption dryRunOption(u"dry-run"_s);
    const QCommandLineOption limitOption(u"limit"_s, QString(), u"N"_s);
    const QCommandLineOption helpOption(QStringList {u"h"_s, u"help"_s});
    parser.addOptions({jsonOption,
                       dataDirOption,
                       formatOption,
                       sinceOption,
                       outOption,
                       dryRunOption,
                       limitOption,
                       helpOption});
    parser.addPositionalArgument(u"command"_s, QString());

    if (!parser.parse(arguments))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        m_out << helpText();
        m_out.flush();
        return Success;
    }
    m_json = parser.isSet(jsonOption);
    for (const QCommandLineOption &option : {dataDirOption, formatOption, sinceOption, outOption}) {
        if (parser.values(option).size() > 1)
            return usageError(u"--"_s + option.names().constFirst()
                              + u" is given more than once"_s);
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(u"no command given"_s);
    const QString command = positional.first();
    const QStringList rest = positional.mid(1);

    int wanted = 0;
    if (command == u"sites" || command == u"sessions" || command == u"export")
        wanted = 0;
    else if (command == u"visits" || command == u"find" || command == u"forget"
             || command == u"import-chromium" || command == u"search")
        wanted = 1;
    else
        return usageError(u"unknown command '"_s + command + u'\'');
    if (rest.size() < wanted)
        return usageError(u"'"_s + command + u"' needs an argument"_s);
    // The words of a search may come as one argument or as several.
    if (rest.size() > wanted && command != u"search")
        return usageError(u"unexpected argument '"_s + rest.at(wanted) + u'\'');
    if (wanted == 1 && rest.first().isEmpty())
        return usageError(u"'"_s + command + u"' needs a non-empty argument"_s);
    if (command != u"export") {
        for (const QCommandLineOption &option : {formatOption, sinceOption, outOption}) {
            if (parser.isSet(option))
                return usageError(u"--"_s + option.names().constFirst()
                                  + u" is an option of 'export' only"_s);
        }
    }
    if (parser.isSet(dryRunOption) && command != u"forget")
        return usageError(u"--dry-run is an option of 'forget' only"_s);
    int limit = 20;
    if (parser.isSet(limitOption)) {
        if (command != u"search")
            return usageError(u"--limit is an option of 'search' only"_s);
        bool ok = false;
        limit = parser.value(limitOption).toInt(&ok);
        if (!ok || limit < 1 || parser.values(limitOption).size() > 1)
            return usageError(u"--limit needs one whole number of at least 1"_s);
    }
    if (m_json && (command == u"forget" || command == u"import-chromium"))
        return usageError(u"'"_s + command + u"' has no JSON output"_s);

    QString dataFolder;
    if (parser.isSet(dataDirOption)) {
        dataFolder = parser.value(dataDirOption);
        if (dataFolder.isEmpty())
            return usageError(u"--data-dir needs a folder"_s);
        QString problem;
        dataFolder = resolveDataDir(dataFolder, command == u"import-chromium", &problem);
        if (dataFolder.isEmpty())
            return usageError(problem);
    } else {
        dataFolder = m_settings.dataFolder();
    }
    // Importing is a way to begin: it may make the data folder.
    if (command == u"import-chromium" && !QFileInfo::exists(dataFolder)
        && !makePrivateFolder(dataFolder))
        return failure(u"cannot create the data folder "_s + QDir::toNativeSeparators(dataFolder));
    const QFileInfo folder(dataFolder);
    if (!folder.exists())
        return usageError(u"the data folder "_s + QDir::toNativeSeparators(dataFolder)
                          + u" does not exist"_s);
    if (!folder.isDir())
        return usageError(QDir::toNativeSeparators(dataFolder) + u" is not a folder"_s);
    if (!folder.isReadable())
        return usageError(u"the data folder "_s + QDir::toNativeSeparators(dataFolder)
                          + u" cannot be read"_s);

    if (command == u"export") {
        if (parser.isSet(outOption) && parser.value(outOption).isEmpty())
            return usageError(u"--out needs a file"_s);
        return exportRows(folder.absoluteFilePath(),
                          parser.value(formatOption),
                          parser.isSet(sinceOption) ? std::optional(parser.value(sinceOption))
                                                    : std::nullopt,
                          parser.value(outOption));
    }

    const bool changes = command == u"import-chromium"
                         || (command == u"forget" && !parser.isSet(dryRunOption));
    // Roamlog rewrites whole files from its memory: a change made beside it would be undone,
    // and a forgotten site written back.
    DataFolderLock lock(folder.absoluteFilePath());
    if (changes) {
        const DataFolderLock::Result locked = lock.acquire(programName);
        if (locked == DataFolderLock::Result::Busy) {
            m_err << programName << ": the data folder "
                  << QDir::toNativeSeparators(folder.absoluteFilePath()) << " is in use by "
                  << (lock.holder().isEmpty() ? u"Roamlog"_s : lock.holder())
                  << "; nothing was changed. Close Roamlog and try again.\n";
            m_err.flush();
            return Busy;
        }
        if (locked == DataFolderLock::Result::Failed)
            return failure(u"cannot write into the data folder "_s
                           + QDir::toNativeSeparators(folder.absoluteFilePath()) + u": "_s
                           + lock.errorString());
    }
    if (command == u"forget")
        return forget(folder.absoluteFilePath(), rest.first(), parser.isSet(dryRunOption));
    if (command == u"import-chromium")
        return importChromium(folder.absoluteFilePath(), rest.first());
    if (command == u"search") {
        HistoryPageText(folder.absoluteFilePath(), m_out, m_err)
            .search(rest.join(u' '), limit, m_json);
        return Success;
    }

    load(folder.absoluteFilePath());
    int code = Success;
    if (command == u"sites")
        code = listSites();
    else if (command == u"sessions")
        code = listSessions();
    else if (command == u"visits")
        code = listVisits(rest.first());
    else
        code = findSites(rest.first());
    m_out.flush();
    m_err.flush();
    return code;
}

int HistoryCommand::exportRows(const QString &dataFolder,
                               const QString &formatName,
                               const std::optional<QString> &sinceText,
                               const QString &outFile)
{
    HistoryExport::Format format = HistoryExport::Format::Json;
    if (formatName == u"csv") {
        if (m_json)
            return usageError(u"--json and --format csv contradict each other"_s);
        format = HistoryExport::Format::Csv;
    } else if (formatName != u"json" && !(formatName.isEmpty() && m_json)) {
        return usageError(formatName.isEmpty()
                              ? u"'export' needs --format json or --format csv"_s
                              : u"unknown format '"_s + formatName + u"' (json or csv)"_s);
    }

    QDateTime since;
    if (sinceText) {
        since = parseSince(*sinceText);
        if (!since.isValid())
            return usageError(u"--since needs a date as yyyy-MM-dd or yyyy-MM-ddTHH:mm:ss, not '"_s
                              + *sinceText + u'\'');
    }

    if (outFile.isEmpty()) {
        HistoryExport exporter(format, m_out, m_err);
        if (since.isValid())
            exporter.setSince(since);
        exporter.run(dataFolder);
        m_err.flush();
        return Success;
    }

    const QFileInfo target(outFile);
    if (QFileInfo(target.absolutePath()).canonicalFilePath()
        == QFileInfo(dataFolder).canonicalFilePath())
        return usageError(u"--out must not name a file in the data folder"_s);
    QSaveFile file(outFile);
    if (!file.open(QIODevice::WriteOnly))
        return failure(u"cannot write "_s + QDir::toNativeSeparators(outFile) + u": "_s
                       + file.errorString());
    keepPrivate(file);
    QTextStream stream(&file);
    HistoryExport exporter(format, stream, m_err);
    if (since.isValid())
        exporter.setSince(since);
    exporter.run(dataFolder);
    stream.flush();
    if (stream.status() != QTextStream::Ok || !file.commit())
        return failure(u"cannot write "_s + QDir::toNativeSeparators(outFile) + u": "_s
                       + file.errorString());
    m_err.flush();
    return Success;
}

QDateTime HistoryCommand::parseSince(const QString &text)
{
    const QDate date = QDate::fromString(text, u"yyyy-MM-dd"_s);
    if (date.isValid())
        return QDateTime(date, QTime(0, 0, 0));
    for (const QString &format : {u"yyyy-MM-dd'T'HH:mm:ss"_s, u"yyyy-MM-dd HH:mm:ss"_s}) {
        const QDateTime time = QDateTime::fromString(text, format);
        if (time.isValid())
            return time;
    }
    return {};
}

int HistoryCommand::forget(const QString &dataFolder, const QString &pattern, bool dryRun)
{
    if (pattern.trimmed().isEmpty())
        return usageError(u"'forget' needs a non-empty pattern"_s);
    HistoryForget forgetter(dataFolder, m_out, m_err);
    const HistoryForget::Summary summary = forgetter.run(pattern, dryRun);
    const int texts = HistoryPageText(dataFolder, m_out, m_err).forget(pattern, dryRun);
    if (dryRun)
        m_out << summary.matched << (summary.matched == 1 ? " site record" : " site records")
              << " would be removed\n";
    else
        m_out << summary.removed << (summary.removed == 1 ? " site record" : " site records")
              << " removed\n";
    if (texts >= 0)
        m_out << texts << (texts == 1 ? " page text" : " page texts")
              << (dryRun ? " would be removed\n" : " removed\n");
    m_out.flush();
    if (summary.failed > 0)
        return failure(QString::number(summary.failed) + u" site files could not be removed"_s);
    return Success;
}

int HistoryCommand::importChromium(const QString &dataFolder, const QString &profileDir)
{
    ChromiumImport import(dataFolder, NeverRecordRules(m_settings.neverRecord()), m_err);
    import.setProgressShown(m_progressShown);
    if (!import.run(profileDir))
        return failure(import.errorString());
    const ChromiumImport::Summary &s = import.summary();
    m_out << "imported " << s.visitsAdded << " visits (" << s.newRecords << " new and "
          << s.updatedRecords << " existing site records, " << s.newSessions
          << " new browsing sessions) from " << s.rowsRead << " browser visits; skipped "
          << s.alreadyRecorded << " already recorded, " << s.samePage << " of the open page, "
          << s.neverRecord << " under never-record rules, " << s.notRecorded
          << " frames and unrecorded URLs\n";
    m_out.flush();
    if (s.failedFiles > 0)
        return failure(QString::number(s.failedFiles) + u" files could not be written"_s);
    return Success;
}

int HistoryCommand::failure(const QString &message)
{
    m_err << programName << ": " << message << '\n';
    m_err.flush();
    return Failed;
}

void HistoryCommand::load(const QString &dataFolder)
{
    m_store = std::make_unique<RoamStore>(dataFolder, Clock::system());
    m_store->ReadDataFolder();
    for (const QString &path : m_store->unreadableFiles())
        m_err << programName << ": skipped " << QDir::toNativeSeparators(path)
              << ": not a site file\n";
    for (const QString &path : m_store->damagedFiles())
        m_err << programName << ": " << QDir::toNativeSeparators(path)
              << " is only partly readable; what could be read is shown\n";
    m_sessions = m_store->AllSessions;
}

QString HistoryCommand::resolveDataDir(const QString &dir, bool mayBegin, QString *problem)
{
    const auto holdsRecords = [](const QString &folder) {
        const QDir at(folder);
        return at.exists()
               && (QFileInfo::exists(at.filePath(u"Ses.sms"_s))
                   || !at.entryList({u"*.smf"_s}, QDir::Files).isEmpty());
    };
    const QString inner = QDir(dir).filePath(u"Data"_s);
    // What cannot be looked into is said as such by the checks that follow.
    if (QFileInfo(dir).isDir() && !QFileInfo(dir).isReadable())
        return dir;
    if (holdsRecords(dir))
        return dir;
    if (holdsRecords(inner))
        return inner;
    // A new record: where Roamlog with that DIR would keep it once it has made DIR/Data.
    if (mayBegin)
        return QFileInfo(inner).isDir() ? inner : dir;
    if (!QFileInfo(dir).isDir())
        *problem = u"the data folder "_s + QDir::toNativeSeparators(dir) + u" does not exist"_s;
    else
        *problem
            = QDir::toNativeSeparators(dir)
              + u" holds no Roamlog records (no *.smf or Ses.sms in it or in its Data folder)"_s;
    return {};
}

QJsonObject HistoryCommand::siteObject(const CFilePtr &file) const
{
    return QJsonObject {
        {u"url"_s, file->URL()},
        {u"title"_s, file->Title},
        {u"note"_s, noteText(file)},
        {u"level"_s, file->Level()},
        {u"visits"_s, file->Sessions.Count()},
        {u"downloads"_s, file->Activities.Count()},
        {u"firstVisit"_s, jsonTime(firstVisit(file))},
        {u"lastVisit"_s, jsonTime(lastVisit(file))},
        {u"file"_s, QFileInfo(file->FileName).fileName()},
    };
}

int HistoryCommand::printSites(const QList<CFilePtr> &files)
{
    if (m_json) {
        QJsonArray sites;
        for (const CFilePtr &file : files)
            sites.append(siteObject(file));
        printJson(m_out, sites);
        return Success;
    }
    if (files.isEmpty())
        return Success;
    TextTable table(
        {u"LAST VISIT"_s, u"VISITS"_s, u"DOWNLOADS"_s, u"URL"_s, u"TITLE"_s, u"NOTE"_s});
    table.setRightAligned(1);
    table.setRightAligned(2);
    for (const CFilePtr &file : files) {
        table.addRow({textTime(lastVisit(file)),
                      QString::number(file->Sessions.Count()),
                      QString::number(file->Activities.Count()),
                      file->URL(),
                      file->Title,
                      noteText(file)});
    }
    table.print(m_out);
    return Success;
}

int HistoryCommand::listSites()
{
    QList<CFilePtr> files;
    files.reserve(m_store->Files.Count());
    for (const CFilePtr &file : m_store->Files)
        files.append(file);
    return printSites(files);
}

int HistoryCommand::findSites(const QString &text)
{
    QList<CFilePtr> files;
    for (const CFilePtr &file : m_store->Files) {
        if (file->URL().contains(text, Qt::CaseInsensitive)
            || file->Title.contains(text, Qt::CaseInsensitive)
            || file->Note.contains(text, Qt::CaseInsensitive))
            files.append(file);
    }
    return printSites(files);
}

int HistoryCommand::listSessions()
{
    // Sites visited in each browsing session, by the session's start key.
    QHash<QString, QSet<QString>> sitesBySession;
    for (const CFilePtr &file : m_store->Files) {
        for (const RecordRows::Visit &visit : file->Sessions.Rows())
            sitesBySession[wallClockKey(visit.session)].insert(file->URL());
    }
    const auto siteCount = [&sitesBySession](const CSessionPtr &session) {
        return int(sitesBySession.value(timeKey(session->sTime)).size());
    };

    if (m_json) {
        QJsonArray sessions;
        for (const CSessionPtr &session : m_sessions) {
            sessions.append(QJsonObject {
                {u"start"_s, jsonTime(session->sTime)},
                {u"end"_s, jsonTime(session->eTime)},
                {u"durationSeconds"_s, jsonDuration(session->sTime, session->eTime)},
                {u"sites"_s, siteCount(session)},
            });
        }
        printJson(m_out, sessions);
        return Success;
    }
    if (m_sessions.Count() == 0)
        return Success;
    TextTable table({u"START"_s, u"END"_s, u"DURATION"_s, u"SITES"_s});
    table.setRightAligned(2);
    table.setRightAligned(3);
    for (const CSessionPtr &session : m_sessions) {
        table.addRow({textTime(session->sTime),
                      textTime(session->eTime),
                      textDuration(session->sTime, session->eTime),
                      QString::number(siteCount(session))});
    }
    table.print(m_out);
    return Success;
}

int HistoryCommand::listVisits(const QString &url)
{
    const CFilePtr file = m_store->Files.Item(url);
    if (!file)
        return failure(u"no site is recorded under "_s + url);

    if (m_json) {
        QJsonArray visits;
        for (const CSession &visit : file->Sessions) {
            visits.append(QJsonObject {
                {u"start"_s, jsonTime(visit.sTime)},
                {u"end"_s, jsonTime(visit.eTime)},
                {u"durationSeconds"_s, jsonDuration(visit.sTime, visit.eTime)},
                {u"session"_s, jsonTime(visit.Session)},
                {u"query"_s, visit.Param},
            });
        }
        QJsonArray downloads;
        for (const CActivity &act : file->Activities) {
            downloads.append(QJsonObject {
                {u"time"_s, jsonTime(act.Key)},
                {u"session"_s, jsonTime(act.Session)},
                {u"location"_s, act.Location},
            });
        }
        QJsonObject site = siteObject(file);
        site.insert(u"visits"_s, visits);
        site.insert(u"downloads"_s, downloads);
        printJson(m_out, site);
        return Success;
    }

    m_out << "URL:    " << file->URL() << '\n' << "Title:  " << file->Title << '\n';
    if (!noteText(file).isEmpty())
        m_out << "Note:   " << noteText(file) << '\n';
    if (file->Sessions.Count() > 0) {
        m_out << '\n';
        TextTable table({u"START"_s, u"END"_s, u"DURATION"_s, u"SESSION"_s, u"QUERY"_s});
        table.setRightAligned(2);
        for (const CSession &visit : file->Sessions) {
            table.addRow({textTime(visit.sTime),
                          textTime(visit.eTime),
                          textDuration(visit.sTime, visit.eTime),
                          textTime(visit.Session),
                          visit.Param});
        }
        table.print(m_out);
    }
    if (file->Activities.Count() > 0) {
        m_out << '\n';
        TextTable table({u"DOWNLOADED"_s, u"SESSION"_s, u"LOCATION"_s});
        for (const CActivity &act : file->Activities)
            table.addRow({textTime(act.Key), textTime(act.Session), act.Location});
        table.print(m_out);
    }
    return Success;
}
