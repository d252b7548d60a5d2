#pragma once

// In-memory scan trees for tests that need exact shapes and sizes without a disk.

#include "scan/ScanTree.h"
#include "support/NativePath.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace harrowdale::test {

class TreeFixture
{
public:
    /// A tree whose root is at `rootPath`, written with '/' (see NativePath).
    explicit TreeFixture(std::string_view rootPath = "/r");

    TDirNode* Root() const { return FRoot; }
    /// A subfolder, in call order among its siblings.
    TDirNode* Folder(TDirNode* parent, std::string_view name);
    /// A file, in call order among its siblings; the extension key is computed as the
    /// scanner does.
    void File(TDirNode* parent, std::string_view name, std::int64_t size,
              std::int64_t modifiedFT = 0);
    /// A file with everything the tree keeps of it (both sizes, links, not regular); its
    /// name is copied and its extension key computed.
    void File(TDirNode* parent, const TNewFile& file);
    /// Marks a folder that could not be read.
    void Unreadable(TDirNode* node) { FTree->SetReadError(node); }
    /// Computes totals and extension tables bottom-up. Call once, after the last add.
    TScanTree& Finish();
    TScanTree& Tree() { return *FTree; }
    std::unique_ptr<TScanTree> Release() { return std::move(FTree); }

private:
    struct Pending
    {
        std::vector<TDirNode*> Children;
        std::vector<TNewFile> Files;
    };
    Pending& PendingOf(TDirNode* node);

    std::unique_ptr<TScanTree> FTree;
    TDirNode* FRoot = nullptr;
    std::unordered_map<TDirNode*, Pending> FPending; ///< chains 100,000 folders deep too
};

} // namespace harrowdale::test
