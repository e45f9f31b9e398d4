#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

/**
 * A small HTTP/1.1 server on 127.0.0.1 for tests that drive a real browser: fixed responses by
 * path, every request kept for inspection. Each response closes its connection.
 */
class TestHttpServer final : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        QString path;
        QByteArray body;
    };

    explicit TestHttpServer(QObject *parent = nullptr);
    ~TestHttpServer() override;

    /** Starts listening on a free port of 127.0.0.1. */
    bool listen();
    /** Absolute URL of a path on this server, such as "/index.html". */
    QString url(const QString &path) const;

    /** Serves an HTML page (UTF-8). */
    void addPage(const QString &path, const QByteArray &html);
    /** Answers with a redirect to location (absolute or server-relative). */
    void addRedirect(const QString &path, const QString &location, int status = 302);
    /** Serves any body. */
    void addFile(const QString &path, const QByteArray &contentType, const QByteArray &body);

    QList<Request> requests() const { return m_requests; }
    /** How often method (e.g. "GET") was asked for path (query string ignored). */
    int requestCount(const QByteArray &method, const QString &path) const;

private:
    struct Response
    {
        int status = 200;
        QByteArray contentType;
        QByteArray headers;
        QByteArray body;
    };

    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void respond(QTcpSocket *socket,
                 const QByteArray &method,
                 const QString &target,
                 const QByteArray &body);

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Request> m_requests;
};
