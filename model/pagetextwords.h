#pragma once

#include <QString>
#include <QStringList>

/// How a snippet marks the matched words and its cut ends.
struct PageTextMarks
{
    QString open = QStringLiteral("[");
    QString close = QStringLiteral("]");
    QString ellipsis = QStringLiteral("…");
};

/// The words of page text as the page text index sees them: what is indexed besides the text,
/// what a search looks for, and the snippet shown for a page found.
class PageTextWords final
{
public:
    /// @p text without Hebrew vowel points and cantillation marks, which would split words.
    static QString withoutHebrewPoints(const QString &text);

    /// The Hebrew words of @p text that begin with letters Hebrew joins to the front of a word
    /// ("and", "the", "in", "to", "from", "that", "as"), without them: every way to cut up to
    /// three of them that leaves three letters or more, each once, separated by blanks.
    static QString hebrewStems(const QString &text);

    /// The FTS5 query for the words of @p words: each word quoted as a prefix, all required.
    static QString matchExpression(const QString &words);

    /// The words of @p words as compared: letter case folded, accents and points dropped.
    static QStringList searchTerms(const QString &words);

    /// A piece of @p body of about sixteen words from a little before the first word that
    /// begins with one of @p terms (also after joined Hebrew letters), each such word marked;
    /// the beginning of @p body when none does.
    static QString snippet(const QString &body,
                           const QStringList &terms,
                           const PageTextMarks &marks);
};
