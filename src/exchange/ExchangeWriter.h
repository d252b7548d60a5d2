#pragma once

#include "exchange/ByteStreams.h"
#include "exchange/ExchangeFormat.h"

#include <cstdint>
#include <string>
#include <vector>

namespace harrowdale {

/// Writes one scan file as a stream of events, depth-first: Begin, then the root's
/// BeginFolder, its entries (File, or BeginFolder ... EndFolder for subfolders), its
/// EndFolder, then End. Memory stays at one output buffer plus one word per open folder,
/// whatever the size of the tree.
///
/// Names are written byte for byte (see ExchangeFormat.h). The writer does not check
/// them: the tree it writes from holds names a file system gave.
class TExchangeWriter
{
public:
    explicit TExchangeWriter(TByteSink& sink);

    /// The version pair and the metadata object.
    void Begin(const TExchangeMeta& meta);
    /// Opens a folder; the first one is the root and is named by its absolute path.
    void BeginFolder(const TExchangeEntry& folder);
    void File(const TExchangeEntry& file);
    void EndFolder();
    /// Closes the document and hands the last bytes to the sink.
    void End();

private:
    void Separator();
    void Info(const TExchangeEntry& e);
    void Key(std::string_view key);
    void Unsigned(std::string_view key, std::uint64_t value);
    void Signed(std::string_view key, std::int64_t value);
    void String(std::string_view bytes);
    void Put(std::string_view s);
    void Flush();

    TByteSink& FSink;
    std::string FBuf;
    /// Device of each open folder: an entry names its device only where it differs.
    std::vector<std::uint64_t> FDevices;
    bool FFirstKey = true;
};

/// Whole Unix seconds of a last-write time in 100-ns ticks since 1601 (rounded down).
std::int64_t UnixSecondsFromTicks(std::int64_t ticks);

} // namespace harrowdale
