#include "update/LoopbackServer.h"

#include <QTcpSocket>
#include <QTimer>

namespace harrowdale::test {

TLoopbackServer::TLoopbackServer(const QHostAddress& address)
{
    FServer.listen(address);
    connect(&FServer, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = FServer.nextPendingConnection()) {
            auto request = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, request] {
                if (request->contains("\r\n\r\n"))
                    return; // answered already
                *request += socket->readAll();
                const qsizetype end = request->indexOf("\r\n\r\n");
                if (end < 0)
                    return;
                const QList<QByteArray> lines = request->left(end).split('\n');
                const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
                QByteArray agent;
                for (const QByteArray& line : lines)
                    if (line.toLower().startsWith("user-agent:"))
                        agent = line.mid(11).trimmed();
                UserAgents << agent;
                Answer(socket, requestLine.value(1));
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QUrl TLoopbackServer::Url() const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(FServer.serverAddress().toString());
    url.setPort(FServer.serverPort());
    return url;
}

void TLoopbackServer::Serve(const QByteArray& path, THttpAnswer answer)
{
    FAnswers.insert(path, std::move(answer));
}

void TLoopbackServer::Redirect(const QByteArray& path, const QByteArray& location)
{
    THttpAnswer answer;
    answer.Status = 302;
    answer.Reason = "Found";
    answer.Headers << "Location: " + location;
    answer.Body = "moved";
    Serve(path, answer);
}

void TLoopbackServer::Answer(QTcpSocket* socket, const QByteArray& path)
{
    Requested << path;
    THttpAnswer answer;
    if (FAnswers.contains(path)) {
        answer = FAnswers.value(path);
    } else {
        answer.Status = 404;
        answer.Reason = "Not Found";
        answer.Body = "no such file";
    }
    if (answer.Silent)
        return;
    if (!answer.EndlessHead.isEmpty()) {
        socket->write("HTTP/1.1 200 OK\r\n");
        SendHead(socket, answer.EndlessHead);
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.Status) + ' ' + answer.Reason +
                      "\r\nConnection: close\r\n";
    if (answer.Endless)
        answer.Chunked = true;
    head += answer.Chunked ? QByteArray("Transfer-Encoding: chunked\r\n")
                           : "Content-Length: " + QByteArray::number(answer.Body.size()) + "\r\n";
    for (const QByteArray& h : answer.Headers)
        head += h + "\r\n";
    socket->write(head + "\r\n");
    SendPiece(socket, answer, 0);
}

void TLoopbackServer::SendPiece(QTcpSocket* socket, const THttpAnswer& answer, int piece)
{
    const int pieces = std::max(answer.Pieces, 1);
    const qsizetype size = (answer.Body.size() + pieces - 1) / pieces;
    const QByteArray data = answer.Body.mid(piece * size, size);
    if (answer.Chunked && !data.isEmpty())
        socket->write(QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n");
    else
        socket->write(data);
    if (piece + 1 < pieces || answer.Endless) {
        const int next = piece + 1 < pieces ? piece + 1 : 0;
        QTimer::singleShot(answer.PauseMs, socket,
                           [this, socket, answer, next] { SendPiece(socket, answer, next); });
        return;
    }
    if (answer.Chunked)
        socket->write("0\r\n\r\n");
    socket->disconnectFromHost();
}

void TLoopbackServer::SendHead(QTcpSocket* socket, const QByteArray& head)
{
    // Only as fast as the client takes it: the flood is the client's to stop.
    if (socket->bytesToWrite() < 64 * 1024)
        socket->write(head);
    QTimer::singleShot(1, socket, [this, socket, head] { SendHead(socket, head); });
}

quint16 ClosedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

} // namespace harrowdale::test
