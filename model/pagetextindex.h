#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "pagetextwords.h"

#include <functional>
#include <memory>

class PageTextWorker;

/// The visible text of recorded pages, in a full-text index of the data folder
/// ("PageText.db", SQLite with FTS5, write-ahead log, private to the user).
///
/// One row per recorded page, keyed by the page's recorded URL (as its site file is keyed,
/// letter case ignored), with its title, its text (at most `MaxTextLength` characters) and the
/// time it was captured. Words are found without regard to letter case or Latin accents, Hebrew
/// words with or without their vowel points and the letters joined to their front, and every
/// word of a search also as the beginning of a longer one. An index file of an older layout is
/// emptied and laid out anew.
///
/// Writes go to a worker thread of their own, in order, so that the caller never waits for the
/// disk; `flush` waits for them. Searches run on the caller's thread and see every write
/// finished before them. A missing index file is created; one that is not a readable index is
/// removed and created empty, and `problem` says so (the index holds nothing that the site
/// files need).
class PageTextIndex final : public QObject
{
    Q_OBJECT

public:
    /// Characters kept of a page's text; the rest is cut.
    static constexpr qsizetype MaxTextLength = 200 * 1024;

    /// One page found by `search`.
    struct Hit
    {
        /// The page's recorded URL, the key of its site record.
        QString key;
        QString title;
        /// A short piece of the text (or title) with the matched words between the markers.
        QString snippet;
        QDateTime captured;
    };

    /// How `search` marks the matched words and the cut ends of a snippet.
    using Marks = PageTextMarks;

    /// How an index is opened.
    enum class Access {
        /// Created when missing, repaired when damaged, written.
        ReadWrite,
        /// Only searched: nothing is created, written or repaired (another program may be
        /// writing it); every write is ignored, a file that cannot be read is a `problem`.
        ReadOnly,
    };

    /// Opens (creating when missing) the index of @p dataFolder, which must exist.
    explicit PageTextIndex(const QString &dataFolder, QObject *parent = nullptr);
    /// Opens the index of @p dataFolder with @p access.
    PageTextIndex(const QString &dataFolder, Access access, QObject *parent = nullptr);
    /// Finishes every queued write first.
    ~PageTextIndex() override;

    /// The name of the index file in a data folder.
    static QString fileName(const QString &dataFolder);
    /// Full path of this index's file.
    QString path() const { return m_path; }
    /// False when the index could not be opened at all (every call then does nothing).
    bool isOpen() const;
    /// What went wrong with the index file, empty when nothing did: set when a damaged file
    /// was replaced by an empty one, or when it cannot be opened.
    QString problem() const;

    /// Keeps @p text (cut to `MaxTextLength`) and @p title as the page keyed @p key, captured
    /// at @p captured, replacing what was kept for it. Queued; an empty key is ignored.
    void store(const QString &key,
               const QString &title,
               const QString &text,
               const QDateTime &captured);
    /// Forgets the pages keyed @p keys (letter case ignored). Queued; once done, their words
    /// are overwritten in the file and its log, which costs a rewrite of the whole index.
    void remove(const QStringList &keys);
    /// Forgets every page whose key @p matches (called on the worker thread). Queued.
    void removeWhere(std::function<bool(const QString &key)> matches);
    /// Forgets every page. Queued.
    void clear();
    /// Waits until every write queued before the call is done.
    void flush();

    /// The pages holding every word of @p words (each also as a prefix), best first, at most
    /// @p limit. Empty when @p words holds no word. When more than 2,000 pages match, only
    /// the 2,000 of them added to the index last are ranked, so that a search of common words
    /// stays quick.
    QList<Hit> search(const QString &words, int limit, const Marks &marks = Marks()) const;
    /// The number of pages kept.
    qsizetype count() const;
    /// The key of every page kept.
    QStringList keys() const;

signals:
    /// The index file was found damaged while in use and was replaced by an empty one, or a
    /// write failed; emitted from the worker thread.
    void problemFound(const QString &message);

private:
    QString m_path;
    std::unique_ptr<PageTextWorker> m_worker;
};
