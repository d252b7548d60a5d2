#include "exchange/ByteStreams.h"

#include "exchange/ExchangeFormat.h"
#include "platform/ByteFile.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>
#include <zlib.h>

namespace harrowdale {

namespace {

constexpr std::size_t kChunk = 256 * 1024;

/// Hands out bytes already read (the magic probe) before the rest of `raw`.
class TPrefixedSource : public TByteSource
{
public:
    TPrefixedSource(TByteSource& raw, std::vector<char> prefix)
        : FRaw(raw), FPrefix(std::move(prefix))
    {
    }
    std::size_t Read(char* data, std::size_t size) override
    {
        if (FPos < FPrefix.size()) {
            const std::size_t n = std::min(size, FPrefix.size() - FPos);
            std::memcpy(data, FPrefix.data() + FPos, n);
            FPos += n;
            return n;
        }
        return FRaw.Read(data, size);
    }

private:
    TByteSource& FRaw;
    std::vector<char> FPrefix;
    std::size_t FPos = 0;
};

class TGzipSource : public TByteSource
{
public:
    TGzipSource(TByteSource& raw, std::vector<char> prefix) : FRaw(raw), FIn(std::move(prefix))
    {
        const std::size_t probed = FIn.size();
        FIn.resize(std::max(probed, kChunk));
        // 16 + MAX_WBITS: gzip framing only; a zlib or raw stream is not a scan file.
        if (inflateInit2(&FZ, 16 + MAX_WBITS) != Z_OK)
            throw EExchangeError("cannot start the gzip decoder");
        FZ.next_in = reinterpret_cast<Bytef*>(FIn.data());
        FZ.avail_in = static_cast<uInt>(probed);
    }
    ~TGzipSource() override { inflateEnd(&FZ); }

    std::size_t Read(char* data, std::size_t size) override
    {
        auto* out = reinterpret_cast<Bytef*>(data);
        FZ.next_out = out;
        FZ.avail_out = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        for (;;) {
            if (FZ.avail_in == 0 && !FRawEnd) {
                const std::size_t n = FRaw.Read(FIn.data(), FIn.size());
                FRawEnd = n == 0;
                FZ.next_in = reinterpret_cast<Bytef*>(FIn.data());
                FZ.avail_in = static_cast<uInt>(n);
            }
            if (FZ.avail_in == 0) {
                if (FInMember)
                    throw EExchangeError("the compressed file ends too early (truncated?)");
                return 0;
            }
            if (!FInMember && SkipPadding())
                continue;
            if (!FInMember) {
                // Another gzip member follows the last one: read it as more of the same.
                if (inflateReset(&FZ) != Z_OK)
                    throw EExchangeError("cannot restart the gzip decoder");
                FInMember = true;
            }
            const int rc = inflate(&FZ, Z_NO_FLUSH);
            if (rc == Z_STREAM_END)
                FInMember = false;
            else if (rc != Z_OK && rc != Z_BUF_ERROR)
                throw EExchangeError(std::string("damaged gzip data: ") +
                                     (FZ.msg != nullptr ? FZ.msg : "inflate failed"));
            if (FZ.next_out != out || size == 0)
                return static_cast<std::size_t>(FZ.next_out - out);
        }
    }

private:
    /// Zero bytes after the last member (a tape or a block device pads its last block),
    /// which gzip itself ignores; true when any were skipped. Nothing may follow them.
    bool SkipPadding()
    {
        std::size_t zeros = 0;
        while (zeros < FZ.avail_in && FZ.next_in[zeros] == 0)
            ++zeros;
        if (zeros < FZ.avail_in && (zeros > 0 || FPadded))
            throw EExchangeError("damaged gzip data: data after the zero padding at its end");
        FZ.next_in += zeros;
        FZ.avail_in -= static_cast<uInt>(zeros);
        FPadded = FPadded || zeros > 0;
        return zeros > 0;
    }

