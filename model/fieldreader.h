#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

/// Reads the comma-separated fields of a site file or of the sessions file one at a time, in
/// file order. A comma or a line end ends a field; blanks before a field are skipped; a field
/// that starts with a double quote runs to the closing quote (a doubled quote inside stands
/// for one quote); a field between # characters is a date-time.
///
/// Each take consumes one field and returns false without touching its target when that field
/// is of the wrong kind or when the text is exhausted.
class FieldReader final
{
public:
    enum class Kind { Quoted, Hash, Bare };

    /// Reads `text`, which must outlive the reader.
    explicit FieldReader(QStringView text)
        : m_text(text)
    { }
    /// Reads a temporary text, which the reader keeps.
    explicit FieldReader(QString &&text)
        : m_owned(std::move(text))
        , m_text(m_owned)
    { }
    FieldReader(const FieldReader &) = delete;
    FieldReader &operator=(const FieldReader &) = delete;

    /// The file's text: UTF-8, or Windows-1252 when the bytes are not valid UTF-8.
    static QString decode(QByteArrayView bytes);
    /// Like `decode`, into `text`, reusing its buffer.
    static void decodeInto(QByteArrayView bytes, QString &text);

    /// Takes any field as text.
    bool takeString(QString &target);
    /// Takes a decimal integer field.
    bool takeInteger(qint64 &target);
    /// Takes a #date-time# field: "yyyy-MM-dd hh:mm:ss", "yyyy-MM-dd" or "hh:mm:ss".
    bool takeDateTime(QDateTime &target);
    /// Takes a #date-time# field as its `wallClockMs` number, without making a QDateTime.
    bool takeWallClock(qint64 &target);

    /// The text of the field taken last, as it stands between its quotes or # characters.
    QStringView fieldText() const { return m_field; }
    /// The kind of the field taken last.
    Kind lastKind() const { return m_kind; }
    /// True once a take found no field left.
    bool exhausted() const { return m_exhausted; }

private:
    bool next();
    bool parseMoment(QDate &date, QTime &time) const;
    void skipToNextField();

    const QString m_owned;
    const QStringView m_text;
    qsizetype m_pos = 0;
    QStringView m_field;
    QString m_unquoted;
    QString m_lastTimeText;
    QDateTime m_lastTime;
    Kind m_kind = Kind::Bare;
    bool m_exhausted = false;
};
