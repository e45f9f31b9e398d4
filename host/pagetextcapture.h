#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>

/**
 * Takes the visible text of a tab's top-level document through the DevTools protocol: once
 * when the document has loaded, and once more a little later for text that scripts add. The
 * text is read in an isolated world made for the reading, so that the page's own scripts
 * neither see nor change it, and is cut to 200 KB in the page.
 */
class PageTextCapture final : public QObject
{
    Q_OBJECT

public:
    /// A command on a session, its reply given to the callback (also for an error reply).
    using Sender = std::function<void(const QString &method,
                                      const QJsonObject &params,
                                      const QString &sessionId,
                                      std::function<void(const QJsonObject &message)> reply)>;

    /// What the browser layer knows of a tab now; an empty session means the tab is gone.
    struct Tab
    {
        QString sessionId;
        QString url;
    };
    using TabLookup = std::function<Tab(const QString &targetId)>;

    /// Characters of text a page gives at most.
    static constexpr int MaxTextLength = 200 * 1024;

    PageTextCapture(Sender send, TabLookup tab, QObject *parent = nullptr);

    /// How long after the load the second reading waits (3 s unless changed).
    void setSecondReadingDelay(int milliseconds) { m_delayMs = milliseconds; }
    /// Whether pages are read at all (on unless changed).
    void setEnabled(bool enabled) { m_enabled = enabled; }
    bool isEnabled() const { return m_enabled; }

    /// The top-level document of the tab @p targetId has loaded.
    void pageLoaded(const QString &targetId);
    /// The tab @p targetId is now watched: a document it loaded before is read (shortly).
    void pageAttached(const QString &targetId);

signals:
    /// The text of the document at @p url, titled @p title, was read.
    void captured(const QString &url, const QString &title, const QString &text);

private:
    void read(const QString &targetId, const Tab &tab);

    Sender m_send;
    TabLookup m_tab;
    int m_delayMs = 3000;
    bool m_enabled = true;
};
