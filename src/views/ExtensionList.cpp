#include "views/ExtensionList.h"

#include "treemap/Colors.h"

#include <algorithm>
#include <unordered_map>

namespace harrowdale {

namespace {

/// Totals by extension id of one tree (ids are per tree).
struct TTreeTotals
{
    const TScanTree* Tree = nullptr;
    std::vector<TExtStat> ById;
};

} // namespace

TExtList BuildExtList(const std::vector<const TFileLeaf*>& files)
{
    TExtList result;
    // Normally every file comes from one tree; an array mixing trees still counts right.
    std::vector<TTreeTotals> trees;
    TTreeTotals* current = nullptr;
    for (const TFileLeaf* f : files) {
        if (f == nullptr || (f->Size() == 0 && f->IsExtraLink()))
            continue;
        const TScanTree* tree = f->Parent()->Tree();
        if (current == nullptr || current->Tree != tree) {
            const auto it = std::find_if(trees.begin(), trees.end(),
                                         [tree](const TTreeTotals& t) { return t.Tree == tree; });
            if (it != trees.end()) {
                current = &*it;
            } else {
                trees.push_back({tree, std::vector<TExtStat>(tree->Exts().Count())});
                current = &trees.back();
            }
        }
        TExtStat& stat = current->ById[f->ExtId()];
        stat.Bytes += f->Size();
        stat.Files += 1;
        result.TotalBytes += f->Size();
    }

    // Ids to keys; ids whose keys coincide (from different trees) share a row.
    std::unordered_map<std::string, std::size_t> rowOfKey;
    for (const TTreeTotals& t : trees) {
        for (std::size_t id = 0; id < t.ById.size(); ++id) {
            const TExtStat& stat = t.ById[id];
            if (stat.Files == 0)
                continue;
            std::string key = ExtKey(t.Tree->Exts().Key(static_cast<TExtTable::Id>(id)));
            const auto [it, added] = rowOfKey.try_emplace(key, result.Rows.size());
            if (added) {
                result.Rows.push_back({std::move(key), stat.Bytes, stat.Files});
            } else {
                result.Rows[it->second].Bytes += stat.Bytes;
                result.Rows[it->second].Files += stat.Files;
            }
        }
    }
    std::sort(result.Rows.begin(), result.Rows.end(),
              [](const TExtStatPair& a, const TExtStatPair& b) { return a.Bytes > b.Bytes; });
    return result;
}

} // namespace harrowdale
