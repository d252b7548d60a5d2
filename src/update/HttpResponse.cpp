#include "update/HttpResponse.h"

#include <algorithm>

namespace harrowdale::update {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// A whole number of the given base and nothing else; -1 when it is not one or too large.
qint64 Number(QByteArrayView text, int base)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 15)
        return -1;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, base);
    // toLongLong takes signs and "0x"; a length or a chunk size is digits only.
    for (const char c : text)
        if (!(c >= '0' && c <= '9') &&
            !(base == 16 && ((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))))
            return -1;
    return ok ? value : -1;
}

} // namespace

THttpResponse::THttpResponse(TBodySink sink, THttpLimits limits)
    : FSink(std::move(sink)), FLimits(limits)
{
}

QByteArray THttpResponse::Header(QByteArrayView name) const
{
    for (const auto& [key, value] : FHeaders)
        if (key.compare(name, Qt::CaseInsensitive) == 0)
            return value;
    return {};
}

bool THttpResponse::TakeLine(QByteArray& line, QString& error)
{
    const bool inHead =
        FState == TState::StatusLine || FState == TState::Headers || FState == TState::Trailers;
    const qsizetype end = FBuffer.indexOf('\n');
    const qsizetype length = end < 0 ? FBuffer.size() : end;
    if (length > FLimits.MaxLineBytes + 1) { // + 1 for the CR before the LF
        error = QStringLiteral("A line of the answer's head is longer than %1 bytes")
                    .arg(FLimits.MaxLineBytes);
        return false;
    }
    if (inHead && FHeadBytes + length > FLimits.MaxHeadBytes) {
        error =
            QStringLiteral("The answer's head is longer than %1 bytes").arg(FLimits.MaxHeadBytes);
        return false;
    }
    if (end < 0)
        return false;
    line = FBuffer.left(end);
    FBuffer.remove(0, end + 1);
    if (line.endsWith('\r'))
        line.chop(1);
    if (inHead)
        FHeadBytes += end + 1;
    return true;
}

QString THttpResponse::StatusLine(const QByteArray& line)
{
    // HTTP/1.x SP 3DIGIT SP reason
    const QList<QByteArray> parts = line.split(' ');
    if (parts.size() < 2 || !parts[0].startsWith("HTTP/1.") || parts[1].size() != 3)
        return QStringLiteral("The answer is not HTTP/1.1");
    const qint64 status = Number(parts[1], 10);
    if (status < 100 || status > 599)
        return QStringLiteral("The answer is not HTTP/1.1");
    FStatus = static_cast<int>(status);
    FReason = line.mid(parts[0].size() + parts[1].size() + 2).trimmed();
    FState = TState::Headers;
    return {};
}

QString THttpResponse::HeaderLine(const QByteArray& line)
{
    if (++FHeaderLines > FLimits.MaxHeaderLines)
        return QStringLiteral("The answer has more than %1 header lines")
            .arg(FLimits.MaxHeaderLines);
    const qsizetype colon = line.indexOf(':');
    // A line folded onto the one before (a leading blank) is obsolete: refused as RFC 9112
    // allows, since proxies may read it differently.
    if (colon <= 0 || IsBlank(line[0]) || IsBlank(line[colon - 1]))
        return QStringLiteral("A header line of the answer is malformed");
    if (FState == TState::Headers)
        FHeaders.append({line.left(colon), line.mid(colon + 1).trimmed()});
    return {};
}

QString THttpResponse::HeadEnded()
{
    if (FStatus >= 100 && FStatus < 200) { // an interim answer: the real one follows
        FHeaders.clear();
        FState = TState::StatusLine;
        return {};
    }
    FChunked = Header("Transfer-Encoding").toLower().contains("chunked");
    const QByteArray length = Header("Content-Length");
    if (!FChunked && !length.isEmpty()) {
        FLength = Number(length, 10);
        if (FLength < 0)
            return QStringLiteral("The answer's Content-Length is not a number");
    }
    if (FStatus == 204 || FStatus == 304)
        FState = TState::Done;
    else if (FChunked)
        FState = TState::ChunkSize;
    else if (FLength >= 0)
        FState = FLength == 0 ? TState::Done : TState::Body;
    else
        FState = TState::BodyToClose;
    FLeft = FLength;
    return {};
}

QString THttpResponse::Step(bool& progressed)
{
    progressed = false;
    QByteArray line;
    QString error;
    switch (FState) {
    case TState::StatusLine:
    case TState::Headers:
    case TState::Trailers:
        if (!TakeLine(line, error))
            return error;
        progressed = true;
        if (FState == TState::StatusLine)
            return StatusLine(line);
        if (line.isEmpty()) {
            if (FState == TState::Trailers) {
                FState = TState::Done;
                return {};
            }
            return HeadEnded();
        }
        return HeaderLine(line);
    case TState::ChunkSize: {
        if (!TakeLine(line, error))
            return error;
        progressed = true;
        const qsizetype semicolon = line.indexOf(';'); // chunk extensions are ignored
        FLeft = Number(semicolon < 0 ? line : line.left(semicolon), 16);
        if (FLeft < 0)
            return QStringLiteral("A chunk size of the answer is malformed");
        FState = FLeft == 0 ? TState::Trailers : TState::ChunkData;
        return {};
    }
    case TState::ChunkEnd:
        if (!TakeLine(line, error))
            return error;
        progressed = true;
        if (!line.isEmpty())
            return QStringLiteral("A chunk of the answer is longer than its size");
        FState = TState::ChunkSize;
        return {};
    case TState::Body:
    case TState::ChunkData:
    case TState::BodyToClose: {
        if (FBuffer.isEmpty())
            return {};
        const qsizetype take =
            FState == TState::BodyToClose
                ? FBuffer.size()
                : static_cast<qsizetype>(std::min<qint64>(FLeft, FBuffer.size()));
        const QByteArray piece = FBuffer.left(take);
        FBuffer.remove(0, take);
        progressed = true;
        if (FState != TState::BodyToClose) {
            FLeft -= take;
            if (FLeft == 0)
                FState = FState == TState::Body ? TState::Done : TState::ChunkEnd;
        }
        return FSink ? FSink(piece) : QString();
    }
    case TState::Done:
        FBuffer.clear(); // nothing follows an answer on a connection we close
        return {};
    }
    return {};
}

QString THttpResponse::Feed(QByteArrayView data)
{
    if (!FError.isEmpty())
        return FError;
    FBuffer.append(data);
    for (bool progressed = true; progressed && FError.isEmpty();)
        FError = Step(progressed);
    return FError;
}

QString THttpResponse::Close()
{
    if (!FError.isEmpty())
        return FError;
    if (FState == TState::BodyToClose)
        FState = TState::Done;
    if (FState != TState::Done)
        FError = QStringLiteral("The connection ended before the whole answer had come");
    return FError;
}

} // namespace harrowdale::update
