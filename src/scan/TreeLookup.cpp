#include "scan/TreeLookup.h"

#include "platform/PathForms.h"
#include "platform/Paths.h"
#include "scan/TreePathStyle.h"

#include <optional>

namespace harrowdale {

namespace {

/// The rest of `path` below `rootPath` ("" for the root itself); false when the root
/// does not hold it.
bool Below(std::string_view rootPath, std::string_view path, std::string_view& rest,
           platform::PathStyle style)
{
    if (rootPath.empty())
        return false;
    if (platform::SamePath(path, rootPath, style)) {
        rest = {};
        return true;
    }
    const std::optional<std::string_view> below = platform::PathBelow(path, rootPath, style);
    if (below)
        rest = *below;
    return below.has_value();
}

/// The entry at `rest` below `folder`; with `nearest`, the deepest folder on the way when
/// the path goes on where the tree does not.
TTreeEntry Descend(const TDirNode* folder, std::string_view rest, platform::PathStyle style,
                   bool nearest)
{
    while (!rest.empty()) {
        std::size_t end = 0;
        while (end < rest.size() && !platform::IsPathSeparator(rest[end], style))
            ++end;
        const std::string_view name = rest.substr(0, end);
        const bool last = end == rest.size();
        rest = last ? std::string_view() : rest.substr(end + 1);
        if (name.empty() || name == "." || name == ".." || (!last && rest.empty()))
            return nearest ? TTreeEntry{folder, nullptr} : TTreeEntry{};
        const TDirNode* next = nullptr;
        for (const TDirNode* c : folder->Children())
            if (platform::SamePath(c->Name(), name)) {
                next = c;
                break;
            }
        if (next == nullptr) {
            if (nearest)
                return {folder, nullptr};
            if (!last)
                return {};
            for (const TFileLeaf& f : folder->Leaves())
                if (platform::SamePath(f.Name(), name))
                    return {nullptr, &f};
            return {};
        }
        folder = next;
    }
    return {folder, nullptr};
}

TTreeEntry Lookup(const TDirNode* root, std::string_view path, bool nearest)
{
    if (root == nullptr)
        return {};
    const TTreeEntry none = nearest ? TTreeEntry{root, nullptr} : TTreeEntry{};
    if (path.empty())
        return none;
    if (!root->IsSyntheticRoot()) {
        std::string_view rest;
        // A scan file's tree may be written in the other system's form.
        const std::string rootPath = root->FullPath();
        const platform::PathStyle style = RootPathStyle(rootPath);
        return Below(rootPath, path, rest, style) ? Descend(root, rest, style, nearest) : none;
    }
    // Drives may nest ("/" and "/home"): the longest drive that holds the path.
    const TDirNode* best = nullptr;
    std::string_view bestRest;
    std::size_t bestLength = 0;
    for (const TDirNode* drive : root->Children()) {
        const std::string drivePath = drive->FullPath();
        std::string_view rest;
        if (drivePath.size() >= bestLength &&
            Below(drivePath, path, rest, platform::NativePathStyle())) {
            best = drive;
            bestRest = rest;
            bestLength = drivePath.size();
        }
    }
    return best == nullptr ? none : Descend(best, bestRest, platform::NativePathStyle(), nearest);
}

} // namespace

TTreeEntry FindEntry(const TDirNode* root, std::string_view path)
{
    return Lookup(root, path, false);
}

const TDirNode* FindNearestFolder(const TDirNode* root, std::string_view path)
{
    return Lookup(root, path, true).Folder;
}

bool IsWithin(const TDirNode* node, const TDirNode* ancestor)
{
    for (; node != nullptr; node = node->Parent())
        if (node == ancestor)
            return true;
    return false;
}

platform::PathStyle RootPathStyle(std::string_view rootPath)
{
    return platform::AbsolutePathStyle(rootPath).value_or(platform::NativePathStyle());
}

platform::PathStyle TreePathStyle(const TDirNode& node)
{
    const TDirNode* root = &node;
    while (root->Parent() != nullptr && !root->Parent()->IsSyntheticRoot())
        root = root->Parent();
    return root->IsSyntheticRoot() ? platform::NativePathStyle() : RootPathStyle(root->FullPath());
}

} // namespace harrowdale
