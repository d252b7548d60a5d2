#include "exchange/ScanHistory.h"

#include "exchange/ByteStreams.h"
#include "exchange/ExchangeReader.h"
#include "exchange/ScanTreeExport.h"
#include "platform/Paths.h"
#include "platform/PrivateFolders.h"
#include "scan/SamePath.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>

namespace harrowdale {

namespace {

constexpr std::string_view kSuffix = ".json.gz";

// FNV-1a of the path's key: stable from run to run and from build to build, unlike
// std::hash, and equal for paths the system calls the same.
std::uint64_t PathHash(std::string_view rootPath)
{
    std::uint64_t h = 14695981039346656037ull;
    for (const char c : platform::PathKey(rootPath)) {
        h ^= static_cast<unsigned char>(c);
        h *= 1099511628211ull;
    }
    return h;
}

struct TParsedName
{
    std::uint64_t Hash = 0;
    std::int64_t Time = 0, Bytes = 0, Files = 0;
};

// "<hash, 16 hex digits>-<time>-<bytes>-<files>.json.gz", decimal numbers.
std::string MakeName(std::uint64_t hash, std::int64_t time, std::int64_t bytes, std::int64_t files)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "%016llx-%lld-%lld-%lld", static_cast<unsigned long long>(hash),
                  static_cast<long long>(time), static_cast<long long>(bytes),
                  static_cast<long long>(files));
    return std::string(buf) + std::string(kSuffix);
}

std::optional<TParsedName> ParseName(std::string_view name)
{
    if (!name.ends_with(kSuffix) || name.size() < 17 || name[16] != '-')
        return std::nullopt;
    name.remove_suffix(kSuffix.size());
    TParsedName p;
    const char* end = name.data() + name.size();
    auto r = std::from_chars(name.data(), name.data() + 16, p.Hash, 16);
    if (r.ptr != name.data() + 16)
        return std::nullopt;
    const char* at = name.data() + 17;
    std::int64_t* fields[] = {&p.Time, &p.Bytes, &p.Files};
    for (std::size_t i = 0; i < 3; ++i) {
        r = std::from_chars(at, end, *fields[i]);
        if (r.ec != std::errc() || *fields[i] < 0 || (i < 2 ? *r.ptr != '-' : r.ptr != end))
            return std::nullopt;
        at = r.ptr + 1;
    }
    return p;
}

struct TFound
{
    TParsedName Name;
    platform::TFolderFile File;
};

std::vector<TFound> HistoryFiles(const platform::TPrivateFolder& folder)
{
    std::vector<TFound> found;
    for (platform::TFolderFile& f : folder.RegularFiles())
        if (const auto parsed = ParseName(f.Name))
            found.push_back({*parsed, std::move(f)});
    // Oldest first; equal times by name, so the order does not depend on the listing.
    std::sort(found.begin(), found.end(), [](const TFound& a, const TFound& b) {
        return a.Name.Time != b.Name.Time ? a.Name.Time < b.Name.Time : a.File.Name < b.File.Name;
    });
    return found;
}

// Reads a scan file only as far as its root folder's path.
class TRootOnly : public TExchangeEvents
{
public:
    struct Stop
    {
    };
    void BeginFolder(const TExchangeEntry& folder) override
    {
        Root = std::string(folder.Name);
        throw Stop{};
    }
    void File(const TExchangeEntry&) override {}
    void EndFolder() override {}
    std::string Root;
};

std::optional<std::string> RecordedRoot(const platform::TPrivateFolder& folder,
                                        std::string_view name)
{
    try {
        const auto source = OpenInputFile(folder, name);
        TExchangeReader reader(*source);
        TRootOnly events;
        try {
            reader.Read(events);
        } catch (const TRootOnly::Stop&) {
            return events.Root;
        }
    } catch (const std::exception&) { // damaged, unreadable, not a scan file
    }
    return std::nullopt;
}

std::string Join(const std::string& folder, std::string_view name)
{
    std::string path = folder;
    platform::AppendPathComponent(path, name);
    return path;
}

} // namespace

