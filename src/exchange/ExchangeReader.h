#pragma once

#include "exchange/ByteStreams.h"
#include "exchange/ExchangeFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace harrowdale {

/// Receives a scan file's contents in document order.
class TExchangeEvents
{
public:
    virtual ~TExchangeEvents() = default;
    virtual void Metadata(const TExchangeMeta& meta) { (void)meta; }
    /// A folder opens. The first is the root, named by its absolute path in the form of
    /// the system that wrote the file ("/..." or "C:\...", see platform::AbsolutePathStyle),
    /// lexically normal (platform::LexicallyNormalPath); every other name is one path
    /// component.
    virtual void BeginFolder(const TExchangeEntry& folder) = 0;
    /// An entry that is not a folder, in the folder opened last.
    virtual void File(const TExchangeEntry& file) = 0;
    virtual void EndFolder() = 0;
};

/// Reads one scan file from a byte stream, iteratively (an explicit stack, never one call
/// per nesting level) through a buffered byte-level tokenizer, and checks everything it
/// passes on: versions, the document's shape, names (no empty name, no separator, no NUL, not
/// "." or ".."; the root an absolute path of either system), sizes (whole
/// numbers from 0 to 2^63-1), dates, nesting (at most exchange::kMaxFolderDepth levels)
/// and the lengths of names and numbers. Unknown keys are skipped, so later minor versions
/// read. Memory is one input buffer, one name and one frame per open folder or skipped
/// value; nothing grows with the length of the file.
///
/// Errors throw EExchangeError with one line that names the problem and its byte offset
/// (in the decompressed stream); errors thrown by the events pass through.
class TExchangeReader
{
public:
    explicit TExchangeReader(TByteSource& source);
    ~TExchangeReader();

    void Read(TExchangeEvents& events);

    /// Bytes consumed so far.
    std::uint64_t Offset() const;

private:
    class Impl;
    std::unique_ptr<Impl> FImpl;
};

} // namespace harrowdale
