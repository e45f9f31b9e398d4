#include "recordedurl.h"

using namespace Qt::StringLiterals;

qsizetype RecordedUrl::schemeLength(const QString &url)
{
    const qsizetype colon = url.indexOf(u"://"_s);
    if (colon <= 0 || !url.front().isLetter())
        return 0;
    for (qsizetype i = 1; i < colon; ++i) {
        const QChar c = url.at(i);
        if (!(c.isLetterOrNumber() || c == u'+' || c == u'-' || c == u'.'))
            return 0;
    }
    return colon + 3;
}

QString RecordedUrl::normalise(const QString &raw)
{
    if (raw.isEmpty())
        return {};
    if (raw.startsWith("http:"_L1, Qt::CaseInsensitive) && raw.size() < 11)
        return {};
    if (raw.startsWith("https:"_L1, Qt::CaseInsensitive) && raw.size() < 12)
        return {};
    QString result = withoutScheme(raw);
    if (result.endsWith(u'/'))
        result.chop(1);
    return result;
}

QString RecordedUrl::withoutScheme(const QString &url)
{
    QString result = url;
    if (result.startsWith("http://"_L1, Qt::CaseInsensitive))
        result.remove(0, 7);
    else if (result.startsWith("https://"_L1, Qt::CaseInsensitive))
        result.remove(0, 8);
    if (result.startsWith("file://"_L1, Qt::CaseInsensitive))
        result.remove(0, 7);
    return result;
}

QStringList RecordedUrl::parents(const QString &recorded)
{
    QStringList result;
    QString url = recorded;
    for (;;) {
        if (url.startsWith("ftp://"_L1))
            break;
        const QString whole = url.trimmed();
        // A "/" in a query or fragment ("page#/route", "s?u=a/b") is not a path step.
        const qsizetype pathEnd = pathLength(whole);
        QStringView path = QStringView(whole).left(pathEnd);
        if (path.endsWith(u'/') && pathEnd == whole.size())
            path.chop(1);
        if (!path.contains(u'/'))
            break;
        // Everything up to the last "/" of the path, that "/" included.
        QString remainder = whole.left(whole.left(pathEnd).lastIndexOf(u'/') + 1).trimmed();
        if (remainder.size() <= schemeLength(whole))
            break;
        remainder.chop(1);
        if (remainder.isEmpty())
            break;
        result.append(remainder);
        url = remainder;
    }
    return result;
}

qsizetype RecordedUrl::pathLength(const QString &url)
{
    for (qsizetype i = 0; i < url.size(); ++i) {
        if (url.at(i) == u'?' || url.at(i) == u'#')
            return i;
    }
    return url.size();
}

QString RecordedUrl::query(const QString &recorded)
{
    const QString trimmed = recorded.trimmed();
    const qsizetype mark = trimmed.indexOf(u'?');
    return mark < 0 ? QString() : trimmed.mid(mark + 1).trimmed();
}

QString RecordedUrl::fileNameFor(const QDateTime &time, int count)
{
    const QDate date = time.date();
    const QTime clock = time.time();
    return QString::number(date.dayOfYear()) + QString::number(date.month())
           + QString::number(date.day()) + QString::number(clock.hour())
           + QString::number(clock.minute()) + QString::number(count) + u".smf"_s;
}
