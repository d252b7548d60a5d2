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

namespace {

/// Drops from `plan` what lies inside one of its folders: that folder's removal takes it.
void LeaveNestedToTheirFolders(TRemovalPlan& plan)
{
    auto insideAnother = [&](const TDirNode* d, const TDirNode* self) {
        for (const TDirNode* f : plan.Folders)
            if (f != self && IsWithin(d, f))
                return true;
        return false;
    };
    std::vector<const TDirNode*> folders;
    for (const TDirNode* f : plan.Folders)
        if (!insideAnother(f, f) && std::find(folders.begin(), folders.end(), f) == folders.end())
            folders.push_back(f);
    std::erase_if(plan.Files,
                  [&](const TFileLeaf* f) { return insideAnother(f->Parent(), nullptr); });
    plan.Folders = std::move(folders);
}

/// Adds what a partial removal of `folder` took: everything below it but what `left`
/// names (and what lies below a folder left whole).
void PlanPartial(const TDirNode* folder, std::span<const platform::TLeftEntry> left,
                 TRemovalPlan& plan)
{
    std::unordered_set<std::string> kept;
    std::unordered_set<std::string> whole;
    for (const platform::TLeftEntry& e : left) {
        if (e.Path.empty())
            return; // what stays cannot be told: the folder stays as the tree has it
        kept.insert(e.Path);
        if (e.Whole)
            whole.insert(e.Path);
    }
    std::vector<std::pair<const TDirNode*, std::string>> todo{{folder, std::string()}};
    while (!todo.empty()) {
        const auto [node, rel] = std::move(todo.back());
        todo.pop_back();
        auto below = [&rel](std::string_view name) {
            return rel.empty() ? std::string(name) : rel + "/" + std::string(name);
        };
        for (const TFileLeaf& f : node->Leaves())
            if (kept.count(below(f.Name())) == 0) {
                plan.Files.push_back(&f);
                plan.Bytes += f.Size();
            }
        for (const TDirNode* child : node->Children()) {
            std::string r = below(child->Name());
            if (whole.count(r) != 0)
                continue;
            if (kept.count(r) != 0) {
                todo.emplace_back(child, std::move(r));
            } else {
                plan.Folders.push_back(child);
                plan.Bytes += child->TotalSize();
            }
        }
    }
}

} // namespace

TRemovalPlan PlanRemoval(const TDirNode* root, std::span<const std::string> removed)
{
    TRemovalPlan plan;
    std::vector<std::string> paths(removed.begin(), removed.end());
    std::sort(paths.begin(), paths.end());
    paths.erase(std::unique(paths.begin(), paths.end()), paths.end());
    std::erase(paths, std::string());
    plan.Items = static_cast<std::int64_t>(paths.size());

    for (const std::string& p : paths) {
        const TTreeEntry e = FindEntry(root, p);
        if (e.Folder != nullptr)
            plan.Folders.push_back(e.Folder);
        else if (e.File != nullptr)
            plan.Files.push_back(e.File);
    }
    LeaveNestedToTheirFolders(plan);
    for (const TDirNode* f : plan.Folders) {
        plan.RootRemoved = plan.RootRemoved || f->Parent() == nullptr;
        plan.Bytes += f->TotalSize();
    }
    for (const TFileLeaf* f : plan.Files)
        plan.Bytes += f->Size();
    return plan;
}

TRemovalPlan PlanRemoval(const TDirNode* root, std::span<const std::string> paths,
                         std::span<const platform::TRemovalOutcome> outcomes)
{
    using platform::TRemovalStatus;
    std::vector<std::string> removed;
    std::vector<std::string> vanished;
    for (std::size_t i = 0; i < paths.size() && i < outcomes.size(); ++i) {
        if (outcomes[i].Status == TRemovalStatus::Removed)
            removed.push_back(paths[i]);
        else if (outcomes[i].Status == TRemovalStatus::AlreadyGone)
            vanished.push_back(paths[i]);
    }
    TRemovalPlan plan = PlanRemoval(root, removed);
    const TRemovalPlan gone = PlanRemoval(root, vanished);
    plan.Vanished = gone.Items;
    plan.RootRemoved = plan.RootRemoved || gone.RootRemoved;
    plan.Folders.insert(plan.Folders.end(), gone.Folders.begin(), gone.Folders.end());
    plan.Files.insert(plan.Files.end(), gone.Files.begin(), gone.Files.end());
    std::unordered_set<std::string_view> partial;
    for (std::size_t i = 0; i < paths.size() && i < outcomes.size(); ++i) {
        if (outcomes[i].Status != TRemovalStatus::PartlyRemoved || !partial.insert(paths[i]).second)
            continue;
        ++plan.Items;
        if (const TDirNode* folder = FindEntry(root, paths[i]).Folder)
            PlanPartial(folder, outcomes[i].Left, plan);
    }
    LeaveNestedToTheirFolders(plan);
    return plan;
}

std::vector<platform::TRecordedItem> RecordedItems(const TScanTree& tree,
                                                   std::span<const std::string> paths)
{
    std::vector<platform::TRecordedItem> items;
    items.reserve(paths.size());
    for (const std::string& p : paths) {
        const TTreeEntry e = FindEntry(tree.Root(), p);
        platform::TRecordedItem item{p, e.Folder != nullptr, std::nullopt};
        if (e.Folder != nullptr) {
            item.Id = e.Folder->Identity();
        } else if (e.File != nullptr) {
            if (const TLinkInfo* link = tree.LinkInfo(e.File))
                item.Id = platform::FileIdentity{link->Device, link->Inode};
        } else {
            item.Id = platform::FileIdentity{}; // file number 0: no file has it
        }
        items.push_back(std::move(item));
    }
    return items;
}

void ApplyRemoval(TScanTree& tree, const TRemovalPlan& plan)
{
    tree.RemoveLeaves(plan.Files);
    for (const TDirNode* f : plan.Folders)
        tree.RemoveFolder(f);
}

} // namespace harrowdale
