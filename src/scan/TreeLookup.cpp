#include "scan/TreeLookup.h"

namespace harrowdale {

namespace {

/// The rest of `path` below `rootPath` ("" for the root itself); false when the root
/// does not hold it.
bool Below(std::string_view rootPath, std::string_view path, std::string_view& rest)
{
    if (rootPath.empty() || path.substr(0, rootPath.size()) != rootPath)
        return false;
    rest = path.substr(rootPath.size());
    if (rest.empty())
        return true;
    if (rootPath.back() == '/') // the file-system root
        return true;
    if (rest.front() != '/')
        return false;
    rest.remove_prefix(1);
    return !rest.empty();
}

TTreeEntry Descend(const TDirNode* folder, std::string_view rest)
{
    while (!rest.empty()) {
        const std::size_t slash = rest.find('/');
        const std::string_view name = rest.substr(0, slash);
        const bool last = slash == std::string_view::npos;
        rest = last ? std::string_view() : rest.substr(slash + 1);
        if (name.empty() || name == "." || name == ".." || (!last && rest.empty()))
            return {};
        const TDirNode* next = nullptr;
        for (const TDirNode* c : folder->Children())
            if (c->Name() == name) {
                next = c;
                break;
            }
        if (next == nullptr) {
            if (!last)
                return {};
            for (const TFileLeaf& f : folder->Leaves())
                if (f.Name() == name)
                    return {nullptr, &f};
            return {};
        }
        folder = next;
    }
    return {folder, nullptr};
}

} // namespace

TTreeEntry FindEntry(const TDirNode* root, std::string_view path)
{
    if (root == nullptr || path.empty())
        return {};
    if (!root->IsSyntheticRoot()) {
        std::string_view rest;
        return Below(root->FullPath(), path, rest) ? Descend(root, rest) : TTreeEntry{};
    }
    // Drives may nest ("/" and "/home"): the longest drive that holds the path.
    const TDirNode* best = nullptr;
    std::string_view bestRest;
    std::size_t bestLength = 0;
    for (const TDirNode* drive : root->Children()) {
        const std::string drivePath = drive->FullPath();
        std::string_view rest;
        if (drivePath.size() >= bestLength && Below(drivePath, path, rest)) {
            best = drive;
            bestRest = rest;
            bestLength = drivePath.size();
        }
    }
    return best == nullptr ? TTreeEntry{} : Descend(best, bestRest);
}

bool IsWithin(const TDirNode* node, const TDirNode* ancestor)
{
    for (; node != nullptr; node = node->Parent())
        if (node == ancestor)
            return true;
    return false;
}

} // namespace harrowdale
