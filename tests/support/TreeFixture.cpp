#include "support/TreeFixture.h"

#include "support/NativePath.h"

#include <algorithm>

namespace harrowdale::test {

TreeFixture::TreeFixture(std::string_view rootPath) : FTree(std::make_unique<TScanTree>())
{
    FRoot = FTree->NewScanRoot(NativePath(rootPath));
    FTree->SetRoot(FRoot);
}

TreeFixture::Pending& TreeFixture::PendingOf(TDirNode* node)
{
    return FPending[node];
}

TDirNode* TreeFixture::Folder(TDirNode* parent, std::string_view name)
{
    TDirNode* child = FTree->NewChild(parent, name);
    PendingOf(parent).Children.push_back(child);
    PendingOf(child);
    return child;
}

void TreeFixture::File(TDirNode* parent, std::string_view name, std::int64_t size,
                       std::int64_t modifiedFT)
{
    const TExtTable::Id id = FTree->Exts().Intern(LowerFileExt(name));
    PendingOf(parent).Files.push_back({FTree->StoreName(name), size, modifiedFT, id});
}

void TreeFixture::File(TDirNode* parent, const TNewFile& file)
{
    TNewFile f = file;
    f.Name = FTree->StoreName(file.Name);
    f.ExtId = FTree->Exts().Intern(LowerFileExt(file.Name));
    PendingOf(parent).Files.push_back(f);
}

TScanTree& TreeFixture::Finish()
{
    // Children before their parent, without recursion: a folder's totals add its
    // children's.
    std::vector<TDirNode*> topDown{FRoot};
    for (std::size_t i = 0; i < topDown.size(); ++i)
        for (TDirNode* c : PendingOf(topDown[i]).Children)
            topDown.push_back(c);
    for (auto it = topDown.rbegin(); it != topDown.rend(); ++it) {
        Pending& p = PendingOf(*it);
        FTree->SetLeaves(*it, p.Files);
        FTree->SetChildren(*it, p.Children);
        FTree->BuildExtStats(*it);
    }
    return *FTree;
}

} // namespace harrowdale::test
