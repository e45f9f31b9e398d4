#include "timekey.h"

#include <QHash>
#include <QLocale>

using namespace Qt::StringLiterals;

namespace {
const QString keyFormat = u"yyyy-MM-dd hh:mm:ss"_s;
}

QDateTime zeroDateTime()
{
    static const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0, 0));
    return zero;
}

bool isZeroDateTime(const QDateTime &time)
{
    return !time.isValid() || (time.date() == QDate(1899, 12, 30) && time.time() == QTime(0, 0, 0));
}

QDateTime localDateTime(const QDate &date, const QTime &time)
{
    if (!date.isValid() || !time.isValid())
        return {};
    // Zone offsets change on the hour at most: one lookup per hour of the calendar.
    thread_local QHash<qint64, int> offsets;
    const qint64 hour = date.toJulianDay() * 24 + time.hour();
    auto it = offsets.constFind(hour);
    if (it == offsets.constEnd()) {
        if (offsets.size() > 100000)
            offsets.clear();
        const int offset = QDateTime(date, QTime(time.hour(), 0, 0)).offsetFromUtc();
        it = offsets.insert(hour, offset);
    }
    return QDateTime(date, time, Qt::OffsetFromUTC, it.value());
}

qint64 wallClockMs(const QDateTime &time)
{
    const QDateTime t = time.isValid() ? time : zeroDateTime();
    // Times read from files carry their offset, which gives the fields without calendar
    // arithmetic; the Chrono build asks this for every visit of every site.
    constexpr qint64 epochDay = 2'440'588; // the Julian day of 1970-01-01
    const Qt::TimeSpec spec = t.timeSpec();
    if (spec == Qt::UTC || spec == Qt::OffsetFromUTC)
        return t.toMSecsSinceEpoch() + qint64(t.offsetFromUtc()) * 1000 + epochDay * 86'400'000;
    return t.date().toJulianDay() * 86'400'000 + t.time().msecsSinceStartOfDay();
}

QString timeKey(const QDateTime &time)
{
    const QDateTime t = time.isValid() ? time : zeroDateTime();
    const QDate date = t.date();
    const QTime clock = t.time();
    int year;
    int month;
    int day;
    date.getDate(&year, &month, &day);
    if (year < 0 || year > 9999)
        return t.toString(keyFormat);
    // Written by hand: this runs for every visit of every site file at start.
    char16_t text[19];
    const auto put = [&text](int at, int value, int width) {
        for (int i = width - 1; i >= 0; --i) {
            text[at + i] = char16_t(u'0' + value % 10);
            value /= 10;
        }
    };
    put(0, year, 4);
    text[4] = u'-';
    put(5, month, 2);
    text[7] = u'-';
    put(8, day, 2);
    text[10] = u' ';
    put(11, clock.hour(), 2);
    text[13] = u':';
    put(14, clock.minute(), 2);
    text[16] = u':';
    put(17, clock.second(), 2);
    return QString(reinterpret_cast<const QChar *>(text), 19);
}

QDateTime fromTimeKey(const QString &key)
{
    return QDateTime::fromString(key, keyFormat);
}

QString displayTime(const QDateTime &time)
{
    return QLocale().toString(time, QLocale::ShortFormat);
}
