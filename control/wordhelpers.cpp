#include "wordhelpers.h"

QString WordHelpers::CutFirstWord(const QString &s, QString &Remainder, const QString &Delim)
{
    const QString t = s.trimmed();
    const qsizetype p = Delim.isEmpty() ? -1 : t.indexOf(Delim);
    if (p < 0) {
        Remainder.clear();
        return t;
    }
    Remainder = t.mid(p + 1).trimmed();
    return t.left(p);
}

QString WordHelpers::CutLastWord(const QString &s, QString &Remainder, const QString &Sep)
{
    const QString t = s.trimmed();
    // The separator is one character: a longer one matches nothing.
    const qsizetype i = Sep.size() == 1 ? t.lastIndexOf(Sep.front()) : -1;
    if (i < 0) {
        Remainder.clear();
        return t;
    }
    Remainder = t.left(i + 1).trimmed();
    return t.mid(i + 1);
}

qint16 WordHelpers::CountCSVWords(const QVariant &s, const QString &Delim)
{
    if (s.typeId() != QMetaType::QString)
        return 0;
    const QString text = s.toString();
    if (text.isEmpty())
        return 0;
    int count = 1;
    if (!Delim.isEmpty()) {
        for (qsizetype at = text.indexOf(Delim); at >= 0;
             at = text.indexOf(Delim, at + Delim.size()))
            ++count;
    }
    return qint16(qMin(count, 32767));
}