TScanHistory::TScanHistory(platform::TPrivateFolder folder, THistoryLimits limits)
    : FFolder(std::move(folder)), FLimits(limits)
{
}

TScanHistory::TScanHistory(const std::string& folder, THistoryLimits limits)
    : TScanHistory(platform::TPrivateFolder::Hold(folder), limits)
{
    if (!FFolder.IsOpen())
        throw EHistoryError("cannot keep the scan history: " + folder +
                            ": not used: it must be a folder, not a link");
}

TScanHistory TScanHistory::Open(THistoryLimits limits)
{
    std::string error;
    platform::TPrivateFolder folder =
        platform::TPrivateFolder::OpenData("harrowdale", "history", error);
    if (!folder.IsOpen())
        throw EHistoryError("cannot keep the scan history: " + error);
    return TScanHistory(std::move(folder), limits);
}

THistoryEntry TScanHistory::Record(const TDirNode& root, std::int64_t time, std::int64_t metBytes,
                                   const std::atomic<bool>* stop)
{
    if (root.IsSyntheticRoot())
        throw EHistoryError("a scan of several drives is not kept in the history");
    const std::string name =
        MakeName(PathHash(root.FullPath()), time, root.TotalSize(), root.TotalFiles());
    THistoryEntry entry{Join(Folder(), name), time, root.TotalSize(), root.TotalFiles(), 0};
    try {
        ExportScanFile(root, FFolder, name, metBytes, true, stop);
    } catch (const EExportStopped&) {
        throw;
    } catch (const EExchangeError& e) {
        throw EHistoryError("cannot write " + entry.Path + ": " + e.what());
    }
    Prune(name);
    for (const platform::TFolderFile& f : FFolder.RegularFiles())
        if (f.Name == name)
            entry.FileSize = f.Size;
    return entry;
}

std::vector<THistoryEntry> TScanHistory::List(std::string_view rootPath) const
{
    const std::uint64_t hash = PathHash(rootPath);
    std::vector<THistoryEntry> entries;
    for (const TFound& f : HistoryFiles(FFolder)) {
        if (f.Name.Hash != hash)
            continue;
        const std::optional<std::string> recorded = RecordedRoot(FFolder, f.File.Name);
        if (!recorded || !SamePath(*recorded, rootPath))
            continue; // damaged, or another folder of the same hash
        entries.push_back(
            {Join(Folder(), f.File.Name), f.Name.Time, f.Name.Bytes, f.Name.Files, f.File.Size});
    }
    return entries;
}

void TScanHistory::Prune(std::string_view keep)
{
    std::vector<TFound> files = HistoryFiles(FFolder);
    std::map<std::uint64_t, std::size_t> perFolder; // files seen so far, newest first
    std::vector<bool> drop(files.size(), false);
    for (std::size_t i = files.size(); i-- > 0;)
        drop[i] =
            ++perFolder[files[i].Name.Hash] > FLimits.ScansPerFolder && files[i].File.Name != keep;
    std::int64_t total = 0;
    for (std::size_t i = 0; i < files.size(); ++i)
        if (!drop[i])
            total += files[i].File.Size;
    for (std::size_t i = 0; i < files.size() && total > FLimits.TotalBytes; ++i)
        if (!drop[i] && files[i].File.Name != keep) {
            drop[i] = true;
            total -= files[i].File.Size;
        }
    for (std::size_t i = 0; i < files.size(); ++i)
        if (drop[i])
            FFolder.RemoveRegularFile(files[i].File.Name);
}

THistoryTotals TScanHistory::Totals() const
{
    THistoryTotals totals;
    for (const TFound& f : HistoryFiles(FFolder)) {
        ++totals.Scans;
        totals.Bytes += f.File.Size;
    }
    return totals;
}

void TScanHistory::Clear()
{
    for (const TFound& f : HistoryFiles(FFolder))
        FFolder.RemoveRegularFile(f.File.Name);
}

} // namespace harrowdale
