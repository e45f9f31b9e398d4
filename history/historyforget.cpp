#include "historyforget.h"

#include "cfile.h"
#include "neverrecordrules.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

using namespace Qt::StringLiterals;

HistoryForget::HistoryForget(const QString &dataFolder, QTextStream &out, QTextStream &err)
    : m_dataFolder(dataFolder)
    , m_out(out)
    , m_err(err)
{ }

HistoryForget::Summary HistoryForget::run(const QString &pattern, bool dryRun)
{
    Summary summary;
    const NeverRecordRules rules({pattern});
    const QDir folder(m_dataFolder);
    // Every site file, also a second one with a URL already seen, which the store would not
    // load but which still holds that site's history.
    const QStringList names = folder.entryList({u"*.smf"_s}, QDir::Files, QDir::Name);
    for (const QString &name : names) {
        const QString path = folder.filePath(name);
        CFile file;
        if (!file.Read(path) || !rules.matches(file.URL()))
            continue;
        ++summary.matched;
        if (dryRun) {
            m_out << "would remove " << file.URL() << "  " << name << '\n';
            continue;
        }
        QFile target(path);
        if (target.remove()) {
            ++summary.removed;
            m_out << "removed " << file.URL() << "  " << name << '\n';
        } else {
            ++summary.failed;
            m_err << "roamlog-history: cannot remove " << QDir::toNativeSeparators(path) << ": "
                  << target.errorString() << '\n';
        }
    }
    m_out.flush();
    m_err.flush();
    return summary;
}
