#include "timekey.h"

#include <QHash>
#include <QLocale>

#include <algorithm>
#include <iterator>

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

namespace {

constexpr qint64 msPerDay = 86'400'000;

// Written by hand: this runs for every visit of every site file.
QString keyOf(const QDate &date, const QTime &clock)
{
    int year;
    int month;
    int day;
    date.getDate(&year, &month, &day);
    if (year < 0 || year > 9999)
        return QDateTime(date, clock).toString(keyFormat);
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

} // namespace

qint64 wallClockDay(qint64 ms)
{
    return ms >= 0 ? ms / msPerDay : (ms - msPerDay + 1) / msPerDay;
}

QString timeKey(const QDateTime &time)
{
    const QDateTime t = time.isValid() ? time : zeroDateTime();
    return keyOf(t.date(), t.time());
}

QString wallClockKey(qint64 ms)
{
    const qint64 day = wallClockDay(ms);
    return keyOf(QDate::fromJulianDay(day),
                 QTime::fromMSecsSinceStartOfDay(int(ms - day * msPerDay)));
}

QDateTime fromWallClockMs(qint64 ms)
{
    static const qint64 zero = wallClockMs(zeroDateTime());
    if (ms == zero)
        return zeroDateTime();
    const qint64 day = wallClockDay(ms);
    return localDateTime(QDate::fromJulianDay(day),
                         QTime::fromMSecsSinceStartOfDay(int(ms - day * msPerDay)));
}

std::optional<qint64> timeKeySeconds(QStringView key)
{
    if (key.size() != 19 || key[4] != u'-' || key[7] != u'-' || key[10] != u' ' || key[13] != u':'
        || key[16] != u':')
        return std::nullopt;
    const auto number = [key](int at, int width) {
        int value = 0;
        for (int i = at; i < at + width; ++i) {
            const char16_t c = key[i].unicode();
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + (c - u'0');
        }
        return value;
    };
    const int fields[6] = {
        number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2), number(17, 2)};
    if (std::any_of(std::begin(fields), std::end(fields), [](int f) { return f < 0; }))
        return std::nullopt;
    const QDate date(fields[0], fields[1], fields[2]);
    const QTime time(fields[3], fields[4], fields[5]);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return date.toJulianDay() * 86'400 + time.msecsSinceStartOfDay() / 1000;
}

QDateTime fromTimeKey(const QString &key)
{
    return QDateTime::fromString(key, keyFormat);
}

QString displayTime(const QDateTime &time)
{
    return QLocale().toString(time, QLocale::ShortFormat);
}
