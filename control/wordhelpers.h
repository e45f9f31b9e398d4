#pragma once

#include <QString>
#include <QVariant>

/// The panel's word helpers, used wherever the control library cuts a text at a delimiter.
/// All comparisons are exact (letter case counts).
class WordHelpers final
{
public:
    /// The text before the first @p Delim of @p s (trimmed first); @p Remainder gets the trimmed
    /// rest after that character. Without @p Delim in it: the trimmed @p s, and an empty
    /// @p Remainder. ' a?b=1 ' with "?" gives 'a' and 'b=1'; 'x ? y' gives 'x ' and 'y'.
    static QString CutFirstWord(const QString &s, QString &Remainder, const QString &Delim);

    /// The text after the last @p Sep of @p s (trimmed first); @p Remainder gets everything up
    /// to and including that separator, trimmed. Without @p Sep: the trimmed @p s, and an empty
    /// @p Remainder. 'a/b/c' with "/" gives 'c' and 'a/b/'.
    static QString CutLastWord(const QString &s, QString &Remainder, const QString &Sep);

    /// 0 when @p s holds no string or an empty one; otherwise 1 plus the number of
    /// non-overlapping occurrences of @p Delim, scanning from the left ('a,b,,c' gives 4).
    static qint16 CountCSVWords(const QVariant &s, const QString &Delim);
};
