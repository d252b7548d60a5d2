#pragma once

// Scanning a folder in a test and finding entries of the result.

#include "scan/DiskScanner.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale::test {

struct ScanResult
{
    std::unique_ptr<TScanTree> Tree;
    TDirNode* Root = nullptr;
    std::int64_t Files = 0, Dirs = 0, Bytes = 0;
};

/// Scans `path`; `settings`, when given, replace the walk's (all but the context's
/// number of threads).
inline ScanResult ScanWith(const TScanContext& ctx, const std::string& path,
                           const TWalkSettings* settings = nullptr)
{
    ScanResult r;
    r.Tree = std::make_unique<TScanTree>();
    TDiskScanner scanner(ctx, *r.Tree);
    if (settings != nullptr) {
        const unsigned threads = scanner.WalkSettings().Threads; // the context's
        scanner.WalkSettings() = *settings;
        scanner.WalkSettings().Threads = threads;
    }
    r.Root = scanner.Scan(path);
    r.Tree->SetRoot(r.Root);
    r.Files = scanner.Files();
    r.Dirs = scanner.Dirs();
    r.Bytes = scanner.Bytes();
    return r;
}

inline const TFileLeaf* FindLeaf(const TDirNode* node, std::string_view name)
{
    for (const TFileLeaf& f : node->Leaves())
        if (f.Name() == name)
            return &f;
    return nullptr;
}

inline const TDirNode* FindChild(const TDirNode* node, std::string_view name)
{
    for (const TDirNode* c : node->Children())
        if (c->Name() == name)
            return c;
    return nullptr;
}

/// Names of every file below `root`.
inline std::vector<std::string> AllLeafNames(const TDirNode* root)
{
    std::vector<std::string> names;
    std::vector<const TDirNode*> stack{root};
    while (!stack.empty()) {
        const TDirNode* n = stack.back();
        stack.pop_back();
        for (const TFileLeaf& f : n->Leaves())
            names.emplace_back(f.Name());
        for (const TDirNode* c : n->Children())
            stack.push_back(c);
    }
    return names;
}

} // namespace harrowdale::test
