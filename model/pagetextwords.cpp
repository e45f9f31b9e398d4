#include "pagetextwords.h"

#include <QSet>

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The one-letter words Hebrew joins to the front of the next: and, the, in, to, from, that, as.
constexpr QStringView kHebrewPrefixLetters = u"\u05D5\u05D4\u05D1\u05DC\u05DE\u05E9\u05DB";
constexpr int kMaxHebrewPrefixes = 3;
constexpr int kMinHebrewStem = 3;
// Words of a snippet, and how many of them come before the first match.
constexpr int kSnippetWords = 16;
constexpr int kSnippetLead = 4;

// A word as the index compares it: letter case folded, accents and points dropped.
QString folded(QStringView word)
{
    const bool ascii = std::all_of(
        word.begin(), word.end(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return word.toString().toLower();
    QString result;
    const QString decomposed = word.toString().normalized(QString::NormalizationForm_D);
    for (const QChar c : decomposed) {
        if (c.category() != QChar::Mark_NonSpacing)
            result.append(c);
    }
    return result.toCaseFolded();
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing;
}

// The words of @p text as [start, end) character ranges.
QList<std::pair<qsizetype, qsizetype>> wordRanges(const QString &text,
                                                  qsizetype from,
                                                  qsizetype limit)
{
    QList<std::pair<qsizetype, qsizetype>> words;
    qsizetype i = from;
    while (i < text.size() && words.size() < limit) {
        while (i < text.size() && !isWordChar(text.at(i)))
            ++i;
        const qsizetype start = i;
        while (i < text.size() && isWordChar(text.at(i)))
            ++i;
        if (i > start)
            words.append({start, i});
    }
    return words;
}

bool isHebrewLetter(QChar c)
{
    return c.unicode() >= 0x05D0 && c.unicode() <= 0x05EA;
}

// How many leading letters of @p word may be the joined words before a Hebrew word: each of
// them one of those letters, with a stem of three letters or more left.
int hebrewPrefixLength(QStringView word)
{
    if (word.isEmpty() || !isHebrewLetter(word.front()))
        return 0;
    int length = 0;
    while (length < kMaxHebrewPrefixes && word.size() - length - 1 >= kMinHebrewStem
           && kHebrewPrefixLetters.contains(word.at(length)))
        ++length;
    return length;
}

bool startsAnyTerm(QStringView word, const QStringList &terms)
{
    const QString f = folded(word);
    const int prefixes = hebrewPrefixLength(f);
    return std::any_of(terms.cbegin(), terms.cend(), [&f, prefixes](const QString &t) {
        for (int cut = 0; cut <= prefixes; ++cut) {
            if (QStringView(f).mid(cut).startsWith(t))
                return true;
        }
        return false;
    });
}

} // namespace

// The Hebrew words of @p text that have joined letters in front, without them (each way to cut
// them, once).
QString PageTextWords::hebrewStems(const QString &text)
{
    QStringList stems;
    QSet<QStringView> seen;
    for (const auto &[start, end] : wordRanges(text, 0, std::numeric_limits<qsizetype>::max())) {
        const QStringView word = QStringView(text).mid(start, end - start);
        const int prefixes = hebrewPrefixLength(word);
        for (int cut = 1; cut <= prefixes; ++cut) {
            const QStringView stem = word.mid(cut);
            if (!seen.contains(stem)) {
                seen.insert(stem);
                stems.append(stem.toString());
            }
        }
    }
    return stems.join(u' ');
}

// FTS5's own snippet() takes time that grows with the square of the matches in a page; this one
// reads the text once, up to the first match.
QString PageTextWords::snippet(const QString &body,
                               const QStringList &terms,
                               const PageTextMarks &marks)
{
    // The first matching word, and the start of each of the words before it that may lead.
    QList<qsizetype> recent;
    qsizetype first = -1;
    qsizetype i = 0;
    while (i < body.size()) {
        while (i < body.size() && !isWordChar(body.at(i)))
            ++i;
        const qsizetype start = i;
        while (i < body.size() && isWordChar(body.at(i)))
            ++i;
        if (i == start)
            break;
        if (startsAnyTerm(QStringView(body).mid(start, i - start), terms)) {
            first = start;
            break;
        }
        recent.append(start);
        if (recent.size() > kSnippetLead)
            recent.removeFirst();
    }
    const qsizetype from = first < 0 ? 0 : (recent.isEmpty() ? first : recent.first());
    const auto words = wordRanges(body, from, kSnippetWords);
    if (words.isEmpty())
        return {};
    QString result;
    if (words.first().first > 0)
        result += marks.ellipsis;
    qsizetype at = words.first().first;
    for (const auto &[start, end] : words) {
        result += QStringView(body).mid(at, start - at);
        const QStringView word = QStringView(body).mid(start, end - start);
        if (startsAnyTerm(word, terms))
            result += marks.open + word + marks.close;
        else
            result += word;
        at = end;
    }
    // Closing punctuation stays; text cut off is marked.
    qsizetype next = at;
    while (next < body.size() && !isWordChar(body.at(next)))
        ++next;
    if (next < body.size())
        result += marks.ellipsis;
    else
        result += QStringView(body).mid(at);
    return result;
}

// The folded tokens of the searched words, each a prefix of a word to find.
QStringList PageTextWords::searchTerms(const QString &words)
{
    QStringList terms;
    const QString text = withoutHebrewPoints(words);
    for (const auto &[start, end] : wordRanges(text, 0, std::numeric_limits<qsizetype>::max()))
        terms.append(folded(QStringView(text).mid(start, end - start)));
    return terms;
}

QString PageTextWords::withoutHebrewPoints(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // Cantillation U+0591-05AF and points U+05B0-05C7, all of them non-spacing marks.
        if (u >= 0x0591 && u <= 0x05C7 && c.category() == QChar::Mark_NonSpacing)
            continue;
        result.append(c);
    }
    return result;
}

QString PageTextWords::matchExpression(const QString &words)
{
    QStringList terms;
    const QStringList parts = withoutHebrewPoints(words).simplified().split(u' ',
                                                                            Qt::SkipEmptyParts);
    for (QString word : parts) {
        // A word of punctuation alone has no token to look for.
        if (std::none_of(word.cbegin(), word.cend(), [](QChar c) { return c.isLetterOrNumber(); }))
            continue;
        word.replace(u'"', u"\"\""_s);
        terms.append(u'"' + word + u"\"*"_s);
    }
    return terms.join(u' ');
}
