#pragma once

// A blocking HTTP/1.1 client for the start-up check and the installer download. Both run
// on the user-interface thread: a request waits in a local event loop, so network and
// timer events go on while the caller blocks. Each request has a connection of its own,
// closed when the answer has come; the answer's head is capped (THttpLimits).
//
// Thread: user-interface thread only.

#include "update/HttpResponse.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <chrono>
#include <functional>
#include <optional>

class QIODevice;
class QUrl;

namespace harrowdale::update {

struct THttpOptions
{
    /// Redirects a request follows before it fails; 0 follows none, and a redirect answer
    /// is then an error. Only redirects IsAllowedRedirect accepts are followed.
    int MaxRedirects = 0;
    /// Longest time all the client's requests may take together, counted from the
    /// client's creation; 0 waits for ever.
    std::chrono::milliseconds Deadline{0};
    /// Longest time without a byte of the answer (connecting included); 0 waits for ever.
    std::chrono::milliseconds StallTimeout{0};
    /// Largest body accepted; 0 takes any size.
    qint64 MaxBodyBytes = 0;
    /// Whether user input (clicks, keys) is handled while a request waits.
    bool ProcessUserInput = false;
    THttpLimits Limits{};
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
    /// error or redirect answer is not written. Returns "" on success, else the error.
    QString Download(const QUrl& url, QIODevice& out, const TWorkHandler& work);

    /// Ends a running request (or the next one) with `reason` as its error.
    void Abort(const QString& reason);

private:
    /// Stores a piece of a successful answer's body; a non-empty result stops the transfer.
    using TStore = std::function<QString(QByteArrayView piece, const THttpResponse& answer)>;

    /// Asks for `url`, following redirects; the successful answer's body goes to `store`.
    QString Fetch(const QUrl& url, const TStore& store);
    /// One request and its answer, read into `answer`.
    QString Exchange(const QUrl& url, THttpResponse& answer);

    THttpOptions FOptions;
    QDeadlineTimer FDeadline;
    QString FAbortReason;
    std::function<void(const QString&)> FStop; ///< ends the running request
};

} // namespace harrowdale::update
