#include "fieldwriter.h"

#include "timekey.h"

using namespace Qt::StringLiterals;

void FieldWriter::separate()
{
    if (m_lineStarted)
        m_text += u',';
    m_lineStarted = true;
}

void FieldWriter::string(const QString &value)
{
    separate();
    m_text += u'"';
    if (value.contains(u'"'))
        m_text += QString(value).replace(u"\""_s, u"\"\""_s);
    else
        m_text += value;
    m_text += u'"';
}

void FieldWriter::integer(qint64 value)
{
    separate();
    m_text += QString::number(value);
}

void FieldWriter::dateTime(const QDateTime &value)
{
    separate();
    const QDateTime time = value.isValid() ? value : zeroDateTime();
    const QString key = timeKey(time);
    m_text += u'#';
    if (time.date() == zeroDateTime().date())
        m_text += QStringView(key).sliced(11);
    else if (time.time() == QTime(0, 0, 0))
        m_text += QStringView(key).first(10);
    else
        m_text += key;
    m_text += u'#';
}

void FieldWriter::wallClock(qint64 ms)
{
    separate();
    static const qint64 zeroDay = zeroDateTime().date().toJulianDay();
    constexpr qint64 msPerDay = 86'400'000;
    const QString key = wallClockKey(ms);
    m_text += u'#';
    if (ms >= zeroDay * msPerDay && ms < (zeroDay + 1) * msPerDay)
        m_text += QStringView(key).sliced(11);
    else if (ms % msPerDay == 0)
        m_text += QStringView(key).first(10);
    else
        m_text += key;
    m_text += u'#';
}

void FieldWriter::endLine()
{
    m_text += u"\r\n"_s;
    m_lineStarted = false;
}
