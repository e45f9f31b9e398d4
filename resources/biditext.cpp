#include "biditext.h"

#include <QByteArray>
#include <QStringDecoder>
#include <QStringList>

namespace {

bool isIsolateMark(QChar c)
{
    return c == BidiText::LeftToRightIsolate || c == BidiText::RightToLeftIsolate
           || c == BidiText::FirstStrongIsolate || c == BidiText::PopDirectionalIsolate;
}

bool isRightToLeft(QChar c)
{
    const QChar::Direction direction = c.direction();
    return direction == QChar::DirR || direction == QChar::DirAL;
}

// A word that reads left to right: no right-to-left letter and something that has a direction
// of its own (a Latin letter or a digit); lone punctuation takes the direction around it.
bool readsLeftToRight(QStringView word)
{
    bool strong = false;
    for (const QChar c : word) {
        if (isRightToLeft(c))
            return false;
        const QChar::Direction direction = c.direction();
        if (direction == QChar::DirL || direction == QChar::DirEN || c.isDigit())
            strong = true;
    }
    return strong;
}

// Punctuation that belongs to the sentence around a run, not to the run: "files: 5." keeps its
// full stop outside, "(site):" its colon.
bool endsSentence(QChar c)
{
    return c == u'.' || c == u',' || c == u':' || c == u';' || c == u'!' || c == u'?';
}

bool isHexDigit(QChar c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

bool escapeAt(const QString &url, qsizetype pos)
{
    return pos + 2 < url.size() && url.at(pos) == u'%' && isHexDigit(url.at(pos + 1))
           && isHexDigit(url.at(pos + 2));
}

// Whether the decoded text may be shown in place of its escapes.
bool safeToShow(const QString &text)
{
    for (const QChar c : text) {
        const QChar::Category category = c.category();
        if (c.isSpace() || category == QChar::Other_Control || category == QChar::Other_Format
            || category == QChar::Other_Surrogate || category == QChar::Other_NotAssigned
            || category == QChar::Other_PrivateUse || c == QChar::ReplacementCharacter)
            return false;
    }
    return true;
}

// The UTF-8 text of a run of escaped bytes, or nothing when it is not shown decoded.
QString decodedRun(const QByteArray &bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(bytes);
    if (decoder.hasError() || !safeToShow(text))
        return QString();
    return text;
}

} // namespace

QString BidiText::leftToRight(const QString &text)
{
    if (text.isEmpty())
        return text;
    return LeftToRightIsolate + text + PopDirectionalIsolate;
}

QString BidiText::leftToRight(const QString &text, Qt::LayoutDirection direction)
{
    return direction == Qt::RightToLeft ? leftToRight(text) : text;
}

QString BidiText::ownDirection(const QString &text)
{
    if (text.isEmpty())
        return text;
    return FirstStrongIsolate + text + PopDirectionalIsolate;
}

QString BidiText::isolateLeftToRightRuns(const QString &text)
{
    for (const QChar c : text) {
        if (isIsolateMark(c))
            return text;
    }
    QString result;
    result.reserve(text.size() + 8);
    qsizetype runStart = -1; // where the open run begins in `text`
    qsizetype runEnd = -1; // where its last word ends
    qsizetype copied = 0; // how much of `text` is in `result`
    const auto closeRun = [&] {
        if (runStart < 0)
            return;
        qsizetype end = runEnd;
        while (end > runStart + 1 && endsSentence(text.at(end - 1)))
            --end;
        result += text.mid(copied, runStart - copied);
        result += LeftToRightIsolate;
        result += text.mid(runStart, end - runStart);
        result += PopDirectionalIsolate;
        copied = end;
        runStart = -1;
    };
    qsizetype pos = 0;
    while (pos < text.size()) {
        if (text.at(pos).isSpace()) {
            ++pos;
            continue;
        }
        qsizetype end = pos;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        if (readsLeftToRight(QStringView(text).mid(pos, end - pos))) {
            if (runStart < 0)
                runStart = pos;
            runEnd = end;
        } else {
            closeRun();
        }
        pos = end;
    }
    closeRun();
    result += text.mid(copied);
    return result;
}

QString BidiText::forDirection(const QString &text, Qt::LayoutDirection direction)
{
    return direction == Qt::RightToLeft ? isolateLeftToRightRuns(text) : text;
}

QString BidiText::withoutIsolates(const QString &text)
{
    QString result = text;
    result.removeIf(isIsolateMark);
    return result;
}

QString BidiText::readableUrl(const QString &url)
{
    QString result;
    result.reserve(url.size());
    qsizetype pos = 0;
    while (pos < url.size()) {
        if (!escapeAt(url, pos)) {
            result += url.at(pos++);
            continue;
        }
        // A run of escapes of bytes beyond ASCII: the bytes of one or more UTF-8 characters.
        QByteArray bytes;
        const qsizetype start = pos;
        while (escapeAt(url, pos)) {
            const int byte = QStringView(url).mid(pos + 1, 2).toInt(nullptr, 16);
            if (byte < 0x80)
                break;
            bytes.append(char(byte));
            pos += 3;
        }
        if (bytes.isEmpty()) {
            result += QStringView(url).mid(pos, 3);
            pos += 3;
            continue;
        }
        const QString decoded = decodedRun(bytes);
        result += decoded.isEmpty() ? QStringView(url).mid(start, pos - start).toString() : decoded;
    }
    return result;
}

QString BidiText::displayUrl(const QString &url, Qt::LayoutDirection direction)
{
    const QString readable = readableUrl(url);
    return direction == Qt::RightToLeft ? leftToRight(readable) : readable;
}
