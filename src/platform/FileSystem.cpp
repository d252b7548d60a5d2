#include "platform/FileSystem.h"

#include "platform/Paths.h"

namespace harrowdale::platform {

namespace {

constexpr std::int64_t kEpochDeltaSeconds = 11644473600LL; // 1601-01-01 .. 1970-01-01

} // namespace

bool MatchesRecordedIdentity(const std::optional<FileIdentity>& recorded, const FileIdentity& found)
{
    return !recorded || (recorded->Inode == found.Inode &&
                         (recorded->Device == 0 || recorded->Device == found.Device));
}

const ScanRoot* RootHolding(std::span<const ScanRoot> roots, std::string_view path)
{
    const ScanRoot* best = nullptr;
    for (const ScanRoot& r : roots) {
        if (!IsAbsolutePath(r.Path))
            continue;
        const bool holds = SamePath(path, r.Path) || PathBelow(path, r.Path).has_value();
        if (holds && (best == nullptr || r.Path.size() > best->Path.size()))
            best = &r;
    }
    return best;
}

std::int64_t UnixTimeToTicks(std::int64_t seconds, std::int64_t nanoseconds)
{
    if (seconds == 0 && nanoseconds == 0)
        return 0;
    return (seconds + kEpochDeltaSeconds) * 10000000LL + nanoseconds / 100;
}

} // namespace harrowdale::platform