    TByteSource& FRaw;
    std::vector<char> FIn;
    z_stream FZ{};
    bool FPadded = false;
    bool FRawEnd = false;
    bool FInMember = true;
};

class TInputFileSource : public TByteSource
{
public:
    TInputFileSource(const std::string& path, platform::TReadCancelCheck cancelled)
        : FFile(path, std::move(cancelled))
    {
    }
    TInputFileSource(const platform::TPrivateFolder& folder, std::string_view name)
        : FFile(folder, name)
    {
    }
    std::size_t Read(char* data, std::size_t size) override { return FFile.Read(data, size); }

private:
    platform::TInputFile FFile;
};

/// Owns the file under the decoder.
class TOwningSource : public TByteSource
{
public:
    explicit TOwningSource(std::unique_ptr<TByteSource> raw)
        : FRaw(std::move(raw)), FOuter(OpenDecompressed(*FRaw))
    {
    }
    std::size_t Read(char* data, std::size_t size) override { return FOuter->Read(data, size); }

private:
    std::unique_ptr<TByteSource> FRaw;
    std::unique_ptr<TByteSource> FOuter;
};

} // namespace

std::unique_ptr<TByteSource> OpenDecompressed(TByteSource& raw)
{
    std::vector<char> probe(2);
    std::size_t got = 0;
    while (got < probe.size()) {
        const std::size_t n = raw.Read(probe.data() + got, probe.size() - got);
        if (n == 0)
            break;
        got += n;
    }
    probe.resize(got);
    if (got == 2 && static_cast<unsigned char>(probe[0]) == 0x1F &&
        static_cast<unsigned char>(probe[1]) == 0x8B)
        return std::make_unique<TGzipSource>(raw, std::move(probe));
    return std::make_unique<TPrefixedSource>(raw, std::move(probe));
}

std::unique_ptr<TByteSource> OpenInputFile(const std::string& path,
                                           platform::TReadCancelCheck cancelled)
{
    return std::make_unique<TOwningSource>(
        std::make_unique<TInputFileSource>(path, std::move(cancelled)));
}

std::unique_ptr<TByteSource> OpenInputFile(const platform::TPrivateFolder& folder,
                                           std::string_view name)
{
    return std::make_unique<TOwningSource>(std::make_unique<TInputFileSource>(folder, name));
}

struct TOutputFileSink::Impl
{
    template <class... Where> explicit Impl(const Where&... where) : File(where...) {}
    platform::TOutputFile File;
};

TOutputFileSink::TOutputFileSink(const std::string& path) : FImpl(std::make_unique<Impl>(path)) {}
TOutputFileSink::TOutputFileSink(const platform::TPrivateFolder& folder, std::string_view name)
    : FImpl(std::make_unique<Impl>(folder, name))
{
}
TOutputFileSink::~TOutputFileSink() = default;

void TOutputFileSink::Write(const char* data, std::size_t size)
{
    FImpl->File.Write(data, size);
}

void TOutputFileSink::Commit()
{
    FImpl->File.Commit();
}

struct TGzipSink::Impl
{
    Impl(TByteSink& out, int level) : Out(out), Buffer(kChunk)
    {
        // 16 + MAX_WBITS: gzip framing, which every reader of scan files takes.
        if (deflateInit2(&Z, level, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
            throw EExchangeError("cannot start the gzip encoder");
    }
    ~Impl() { deflateEnd(&Z); }
    void Deflate(const char* data, std::size_t size, int flush)
    {
        Z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        Z.avail_in = static_cast<uInt>(size);
        int status = Z_OK;
        do {
            Z.next_out = reinterpret_cast<Bytef*>(Buffer.data());
            Z.avail_out = static_cast<uInt>(Buffer.size());
            status = deflate(&Z, flush);
            if (status == Z_STREAM_ERROR)
                throw EExchangeError("gzip encoder failed");
            Out.Write(Buffer.data(), Buffer.size() - Z.avail_out);
        } while (Z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
    }
    TByteSink& Out;
    std::vector<char> Buffer;
    z_stream Z{};
};

TGzipSink::TGzipSink(TByteSink& out, int level) : FImpl(std::make_unique<Impl>(out, level)) {}
TGzipSink::~TGzipSink() = default;

void TGzipSink::Write(const char* data, std::size_t size)
{
    // In pieces that fit zlib's 32-bit counts.
    while (size > 0) {
        const std::size_t n = std::min<std::size_t>(size, kChunk);
        FImpl->Deflate(data, n, Z_NO_FLUSH);
        data += n;
        size -= n;
    }
}

void TGzipSink::Finish()
{
    FImpl->Deflate(nullptr, 0, Z_FINISH);
}

} // namespace harrowdale
