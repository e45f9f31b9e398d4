#pragma once

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

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

    TestHttpServer()
    {
        QObject::connect(&m_server, &QTcpServer::newConnection, &m_server, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    onReadyRead(socket);
                });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    m_buffers.remove(socket);
                    socket->deleteLater();
                });
            }
        });
    }

    ~TestHttpServer()
    {
        // Connections still open (a browser that outlived its test) close with the server,
        // after the members their handlers use are gone: they are let go first.
        m_server.close();
        for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>()) {
            socket->disconnect();
            delete socket;
        }
    }

    /** Starts listening on a free port of 127.0.0.1. */
    bool listen() { return m_server.listen(QHostAddress::LocalHost, 0); }
    /** Absolute URL of a path on this server, such as "/index.html". */
    QString url(const QString &path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path);
    }

    /** Serves any body; a page is HTML in UTF-8. */
    void addFile(const QString &path, const QByteArray &contentType, const QByteArray &body)
    {
        m_responses.insert(path, Response {200, contentType, {}, body});
    }
    void addPage(const QString &path, const QByteArray &html)
    {
        addFile(path, "text/html; charset=utf-8", html);
    }
    /** Answers with a redirect to @p location (absolute or server-relative). */
    void addRedirect(const QString &path, const QString &location)
    {
        m_responses.insert(
            path, Response {302, "text/plain", "Location: " + location.toUtf8() + "\r\n", {}});
    }

    const QList<Request> &requests() const { return m_requests; }
    /** How often @p method (e.g. "GET") was asked for @p path (query string ignored). */
    int requestCount(const QByteArray &method, const QString &path) const
    {
        return int(std::count_if(m_requests.cbegin(), m_requests.cend(), [&](const Request &r) {
            return r.method == method && pathOf(r.path) == path;
        }));
    }

private:
    struct Response
    {
        int status = 200;
        QByteArray contentType;
        QByteArray headers;
        QByteArray body;
    };

    static QString pathOf(const QString &target)
    {
        return target.section(u'?', 0, 0).section(u'#', 0, 0);
    }

    void onReadyRead(QTcpSocket *socket)
    {
        QByteArray &buffer = m_buffers[socket];
        buffer += socket->readAll();
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0)
            return;
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        qsizetype contentLength = 0;
        for (const QByteArray &line : lines) {
            const qsizetype colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
                contentLength = line.mid(colon + 1).trimmed().toLongLong();
        }
        if (buffer.size() < headerEnd + 4 + contentLength)
            return;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QByteArray method = requestLine.value(0);
        const QString target = QString::fromLatin1(requestLine.value(1));
        m_requests.append(Request {method, target, buffer.mid(headerEnd + 4, contentLength)});
        buffer.clear();
        const Response response = m_responses.value(pathOf(target),
                                                    Response {404, "text/plain", {}, "not found"});
        // The browser reads the status code alone.
        QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
        reply += "Content-Type: " + response.contentType + "\r\n";
        reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        reply += "Cache-Control: no-store\r\nConnection: close\r\n" + response.headers + "\r\n";
        if (method != "HEAD")
            reply += response.body;
        socket->write(reply);
        socket->disconnectFromHost();
    }

    QTcpServer m_server;
    QHash<QString, Response> m_responses;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Request> m_requests;
};
