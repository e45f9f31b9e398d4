#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QTcpServer>

class QTcpSocket;

/**
 * A small HTTP/1.1 server on 127.0.0.1 for tests that drive a real browser: fixed responses by
 * path, every request kept for inspection. Each response closes its connection.
 */
class TestHttpServer final
{
public:
    struct Request
    {
        QByteArray method;
        QString path;
        QByteArray body;
    };

    TestHttpServer();
    ~TestHttpServer();

    /** Starts listening on a free port of 127.0.0.1. */
    bool listen();
    /** Absolute URL of a path on this server, such as "/index.html". */
    QString url(const QString &path) const;

    /** Serves any body; a page is HTML in UTF-8. */
    void addFile(const QString &path, const QByteArray &contentType, const QByteArray &body);
    void addPage(const QString &path, const QByteArray &html)
    {
        addFile(path, "text/html; charset=utf-8", html);
    }
    /** Answers with a redirect to @p location (absolute or server-relative). */
    void addRedirect(const QString &path, const QString &location);

    const QList<Request> &requests() const { return m_requests; }
    /** How often @p method (e.g. "GET") was asked for @p path (query string ignored). */
    int requestCount(const QByteArray &method, const QString &path) const;

private:
    struct Response
    {
        int status = 200;
        QByteArray contentType;
        QByteArray headers;
        QByteArray body;
    };

    void onReadyRead(QTcpSocket *socket);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Request> m_requests;
};
