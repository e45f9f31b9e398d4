#pragma once

#include <QByteArray>
#include <QString>

class QDir;

/// Internet shortcut files (".url") for the favorites buttons.
///
/// A shortcut is two CR LF terminated lines: "[InternetShortcut]" and "URL=" with the page's
/// URL. Its file name comes from the page title, which any web site controls, so the title is
/// first made a safe file name that cannot leave the folder.
class FavoriteShortcut final
{
public:
    /// The longest file name (without ".url") in bytes of UTF-8.
    static constexpr int MaxNameBytes = 200;

    /// Writes the shortcut for `url` into `folder`, named after `title`. A shortcut of that
    /// name to another URL stays: the new one is named "title (2)", "title (3)"...; a shortcut
    /// to the same URL is rewritten. The file is readable by its owner only. Returns the
    /// written file's path; on failure returns an empty text and puts the reason into `error`
    /// (when not null). The old file stays intact on failure.
    static QString write(const QString &url,
                         const QString &title,
                         const QString &folder,
                         QString *error = nullptr);

    /// `title` as a file name: the characters \ / : * ? " < > | and control characters
    /// become "_", leading dots and trailing blanks and dots go, and the rest is cut to
    /// `MaxNameBytes` without splitting a character. When nothing is left, the same is done
    /// with the host name of `url`, and "shortcut" when that is empty too.
    static QString safeFileName(const QString &title, const QString &url);

    /// The file's bytes for `url`.
    static QByteArray contents(const QString &url);

    /// The URL a shortcut file names, empty when it names none.
    static QString shortcutUrl(const QString &path);

private:
    static QString freePath(const QDir &dir, const QString &name, const QString &url);
};
