#pragma once

#include <QChar>
#include <QString>
#include <Qt>

/// Texts shown in a right-to-left interface: left-to-right runs (URLs, dates, times, durations,
/// numbers, Latin words) kept whole and in their own order, and URLs shown decoded for reading.
///
/// Only display copies pass through here. A URL that is stored, compared or navigated to stays
/// the exact recorded text; a text that goes back into a record is read from where it came
/// from, never from a widget that shows the isolated or decoded copy.
class BidiText final
{
public:
    /// Unicode directional isolates: the text between an opening mark and PDI is laid out on
    /// its own and then placed as one unit in the surrounding paragraph.
    static constexpr QChar LeftToRightIsolate = QChar(0x2066);
    static constexpr QChar RightToLeftIsolate = QChar(0x2067);
    static constexpr QChar FirstStrongIsolate = QChar(0x2068);
    static constexpr QChar PopDirectionalIsolate = QChar(0x2069);

    /// @p text as one left-to-right unit (LRI ... PDI); an empty text stays empty.
    static QString leftToRight(const QString &text);
    /// `leftToRight(text)` in a right-to-left interface, @p text itself in a left-to-right one.
    static QString leftToRight(const QString &text, Qt::LayoutDirection direction);
    /// @p text as one unit that takes the direction of its own first letter (FSI ... PDI): an
    /// English title in a Hebrew sentence, or the reverse, keeps its own order and its ellipsis
    /// on its own end.
    static QString ownDirection(const QString &text);
    /// Wraps every left-to-right run of @p text in LRI ... PDI: a run is a sequence of
    /// blank-separated words that hold no right-to-left letter and at least one Latin letter or
    /// digit, without the punctuation that ends a sentence or a label after it. A text that
    /// already holds isolates is returned as it is.
    static QString isolateLeftToRightRuns(const QString &text);
    /// `isolateLeftToRightRuns` of @p text in a right-to-left interface, @p text itself in a
    /// left-to-right one (where the runs need no help).
    static QString forDirection(const QString &text, Qt::LayoutDirection direction);
    /// @p text without any of the four isolate marks.
    static QString withoutIsolates(const QString &text);

    /// @p url for reading: each run of percent-escapes that encodes UTF-8 text beyond ASCII is
    /// shown as that text (a Hebrew query reads as Hebrew). Escapes of ASCII characters stay
    /// escaped, so that the reader still sees which "/", "?" or "%" are data; so do escapes
    /// that are not valid UTF-8 and those that would decode to blanks, control or formatting
    /// characters (which could hide or reorder the rest of the address).
    static QString readableUrl(const QString &url);
    /// `readableUrl` of @p url, as one left-to-right unit in a right-to-left interface.
    static QString displayUrl(const QString &url, Qt::LayoutDirection direction);
};
