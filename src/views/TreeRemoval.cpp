#include "views/TreeRemoval.h"

#include "scan/TreeLookup.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace harrowdale {

std::vector<std::string> OutermostPaths(std::span<const std::string> paths,
                                        std::vector<std::size_t>& holder)
{
    const std::unordered_set<std::string_view> all(paths.begin(), paths.end());
    // The outermost selected path above or at each one, by its bytes.
    auto outermost = [&](std::string_view p) {
        std::string_view found = p;
        for (std::size_t slash = p.find('/', 1); slash != std::string_view::npos;
             slash = p.find('/', slash + 1))
            if (all.count(p.substr(0, slash)) != 0) {
                found = p.substr(0, slash);
                break;
            }
        if (p.size() > 1 && p.front() == '/' && all.count("/") != 0)
            found = "/";
        return found;
    };
    std::vector<std::string> out;
    std::unordered_map<std::string_view, std::size_t> index;
    holder.clear();
    for (const std::string& p : paths) {
        const std::string_view top = outermost(p);
        auto it = index.find(top);
        if (it == index.end()) {
            out.emplace_back(top);
            it = index.emplace(top, out.size() - 1).first;
        }
        holder.push_back(it->second);
    }
    return out;
}

TGroupsTaken GroupsTaken(const TDirNode* root, const TDuplicates& duplicates,
                         std::span<const std::string> paths)
{
    std::unordered_set<const TFileLeaf*> files;
    std::vector<const TDirNode*> folders;
    for (const std::string& p : paths) {
        const TTreeEntry e = FindEntry(root, p);
        if (e.File != nullptr)
            files.insert(e.File);
        else if (e.Folder != nullptr)
            folders.push_back(e.Folder);
    }
    auto taken = [&](const TFileLeaf* f) {
        return files.count(f) != 0 || std::ranges::any_of(folders, [f](const TDirNode* d) {
                   return IsWithin(f->Parent(), d);
               });
    };
    TGroupsTaken out;
    for (const auto& g : duplicates.Groups) {
        const auto n = std::ranges::count_if(g->Files, taken);
        if (n == 0)
            continue;
        ++out.Touched;
        if (static_cast<std::size_t>(n) == g->Files.size()) {
            ++out.Emptied;
            out.EmptiedFiles += n;
        }
    }
    return out;
}

TRemovalPlan PlanRemoval(const TDirNode* root, std::span<const std::string> removed)
{
    TRemovalPlan plan;
    std::vector<std::string> paths(removed.begin(), removed.end());
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    std::erase(paths, std::string());
    plan.Items = static_cast<std::int64_t>(paths.size());

    std::vector<const TDirNode*> folders;
    std::vector<const TFileLeaf*> files;
    for (const std::string& p : paths) {
        const TTreeEntry e = FindEntry(root, p);
        if (e.Folder != nullptr)
            folders.push_back(e.Folder);
        else if (e.File != nullptr)
            files.push_back(e.File);
    }
    auto insideRemoved = [&](const TDirNode* d, const TDirNode* self) {
        for (const TDirNode* f : folders)
            if (f != self && IsWithin(d, f))
                return true;
        return false;
    };
    for (const TDirNode* f : folders) {
        if (insideRemoved(f, f))
            continue;
        if (f->Parent() == nullptr)
            plan.RootRemoved = true;
        plan.Folders.push_back(f);
        plan.Bytes += f->TotalSize();
    }
    for (const TFileLeaf* f : files) {
        if (insideRemoved(f->Parent(), nullptr))
            continue;
        plan.Files.push_back(f);
        plan.Bytes += f->Size();
    }
    return plan;
}

void ApplyRemoval(TScanTree& tree, const TRemovalPlan& plan)
{
    tree.RemoveLeaves(plan.Files);
    for (const TDirNode* f : plan.Folders)
        tree.RemoveFolder(f);
}

} // namespace harrowdale
