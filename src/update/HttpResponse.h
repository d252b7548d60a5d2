#pragma once

// Reads an HTTP/1.1 answer as its bytes arrive: the status line, the header lines and the
// body, framed by Content-Length, by chunks or by the end of the connection. The head is
// capped in line length, total size and line count, so a server that sends an endless
// header line or an endless list of them is refused as soon as it passes the cap.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <functional>

namespace harrowdale::update {

struct THttpLimits
{
    qsizetype MaxLineBytes = 8 * 1024;  ///< one line of the head or a chunk's size line
    qsizetype MaxHeadBytes = 64 * 1024; ///< the status line and all header lines
    int MaxHeaderLines = 100;           ///< header lines, trailers included
};

class THttpResponse
{
public:
    /// Receives each piece of the body; a non-empty result stops reading with that error.
    using TBodySink = std::function<QString(QByteArrayView piece)>;

    explicit THttpResponse(TBodySink sink, THttpLimits limits = {});

    /// Reads what arrived. "" while the answer is well-formed, else why it is not (or
    /// the sink's error); nothing more is read after an error.
    QString Feed(QByteArrayView data);
    /// The connection ended: "" when the answer was complete, else why not.
    QString Close();

    bool HeadDone() const { return FState > TState::Headers; }
    bool Done() const { return FState == TState::Done; }
    int Status() const { return FStatus; }
    const QByteArray& Reason() const { return FReason; }
    /// The first header of that name (case-insensitive), without surrounding blanks.
    QByteArray Header(QByteArrayView name) const;
    /// -1 when the answer names no length (chunked, or until the connection ends).
    qint64 ContentLength() const { return FChunked ? -1 : FLength; }
    bool Chunked() const { return FChunked; }

private:
    enum class TState
    {
        StatusLine,
        Headers,
        Body,
        BodyToClose,
        ChunkSize,
        ChunkData,
        ChunkEnd,
        Trailers,
        Done
    };

    /// Takes one line off the buffer into `line` (without its end); false when none is
    /// complete yet. `error` is set when the line is too long.
    bool TakeLine(QByteArray& line, QString& error);
    QString StatusLine(const QByteArray& line);
    QString HeaderLine(const QByteArray& line);
    QString HeadEnded();
    QString Step(bool& progressed);

    TBodySink FSink;
    THttpLimits FLimits;
    TState FState = TState::StatusLine;
    QByteArray FBuffer;
    qsizetype FHeadBytes = 0;
    int FHeaderLines = 0;
    int FStatus = 0;
    QByteArray FReason;
    QList<std::pair<QByteArray, QByteArray>> FHeaders;
    bool FChunked = false;
    qint64 FLength = -1; ///< from Content-Length
    qint64 FLeft = 0;    ///< body or chunk bytes still to come
    QString FError;
};

} // namespace harrowdale::update
