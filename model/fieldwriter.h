#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

/// Writes lines of comma-separated fields in the format `FieldReader` reads: strings in double
/// quotes with a quote inside doubled, integers in decimal, date-times between # characters;
/// every line ended by CR LF; UTF-8.
class FieldWriter final
{
public:
    void string(const QString &value);
    void integer(qint64 value);
    /// "#yyyy-MM-dd hh:mm:ss#"; only the date at midnight, only the time on the zero date.
    void dateTime(const QDateTime &value);
    /// Like `dateTime`, for the moment of a `wallClockMs` number.
    void wallClock(qint64 ms);
    void endLine();

    QByteArray bytes() const { return m_text.toUtf8(); }

private:
    void separate();

    QString m_text;
    bool m_lineStarted = false;
};
