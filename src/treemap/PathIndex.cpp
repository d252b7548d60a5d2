#include "treemap/PathIndex.h"

#include "platform/Paths.h"
#include "scan/TreePathStyle.h"

namespace harrowdale {

namespace {

std::uint64_t HashKey(const TEntryKey& key)
{
    std::uint64_t h = platform::HashPathKey(key.Name);
    h ^= static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(key.Parent)) *
         0x9E3779B97F4A7C15ull;
    // Final mix (MurmurHash3's), so that the high bits used for the slot depend on all.
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    return h;
}

/// Whether `stored` is the entry `query` asks for. A query without Entry matches by folder
/// and name (names compared as the system compares them); with Entry (a drive) only that
/// entry matches.
bool Matches(const TEntryKey& query, const TEntryKey& stored)
{
    return query.Parent == stored.Parent && platform::SamePath(query.Name, stored.Name) &&
           (query.Entry == nullptr || query.Entry == stored.Entry);
}

/// Position of the first separator in `path`, or npos.
std::size_t FindSeparator(std::string_view path, platform::PathStyle style)
{
    for (std::size_t i = 0; i < path.size(); ++i)
        if (platform::IsPathSeparator(path[i], style))
            return i;
    return std::string_view::npos;
}

/// Position of the last separator in `path`, or npos.
std::size_t FindLastSeparator(std::string_view path, platform::PathStyle style)
{
    for (std::size_t i = path.size(); i > 0; --i)
        if (platform::IsPathSeparator(path[i - 1], style))
            return i - 1;
    return std::string_view::npos;
}

/// The form of the paths below `top`, whose path is `topPath`: a scan file may come from
/// the other system. The drives of an all-drives scan are this system's.
platform::PathStyle StyleBelow(const TDirNode* top, std::string_view topPath)
{
    return top != nullptr && !top->IsSyntheticRoot() ? RootPathStyle(topPath)
                                                     : platform::NativePathStyle();
}

} // namespace

TEntryKey KeyOfFile(const TFileLeaf& file)
{
    return {file.Parent(), file.Name(), nullptr};
}

TEntryKey KeyOfDir(const TDirNode& dir)
{
    const TDirNode* parent = dir.Parent();
    const bool isDrive = parent != nullptr && parent->IsSyntheticRoot();
    return {parent, dir.Name(), isDrive ? &dir : nullptr};
}

const TDirNode* TopFolderOf(const TFileLeaf& file)
{
    const TDirNode* d = file.Parent();
    while (d != nullptr && d->Parent() != nullptr)
        d = d->Parent();
    return d;
}

// ---------------------------------------------------------------- TPathIndex

void TPathIndex::Clear()
{
    std::vector<std::uint32_t>().swap(FSlots);
    FBuilt = false;
}

std::size_t TPathIndex::SlotOf(const TEntryKey& key) const
{
    // Multiply-shift maps the hash onto any table size, so the table need not be a power
    // of two and stays at about 1.5 slots per item.
    return static_cast<std::size_t>(((HashKey(key) >> 32) * FSlots.size()) >> 32);
}

void TPathIndex::Build(std::uint32_t count, const TKeyOf& keyOf)
{
    FSlots.assign(static_cast<std::size_t>(count) + count / 2 + 8, 0);
    FBuilt = true;
    for (std::uint32_t i = 0; i < count; ++i) {
        const TEntryKey key = keyOf(i);
        if (key.Parent == nullptr)
            continue;
        std::size_t s = SlotOf(key);
        while (FSlots[s] != 0 && !Matches(key, keyOf(FSlots[s] - 1)))
            s = s + 1 == FSlots.size() ? 0 : s + 1;
        FSlots[s] = i + 1;
    }
}

std::uint32_t TPathIndex::Find(const TEntryKey& key, const TKeyOf& keyOf) const
{
    if (FSlots.empty() || key.Parent == nullptr)
        return kNone;
    std::size_t s = SlotOf(key);
    while (FSlots[s] != 0) {
        if (Matches(key, keyOf(FSlots[s] - 1)))
            return FSlots[s] - 1;
        s = s + 1 == FSlots.size() ? 0 : s + 1;
    }
    return kNone;
}

// ---------------------------------------------------------------- TPathResolver

TPathResolver::TPathResolver(const TDirNode* top, TFindChildDir findChildDir)
    : FTop(top), FFindChildDir(std::move(findChildDir))
{
    if (FTop == nullptr)
        return;
    if (FTop->IsSyntheticRoot()) {
        for (const TDirNode* drive : FTop->Children())
            FDrives.emplace_back(drive->FullPath(), drive);
    } else {
        FTopPath = FTop->FullPath();
    }
}

const TDirNode* TPathResolver::Walk(const TDirNode* from, std::string_view relative) const
{
    const TDirNode* node = from;
    while (node != nullptr) {
        const auto slash = FindSeparator(relative, StyleBelow(FTop, FTopPath));
        const std::string_view name = relative.substr(0, slash);
        // An empty component ("a//b", a trailing separator) names nothing: no entry's path
        // has one.
        node = name.empty() ? nullptr : FFindChildDir(node, name);
        if (slash == std::string_view::npos)
            break;
        relative.remove_prefix(slash + 1);
    }
    return node;
}

const TDirNode* TPathResolver::ResolveDir(std::string_view dirPath)
{
    if (const auto it = FResolved.find(dirPath); it != FResolved.end())
        return it->second;
    const TDirNode* result = nullptr;
    if (FTop == nullptr) {
        // nothing below
    } else if (!FTop->IsSyntheticRoot()) {
        const platform::PathStyle style = StyleBelow(FTop, FTopPath);
        if (platform::SamePath(dirPath, FTopPath, style))
            result = FTop;
        else if (const auto rest = platform::PathBelow(dirPath, FTopPath, style))
            result = Walk(FTop, *rest);
    } else {
        // Drives can nest ("/" and "/home"): the deepest drive holding the path owns it.
        const std::pair<std::string, const TDirNode*>* owner = nullptr;
        std::string_view rest;
        for (const auto& drive : FDrives) {
            if (platform::SamePath(dirPath, drive.first))
                return FResolved[dirPath] = drive.second;
            const auto below = platform::PathBelow(dirPath, drive.first);
            if (below && (owner == nullptr || drive.first.size() > owner->first.size())) {
                owner = &drive;
                rest = *below;
            }
        }
        if (owner != nullptr)
            result = Walk(owner->second, rest);
    }
    FResolved.emplace(dirPath, result);
    return result;
}

std::optional<TEntryKey> TPathResolver::KeyOf(std::string_view path)
{
    if (FTop == nullptr || path.empty())
        return std::nullopt;
    for (const auto& drive : FDrives)
        if (platform::SamePath(path, drive.first))
            return TEntryKey{FTop, drive.second->Name(), drive.second};
    const platform::PathStyle style = StyleBelow(FTop, FTopPath);
    const auto slash = FindLastSeparator(path, style);
    if (slash == std::string_view::npos || slash + 1 == path.size())
        return std::nullopt;
    // Entries of "/" are "/name", so "//name" names nothing.
    if (slash == 1 && platform::IsPathSeparator(path.front(), style))
        return std::nullopt;
    const std::string_view dir = slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
    const TDirNode* parent = ResolveDir(dir);
    if (parent == nullptr)
        return std::nullopt;
    return TEntryKey{parent, path.substr(slash + 1), nullptr};
}

} // namespace harrowdale
