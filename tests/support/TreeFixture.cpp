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
    for (auto& [n, p] : FPending)
        if (n == node)
            return p;
    FPending.emplace_back(node, Pending{});
    return FPending.back().second;
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

void TreeFixture::FinishNode(TDirNode* node)
{
    Pending& p = PendingOf(node);
    for (TDirNode* c : p.Children)
        FinishNode(c);
    FTree->SetLeaves(node, p.Files);
    FTree->SetChildren(node, p.Children);
    FTree->BuildExtStats(node);
}

TScanTree& TreeFixture::Finish()
{
    FinishNode(FRoot);
    return *FTree;
}

} // namespace harrowdale::test
