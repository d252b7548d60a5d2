// Reading an HTTP/1.1 answer as it arrives: the framings of the body, interim answers,
// and the malformed or cut-short answers that must end the request with an error. Each
// answer is fed whole and byte by byte: where the network splits it must not matter.

#include "update/HttpResponse.h"

#include <gtest/gtest.h>

namespace harrowdale {
namespace {

using update::THttpResponse;

struct TRead
{
    QString Error;
    QByteArray Body;
    int Status = 0;
};

TRead ReadAnswer(const QByteArray& raw, bool byteByByte, bool closeAfter)
{
    TRead out;
    THttpResponse answer([&out](QByteArrayView piece) {
        out.Body.append(piece);
        return QString();
    });
    if (byteByByte) {
        for (qsizetype i = 0; i < raw.size() && out.Error.isEmpty(); ++i)
            out.Error = answer.Feed(QByteArrayView(raw).sliced(i, 1));
    } else {
        out.Error = answer.Feed(raw);
    }
    if (out.Error.isEmpty() && closeAfter)
        out.Error = answer.Close();
    else if (out.Error.isEmpty() && !answer.Done())
        out.Error = QStringLiteral("(not done)");
    out.Status = answer.Status();
    return out;
}

TEST(HttpResponse, FramingsAndMalformedAnswers)
{
    const QString early = QStringLiteral("The connection ended before the whole answer had come");
    struct Case
    {
        const char* What;
        QByteArray Raw;
        bool CloseAfter; // the server closes the connection after these bytes
        QString Error;
        QByteArray Body;
        int Status = 200;
    };
    const Case cases[] = {
        {"Content-Length, then bytes that are no answer's",
         "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", false, "", "hello"},
        {"chunks with an extension and a trailer",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;name=x\r\nhello\r\n"
         "6\r\n world\r\n0\r\nX-Trailer: 1\r\n\r\n",
         false, "", "hello world"},
        {"chunks win over Content-Length",
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nTransfer-Encoding: chunked\r\n\r\n"
         "3\r\nabc\r\n0\r\n\r\n",
         false, "", "abc"},
        {"up to the end of the connection", "HTTP/1.1 200 OK\r\n\r\nabc", true, "", "abc"},
        {"bare LF line ends", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", false, "", "ok"},
        {"an interim answer first",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx", false, "",
         "x"},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", false, "", "", 204},
        {"an error answer's body", "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\nnope", false,
         "", "nope", 404},
        {"cut short in the body", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhello", true, early,
         "hello"},
        {"cut short in a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhel",
         true, early, "hel"},
        {"cut short in the head", "HTTP/1.1 200 OK\r\nContent-Le", true, early, ""},
        {"not HTTP", "SSH-2.0-OpenSSH_9.2\r\n\r\n", false, "The answer is not HTTP/1.1", "", 0},
        {"a status of two digits", "HTTP/1.1 20 OK\r\n\r\n", false, "The answer is not HTTP/1.1",
         "", 0},
        {"a length with a sign", "HTTP/1.1 200 OK\r\nContent-Length: -5\r\n\r\n", false,
         "The answer's Content-Length is not a number", ""},
        {"a length given twice in one line", "HTTP/1.1 200 OK\r\nContent-Length: 5, 5\r\n\r\n",
         false, "The answer's Content-Length is not a number", ""},
        {"a folded header line", "HTTP/1.1 200 OK\r\nX-A: 1\r\n 2\r\n\r\n", false,
         "A header line of the answer is malformed", ""},
        {"a header line without a name", "HTTP/1.1 200 OK\r\n: x\r\n\r\n", false,
         "A header line of the answer is malformed", ""},
        {"a chunk size that is not hexadecimal",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n0x5\r\nhello\r\n", false,
         "A chunk size of the answer is malformed", ""},
        {"a chunk longer than its size",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nhello\r\n0\r\n\r\n", false,
         "A chunk of the answer is longer than its size", "hel"},
    };
    for (const Case& c : cases) {
        for (const bool byteByByte : {false, true}) {
            SCOPED_TRACE(std::string(c.What) + (byteByByte ? ", byte by byte" : ", whole"));
            const TRead read = ReadAnswer(c.Raw, byteByByte, c.CloseAfter);
            EXPECT_EQ(read.Error, c.Error);
            EXPECT_EQ(read.Body, c.Body);
            if (c.Error.isEmpty() || read.Status != 0) {
                EXPECT_EQ(read.Status, c.Status);
            }
        }
    }
}

TEST(HttpResponse, SinkErrorStopsTheReading)
{
    int calls = 0;
    THttpResponse answer([&calls](QByteArrayView) {
        ++calls;
        return QStringLiteral("disk full");
    });
    EXPECT_EQ(answer.Feed("HTTP/1.1 200 OK\r\nContent-Length: 6\r\n\r\nabc"), "disk full");
    EXPECT_EQ(answer.Feed("def"), "disk full");
    EXPECT_EQ(calls, 1);
}

} // namespace
} // namespace harrowdale
