#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

/// The zero date-time of the record files: 30 December 1899, 00:00:00, local time.
/// Records start with it; a visit that was never closed keeps it as its end.
QDateTime zeroDateTime();

/// True for the zero date-time and for an invalid one.
bool isZeroDateTime(const QDateTime &time);

/// A local wall-clock time read from a file. It carries the zone's offset at that moment
/// (Qt::OffsetFromUTC) rather than the local-time spec, because building a local-time value
/// asks the C library's time-zone state every time, which dominates loading a large data
/// folder; it compares, orders, formats and measures distances like the local-time value.
QDateTime localDateTime(const QDate &date, const QTime &time);

/// The key text of a moment: "yyyy-MM-dd hh:mm:ss". Its text order is time order, so every
/// collection keyed by times (visits, downloads, browsing sessions) and `LastEntered` use it.
QString timeKey(const QDateTime &time);

/// A moment as one number of its calendar fields (local wall-clock milliseconds counted from
/// the start of the Julian calendar). Two moments give the same number exactly when they give
/// the same `timeKey` down to the millisecond, so it compares and orders as time keys do
/// without writing their texts, and without the time-zone conversions that comparing
/// QDateTime values costs. An invalid time counts as the zero date-time, as in `timeKey`.
qint64 wallClockMs(const QDateTime &time);

/// The day of a `wallClockMs` number, as a Julian day; the number less the day's start
/// (`wallClockDay(ms) * 86'400'000`) is the time of day in milliseconds.
qint64 wallClockDay(qint64 ms);
/// The moment of a `wallClockMs` number, as `localDateTime` makes it; the number of the zero
/// date-time gives `zeroDateTime` itself.
QDateTime fromWallClockMs(qint64 ms);

/// `timeKey` of the moment of a `wallClockMs` number, without making the moment.
QString wallClockKey(qint64 ms);

/// The whole seconds of local wall-clock time (counted as in `wallClockMs`) that a key text
/// names, or none for a text that is not "yyyy-MM-dd hh:mm:ss".
std::optional<qint64> timeKeySeconds(QStringView key);

/// The moment a key text denotes; invalid for a text that is not a time key.
QDateTime fromTimeKey(const QString &key);

/// A moment as the user reads it: the locale's short date and time format.
QString displayTime(const QDateTime &time);
