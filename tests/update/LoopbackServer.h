#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for the update tests: each path gets a canned
// answer, sent whole, in timed pieces, chunked, endlessly, never, or as a redirect. It runs in the
// test's own thread; the client's waiting loops drive it.

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace harrowdale::test {

struct THttpAnswer
{
    int Status = 200;
    QByteArray Reason = "OK";
    QByteArray Body{};
    QList<QByteArray> Headers{}; ///< extra "Name: value" lines
    bool Chunked = false;        ///< Transfer-Encoding: chunked instead of Content-Length
    int Pieces = 1;              ///< the body is sent in this many pieces...
    int PauseMs = 0;             ///< ...this long apart
    bool Silent = false;         ///< the request is read and never answered
    bool Endless = false;        ///< chunked, and the body sent again until the client goes
    /// When set: after the status line, these bytes again and again until the client goes
    /// (an endless header line, or endless header lines).
    QByteArray EndlessHead{};
};

class TLoopbackServer : public QObject
{
    Q_OBJECT
public:
    /// Listens on `address` (this machine's loopback address unless told otherwise).
    explicit TLoopbackServer(const QHostAddress& address = QHostAddress(QHostAddress::LocalHost));

    /// http://<address>:<port>
    QUrl Url() const;
    void Serve(const QByteArray& path, THttpAnswer answer);
    void Redirect(const QByteArray& path, const QByteArray& location);

    /// Paths asked for, in order, and the User-Agent each request carried.
    QList<QByteArray> Requested;
    QList<QByteArray> UserAgents;

private:
    void Answer(QTcpSocket* socket, const QByteArray& path);
    void SendPiece(QTcpSocket* socket, const THttpAnswer& answer, int piece);
    void SendHead(QTcpSocket* socket, const QByteArray& head);

    QTcpServer FServer;
    QHash<QByteArray, THttpAnswer> FAnswers; ///< paths not here get 404
};

/// A port on 127.0.0.1 where nothing listens.
quint16 ClosedLoopbackPort();

} // namespace harrowdale::test
