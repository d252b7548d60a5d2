#pragma once

// The byte streams scan files are read from and written to. Failures throw
// EExchangeError (or std::runtime_error from the files) with a one-line message.

#include "platform/ByteFile.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace harrowdale {

class TByteSource
{
public:
    virtual ~TByteSource() = default;
    /// Reads up to `size` bytes; 0 only at the end.
    virtual std::size_t Read(char* data, std::size_t size) = 0;
};

class TByteSink
{
public:
    virtual ~TByteSink() = default;
    /// Takes all of `size` bytes or throws.
    virtual void Write(const char* data, std::size_t size) = 0;
};

/// The bytes of `raw`, inflated when they start with the gzip magic (several gzip members
/// in a row are read as one stream, as gzip itself does), passed through otherwise.
/// `raw` must outlive the result.
std::unique_ptr<TByteSource> OpenDecompressed(TByteSource& raw);

/// A scan file to read: `path` ("-" for standard input), decompressed when gzipped.
/// `cancelled` is asked before each read of the file and while one waits for input (see
/// platform::TInputFile); a read it gives up throws platform::EReadCancelled.
std::unique_ptr<TByteSource> OpenInputFile(const std::string& path,
                                           platform::TReadCancelCheck cancelled = {});
/// The scan file `name` of `folder` (see platform::TInputFile), decompressed when gzipped.
std::unique_ptr<TByteSource> OpenInputFile(const platform::TPrivateFolder& folder,
                                           std::string_view name);

/// A file written whole or not at all ("-" for standard output); see
/// platform::TOutputFile. Commit() after the last byte.
class TOutputFileSink : public TByteSink
{
public:
    explicit TOutputFileSink(const std::string& path);
    TOutputFileSink(const platform::TPrivateFolder& folder, std::string_view name);
    ~TOutputFileSink() override;
    void Write(const char* data, std::size_t size) override;
    void Commit();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

/// Compresses what is written to it as one gzip member into `out`, which must outlive
/// it, at zlib's `level` (1, fastest, to 9, smallest). Finish() after the last byte writes
/// the rest.
class TGzipSink : public TByteSink
{
public:
    explicit TGzipSink(TByteSink& out, int level = 6);
    ~TGzipSink() override;
    void Write(const char* data, std::size_t size) override;
    void Finish();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

} // namespace harrowdale
