#pragma once

// A blocking HTTP/1.1 client for the start-up check and the installer download. Both run
// on the user-interface thread: a request waits in a local event loop, so network and
// timer events go on while the caller blocks.
//
// Thread: user-interface thread only.

#include <QByteArray>
#include <QPointer>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QDeadlineTimer;
class QIODevice;
class QNetworkAccessManager;
class QNetworkReply;
class QNetworkRequest;
class QUrl;

namespace harrowdale::update {

struct THttpOptions
{
    /// Redirects Get follows before the request fails; 0 follows none, and a redirect
    /// answer is then an error. Only redirects IsAllowedRedirect accepts are followed.
    int MaxRedirects = 0;
    /// Longest time a Get may take in all, redirects included; 0 waits for ever.
    std::chrono::milliseconds Deadline{0};
    /// Largest body Get accepts; 0 takes any size.
    qint64 MaxBodyBytes = 0;
    /// Whether user input (clicks, keys) is handled while a request waits.
    bool ProcessUserInput = false;
};

/// What the answer's header says about its length, as data arrives.
struct THttpHead
{
    qint64 ContentLength = -1; ///< -1 when the answer names none
    bool Chunked = false;      ///< Transfer-Encoding names "chunked"
};

class THttpClient
{
public:
    /// Called after each piece of the answer is stored, with the bytes stored so far; a
    /// non-empty result stops the transfer with that text as its error.
    using TWorkHandler = std::function<QString(qint64 workCount, const THttpHead& head)>;

    explicit THttpClient(THttpOptions options);
    ~THttpClient();
    THttpClient(const THttpClient&) = delete;
    THttpClient& operator=(const THttpClient&) = delete;

    /// The whole body of a successful answer (2xx), or nullopt with `error` set.
    std::optional<QByteArray> Get(const QUrl& url, QString& error);

    /// Writes the body of a successful answer into `out` as it arrives; the body of an
    /// error answer is not written. Returns "" on success, else the error's text.
    QString Download(const QUrl& url, QIODevice& out, const TWorkHandler& work);

    /// Ends a running Download (or the next one) with `reason` as its error.
    void Abort(const QString& reason);

    /// Closes the kept-alive connections.
    void Disconnect();

private:
    QNetworkReply* Start(const QUrl& url, const QDeadlineTimer& deadline);
    QString Wait(QNetworkReply* reply);
    /// Ends the running request with `reason` as its error (this request only).
    void Fail(const QString& reason);

    THttpOptions FOptions;
    std::unique_ptr<QNetworkAccessManager> FManager;
    QPointer<QNetworkReply> FReply; ///< the running request
    QString FAbortReason;
    QString FRequestError; ///< why the running request was ended; reset by Start
};

} // namespace harrowdale::update
