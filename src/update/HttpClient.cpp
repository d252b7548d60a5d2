#include "update/HttpClient.h"

#include "update/UpdateConfig.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QIODevice>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace harrowdale::update {

namespace {

// The header the maker's server has always seen from this program.
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MyApp)";

int StatusOf(const QNetworkReply* reply)
{
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

bool IsSuccess(int status)
{
    return status >= 200 && status < 300;
}

QString StatusText(const QNetworkReply* reply)
{
    QString text =
        QStringLiteral("HTTP %1 %2")
            .arg(StatusOf(reply))
            .arg(reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString());
    const QUrl target = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!target.isEmpty())
        text += QStringLiteral(" (redirected to %1, not followed)")
                    .arg(reply->url().resolved(target).toString());
    return text.trimmed();
}

QString TooLongText(qint64 cap)
{
    return QStringLiteral("The answer is longer than %1 bytes").arg(cap);
}

THttpHead HeadOf(const QNetworkReply* reply)
{
    THttpHead head;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid())
        head.ContentLength = length.toLongLong();
    head.Chunked = reply->rawHeader("Transfer-Encoding").toLower().contains("chunked");
    return head;
}

} // namespace

THttpClient::THttpClient(THttpOptions options)
    : FOptions(options), FManager(std::make_unique<QNetworkAccessManager>())
{
}

THttpClient::~THttpClient()
{
    if (FReply)
        FReply->abort();
}

QNetworkReply* THttpClient::Start(const QUrl& url, const QDeadlineTimer& deadline)
{
    // A proxy between this program and this machine is never meant (and a test's local
    // server must not be asked through one).
    FManager->setProxy(IsLoopbackHost(url.host()) ? QNetworkProxy(QNetworkProxy::NoProxy)
                                                  : QNetworkProxy(QNetworkProxy::DefaultProxy));
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray(kUserAgent));
    // Content-Length must count the bytes we store for the progress to be right.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    // Redirects are followed here, one request per hop, so that each target is checked
    // before it is asked.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    FRequestError.clear();
    QNetworkReply* reply = FManager->get(request);
    FReply = reply;
    if (FOptions.MaxBodyBytes > 0) {
        const qint64 cap = FOptions.MaxBodyBytes;
        QObject::connect(reply, &QNetworkReply::downloadProgress, reply,
                         [this, cap](qint64 received, qint64 total) {
                             if (received > cap || total > cap)
                                 Fail(TooLongText(cap));
                         });
    }
    if (!deadline.isForever()) {
        const auto limit = FOptions.Deadline;
        QTimer::singleShot(std::max<qint64>(deadline.remainingTime(), 0), reply, [this, limit] {
            Fail(QStringLiteral("No complete answer within %1 ms")
                     .arg(static_cast<qint64>(limit.count())));
        });
    }
    return reply;
}

void THttpClient::Fail(const QString& reason)
{
    if (FRequestError.isEmpty())
        FRequestError = reason;
    if (FReply)
        FReply->abort();
}

QString THttpClient::Wait(QNetworkReply* reply)
{
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec(FOptions.ProcessUserInput ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
    }
    if (!FAbortReason.isEmpty())
        return FAbortReason;
    if (!FRequestError.isEmpty())
        return FRequestError;
    const int status = StatusOf(reply);
    if (status != 0 && !IsSuccess(status))
        return StatusText(reply);
    if (reply->error() != QNetworkReply::NoError)
        return reply->errorString();
    return {};
}

std::optional<QByteArray> THttpClient::Get(const QUrl& url, QString& error)
{
    // The deadline covers the whole request, its redirects included.
    const QDeadlineTimer deadline = FOptions.Deadline.count() > 0
                                        ? QDeadlineTimer(FOptions.Deadline)
                                        : QDeadlineTimer(QDeadlineTimer::Forever);
    QUrl current = url;
    for (int hops = 0;; ++hops) {
        std::unique_ptr<QNetworkReply> reply(Start(current, deadline));
        error = Wait(reply.get());
        const int status = StatusOf(reply.get());
        const QUrl location = reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
        if (FRequestError.isEmpty() && status >= 300 && status < 400 && !location.isEmpty() &&
            FOptions.MaxRedirects > 0) {
            const QUrl target = current.resolved(location);
            if (hops == FOptions.MaxRedirects) {
                error = QStringLiteral("More than %1 redirects").arg(FOptions.MaxRedirects);
                return std::nullopt;
            }
            if (!IsAllowedRedirect(url, target)) {
                error = QStringLiteral("Redirect to %1 refused").arg(target.toString());
                return std::nullopt;
            }
            current = target;
            continue;
        }
        if (!error.isEmpty())
            return std::nullopt;
        QByteArray body = reply->readAll();
        if (FOptions.MaxBodyBytes > 0 && body.size() > FOptions.MaxBodyBytes) {
            error = TooLongText(FOptions.MaxBodyBytes);
            return std::nullopt;
        }
        return body;
    }
}

QString THttpClient::Download(const QUrl& url, QIODevice& out, const TWorkHandler& work)
{
    if (!FAbortReason.isEmpty())
        return FAbortReason;
    std::unique_ptr<QNetworkReply> reply(Start(url, QDeadlineTimer(QDeadlineTimer::Forever)));
    qint64 stored = 0;
    auto store = [this, &reply, &out, &work, &stored] {
        const QByteArray piece = reply->readAll();
        if (!IsSuccess(StatusOf(reply.get())) || piece.isEmpty())
            return; // an error page is no installer
        if (out.write(piece) != piece.size()) {
            Abort(out.errorString());
            return;
        }
        stored += piece.size();
        const QString stop = work(stored, HeadOf(reply.get()));
        if (!stop.isEmpty())
            Abort(stop);
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, reply.get(), store);
    const QString error = Wait(reply.get());
    if (!error.isEmpty())
        return error;
    store(); // whatever arrived with the end of the answer
    return FAbortReason;
}

void THttpClient::Abort(const QString& reason)
{
    if (FAbortReason.isEmpty()) // the first reason is the one the user hears of
        FAbortReason = reason.isEmpty() ? QStringLiteral("The transfer was stopped.") : reason;
    if (FReply)
        FReply->abort();
}

void THttpClient::Disconnect()
{
    FManager->clearConnectionCache();
}

} // namespace harrowdale::update
