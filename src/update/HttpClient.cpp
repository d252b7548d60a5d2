#include "update/HttpClient.h"

#include "update/UpdateConfig.h"

#include <QEventLoop>
#include <QIODevice>
#include <QNetworkProxy>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace harrowdale::update {

namespace {

// The header the maker's server has always seen from this program.
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MyApp)";
// Read from the socket at most this much at a time, and buffer no more.
constexpr qint64 kPiece = 64 * 1024;

bool IsSuccess(int status)
{
    return status >= 200 && status < 300;
}

bool IsRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

QString StatusText(const THttpResponse& answer)
{
    return QStringLiteral("HTTP %1 %2")
        .arg(answer.Status())
        .arg(QString::fromLatin1(answer.Reason()))
        .trimmed();
}

QString TooLongText(qint64 cap)
{
    return QStringLiteral("The answer is longer than %1 bytes").arg(cap);
}

QByteArray RequestOf(const QUrl& url)
{
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() != -1)
        host += ':' + QByteArray::number(url.port());
    return "GET " + target + " HTTP/1.1\r\nHost: " + host + "\r\nUser-Agent: " + kUserAgent +
           // Content-Length must count the bytes we store for the progress to be right.
           "\r\nAccept-Encoding: identity\r\nConnection: close\r\n\r\n";
}

} // namespace

THttpClient::THttpClient(THttpOptions options)
    : FOptions(options),
      FDeadline(options.Deadline.count() > 0 ? QDeadlineTimer(options.Deadline)
                                             : QDeadlineTimer(QDeadlineTimer::Forever))
{
}

THttpClient::~THttpClient() = default;

QString THttpClient::Exchange(const QUrl& url, THttpResponse& answer)
{
    if (!FAbortReason.isEmpty())
        return FAbortReason;
    const bool tls = url.scheme() == QLatin1String("https");
    QSslSocket socket;
    // A proxy between this program and this machine is never meant (and a test's local
    // server must not be asked through one).
    socket.setProxy(IsLoopbackHost(url.host()) ? QNetworkProxy(QNetworkProxy::NoProxy)
                                               : QNetworkProxy(QNetworkProxy::DefaultProxy));
    socket.setReadBufferSize(kPiece);
    QEventLoop loop;
    QTimer deadline;
    QTimer stall;
    bool finished = false;
    QString error;
    auto finish = [&](const QString& why) {
        if (finished)
            return;
        finished = true;
        error = why;
        loop.quit();
    };
    FStop = finish;
    auto read = [&] {
        if (FOptions.StallTimeout.count() > 0)
            stall.start(FOptions.StallTimeout);
        while (!finished && socket.bytesAvailable() > 0) {
            const QString wrong = answer.Feed(socket.read(kPiece));
            // The body of an error or a redirect is not wanted.
            if (!wrong.isEmpty() || answer.Done() ||
                (answer.HeadDone() && !IsSuccess(answer.Status())))
                finish(wrong);
        }
    };
    auto closed = [&] {
        read();
        finish(answer.Close());
    };
    QObject::connect(&socket, &QIODevice::readyRead, &loop, read);
    QObject::connect(&socket, tls ? &QSslSocket::encrypted : &QAbstractSocket::connected, &loop,
                     [&] { socket.write(RequestOf(url)); });
    QObject::connect(&socket, &QAbstractSocket::disconnected, &loop, closed);
    QObject::connect(&socket, &QAbstractSocket::errorOccurred, &loop,
                     [&](QAbstractSocket::SocketError e) {
                         if (e == QAbstractSocket::RemoteHostClosedError)
                             closed();
                         else
                             finish(socket.errorString());
                     });
    if (!FDeadline.isForever()) {
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
            finish(QStringLiteral("No complete answer within %1 ms")
                       .arg(static_cast<qint64>(FOptions.Deadline.count())));
        });
        deadline.start(std::max<qint64>(FDeadline.remainingTime(), 0));
    }
    if (FOptions.StallTimeout.count() > 0) {
        stall.setSingleShot(true);
        QObject::connect(&stall, &QTimer::timeout, &loop, [&] {
            finish(QStringLiteral("The transfer stalled: nothing came for %1 s")
                       .arg(static_cast<double>(FOptions.StallTimeout.count()) / 1000.0));
        });
        stall.start(FOptions.StallTimeout);
    }
    const quint16 port = static_cast<quint16>(url.port(tls ? 443 : 80));
    if (tls)
        socket.connectToHostEncrypted(url.host(), port);
    else
        socket.connectToHost(url.host(), port);
    if (!finished)
        loop.exec(FOptions.ProcessUserInput ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
    FStop = nullptr;
    socket.abort();
    return FAbortReason.isEmpty() ? error : FAbortReason;
}

QString THttpClient::Fetch(const QUrl& url, const TStore& store)
{
    QUrl current = url;
    for (int hops = 0;; ++hops) {
        const THttpResponse* self = nullptr;
        qint64 stored = 0;
        const qint64 cap = FOptions.MaxBodyBytes;
        THttpResponse answer(
            [&](QByteArrayView piece) {
                if (!IsSuccess(self->Status()))
                    return QString();
                stored += piece.size();
                if (cap > 0 && (stored > cap || self->ContentLength() > cap))
                    return TooLongText(cap); // before a byte of it is stored
                return store(piece, *self);
            },
            FOptions.Limits);
        self = &answer;
        const QString error = Exchange(current, answer);
        if (!error.isEmpty())
            return error;
        const QByteArray location = answer.Header("Location");
        if (IsRedirect(answer.Status()) && !location.isEmpty()) {
            const QUrl target = current.resolved(QUrl::fromEncoded(location));
            if (FOptions.MaxRedirects == 0)
                return StatusText(answer) +
                       QStringLiteral(" (redirected to %1, not followed)").arg(target.toString());
            if (hops == FOptions.MaxRedirects)
                return QStringLiteral("More than %1 redirects").arg(FOptions.MaxRedirects);
            if (!IsAllowedRedirect(url, target))
                return QStringLiteral("Redirect to %1 refused").arg(target.toString());
            current = target;
            continue;
        }
        return IsSuccess(answer.Status()) ? QString() : StatusText(answer);
    }
}

std::optional<QByteArray> THttpClient::Get(const QUrl& url, QString& error)
{
    QByteArray body;
    error = Fetch(url, [&body](QByteArrayView piece, const THttpResponse&) {
        body.append(piece);
        return QString();
    });
    if (!error.isEmpty())
        return std::nullopt;
    return body;
}

QString THttpClient::Download(const QUrl& url, QIODevice& out, const TWorkHandler& work)
{
    qint64 stored = 0;
    return Fetch(url, [&](QByteArrayView piece, const THttpResponse& answer) {
        if (out.write(piece.data(), piece.size()) != piece.size())
            return out.errorString();
        stored += piece.size();
        return work(stored, THttpHead{answer.ContentLength(), answer.Chunked()});
    });
}

void THttpClient::Abort(const QString& reason)
{
    if (FAbortReason.isEmpty()) // the first reason is the one the user hears of
        FAbortReason = reason.isEmpty() ? QStringLiteral("The transfer was stopped.") : reason;
    if (FStop)
        FStop(FAbortReason);
}

} // namespace harrowdale::update
