// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Test support: a loopback HTTP server for the web panel's tests.

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

#include <memory>
#include <span>

struct Page {
    const char* path;
    const char* html;
};

// A minimal HTTP server on 127.0.0.1 that answers each request with one of
// its pages (404 for any other path) and remembers the paths asked for, and
// the languages each request asked for (its Accept-Language). A path that
// starts with /never is never answered, like a request stuck on the way; one
// that starts with /redirect is sent on to /away.html on another host name
// of this machine (localhost), as a site sending the panel elsewhere would.
class PageServer : public QObject {
public:
    explicit PageServer(std::span<const Page> pages)
        : m_pages(pages)
    {
        connect(&m_server, &QTcpServer::newConnection, this, &PageServer::accept);
        m_server.listen(QHostAddress::LocalHost, 0);
    }

    bool isListening() const { return m_server.isListening(); }
    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    quint16 port() const { return m_server.serverPort(); }
    const QStringList& requests() const { return m_requests; }
    const QStringList& languages() const { return m_languages; }

private:
    void accept()
    {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                if (!buffer->contains("\r\n\r\n"))
                    return;
                const QList<QByteArray> lines = buffer->left(buffer->indexOf("\r\n\r\n")).split('\n');
                const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
                QString languages;
                for (const QByteArray& line : lines)
                    if (line.toLower().startsWith("accept-language:"))
                        languages = QString::fromLatin1(line.mid(line.indexOf(':') + 1).trimmed());
                buffer->clear();
                const QString path = requestLine.value(1);
                // The engine asks for the icon on its own, after the page.
                if (path != QLatin1String("/favicon.ico")) {
                    m_requests << path;
                    m_languages << languages;
                }
                if (path.startsWith(QLatin1String("/never")))
                    return;
                socket->write(response(path));
                socket->disconnectFromHost();
            });
        }
    }

    QByteArray response(const QString& path) const
    {
        if (path.startsWith(QLatin1String("/redirect")))
            return "HTTP/1.1 302 Found\r\nLocation: http://localhost:" + QByteArray::number(port())
                   + "/away.html\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
        QByteArray status = "404 Not Found";
        QByteArray body = "<html><body>not found</body></html>";
        for (const Page& page : m_pages) {
            if (path == QLatin1String(page.path)) {
                status = "200 OK";
                body = page.html;
            }
        }
        return "HTTP/1.1 " + status
               + "\r\nContent-Type: text/html; charset=utf-8\r\n"
                 "Content-Length: "
               + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    }

    std::span<const Page> m_pages;
    QTcpServer m_server;
    QStringList m_requests;
    QStringList m_languages;
};
