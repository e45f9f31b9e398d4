#include "fieldreader.h"

#include "timekey.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

// The code points of bytes 0x80 to 0x9F in Windows-1252; the other bytes are Latin-1.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

// Reads `count` decimal digits at `pos`; -1 when one is missing.
int digits(QStringView text, qsizetype pos, int count)
{
    if (pos + count > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = text[pos + i].unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

QDate parseDate(QStringView text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return {};
    const int y = digits(text, 0, 4);
    const int m = digits(text, 5, 2);
    const int d = digits(text, 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return {};
    return QDate(y, m, d);
}

QTime parseTime(QStringView text)
{
    if (text.size() != 8 || text[2] != u':' || text[5] != u':')
        return {};
    const int h = digits(text, 0, 2);
    const int m = digits(text, 3, 2);
    const int s = digits(text, 6, 2);
    if (h < 0 || m < 0 || s < 0)
        return {};
    return QTime(h, m, s);
}

} // namespace

QString FieldReader::decode(QByteArrayView bytes)
{
    QString text;
    decodeInto(bytes, text);
    return text;
}

void FieldReader::decodeInto(QByteArrayView bytes, QString &text)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    text.resize(utf8.requiredSpace(bytes.size()));
    const QChar *end = utf8.appendToBuffer(text.data(), bytes);
    if (!utf8.hasError()) {
        text.truncate(end - text.constData());
        return;
    }
    text.resize(bytes.size());
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        *out++ = QChar(b >= 0x80 && b < 0xA0 ? cp1252High[b - 0x80] : char16_t(b));
    }
}

bool FieldReader::next()
{
    const qsizetype size = m_text.size();
    while (m_pos < size && isBlank(m_text[m_pos]))
        ++m_pos;
    if (m_pos >= size) {
        m_exhausted = true;
        return false;
    }
    const QChar first = m_text[m_pos];
    if (first == u'"') {
        m_kind = Kind::Quoted;
        ++m_pos;
        qsizetype close = m_text.indexOf(u'"', m_pos);
        if (close < 0)
            close = size;
        if (close + 1 < size && m_text[close + 1] == u'"') {
            // Doubled quotes: the field's text differs from the file's and is built apart.
            m_unquoted.clear();
            for (;;) {
                m_unquoted += QStringView(m_text).mid(m_pos, close - m_pos);
                m_pos = close + 1;
                if (m_pos < size && m_text[m_pos] == u'"') {
                    m_unquoted += u'"';
                    ++m_pos;
                    close = m_text.indexOf(u'"', m_pos);
                    if (close < 0)
                        close = size;
                    continue;
                }
                break;
            }
            m_field = m_unquoted;
        } else {
            m_field = QStringView(m_text).mid(m_pos, close - m_pos);
            m_pos = close + 1;
        }
        skipToNextField();
        return true;
    }
    qsizetype end = m_pos;
    while (end < size && m_text[end] != u',' && !isLineEnd(m_text[end]))
        ++end;
    QStringView raw = QStringView(m_text).mid(m_pos, end - m_pos).trimmed();
    if (raw.size() >= 2 && raw.front() == u'#' && raw.back() == u'#') {
        m_kind = Kind::Hash;
        raw = raw.mid(1, raw.size() - 2).trimmed();
    } else {
        m_kind = Kind::Bare;
    }
    m_field = raw;
    m_pos = end;
    skipToNextField();
    return true;
}

void FieldReader::skipToNextField()
{
    const qsizetype size = m_text.size();
    m_pos = qMin(m_pos, size);
    while (m_pos < size && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
        ++m_pos;
    if (m_pos >= size)
        return;
    if (m_text[m_pos] == u'\r' && m_pos + 1 < size && m_text[m_pos + 1] == u'\n')
        ++m_pos;
    ++m_pos;
}

bool FieldReader::takeString(QString &target)
{
    if (!next())
        return false;
    target = m_field.toString();
    return true;
}

bool FieldReader::takeInteger(qint64 &target)
{
    if (!next() || m_kind != Kind::Bare)
        return false;
    bool ok = false;
    const qint64 value = m_field.toLongLong(&ok);
    if (!ok)
        return false;
    target = value;
    return true;
}

bool FieldReader::parseMoment(QDate &date, QTime &time) const
{
    const QStringView text(m_field);
    time = QTime(0, 0, 0);
    if (text.size() == 19 && text[10] == u' ') {
        date = parseDate(text.first(10));
        time = parseTime(text.sliced(11));
    } else if (text.size() == 10) {
        date = parseDate(text);
    } else if (text.size() == 8) {
        date = zeroDateTime().date();
        time = parseTime(text);
    }
    return date.isValid() && time.isValid();
}

bool FieldReader::takeDateTime(QDateTime &target)
{
    if (!next() || m_kind != Kind::Hash)
        return false;
    // Times repeat within a file (every visit names its browsing session): reuse the last.
    if (m_field == m_lastTimeText) {
        target = m_lastTime;
        return true;
    }
    QDate date;
    QTime time;
    if (!parseMoment(date, time))
        return false;
    m_lastTime = localDateTime(date, time);
    // Reuses the buffer: one allocation per reader, not per time.
    m_lastTimeText.resize(m_field.size());
    std::copy(m_field.begin(), m_field.end(), m_lastTimeText.begin());
    target = m_lastTime;
    return true;
}

bool FieldReader::takeWallClock(qint64 &target)
{
    if (!next() || m_kind != Kind::Hash)
        return false;
    QDate date;
    QTime time;
    if (!parseMoment(date, time))
        return false;
    target = date.toJulianDay() * 86'400'000 + time.msecsSinceStartOfDay();
    return true;
}
