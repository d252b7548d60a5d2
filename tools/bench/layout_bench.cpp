// harrowdale-layout-bench: how long the four treemap layouts take to build and to paint
// at window size over a real folder, and how much memory they hold per placed item.
//
//   harrowdale-layout-bench PATH [--reps N] [--size WxH] [--only KIND]
//   harrowdale-layout-bench --chain DEPTH [--reps N] [--size WxH] [--only KIND]
//
// --only measures one layout (files, nested, folders or duplicates), for profiling.
// --chain measures a tree made in memory instead: a chain of DEPTH folders, each holding
// one file "f" of 1 byte, so that every folder holds duplicates below it: what a layout
// costs for a deep tree (the duplicates map's target: 100,000 levels in under a second).
//
// Build it with optimisation (CMAKE_BUILD_TYPE=Release) before reading the figures.

#include "scan/DiskScanner.h"
#include "scan/ResultArrays.h"
#include "scan/ScanContext.h"
#include "scan/ScanTree.h"
#include "treemap/DupTreemapLayout.h"
#include "treemap/FolderTreemapLayout.h"
#include "treemap/HierTreemapLayout.h"
#include "treemap/PixelCanvas.h"
#include "treemap/TreemapLayout.h"
#include "views/Duplicates.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace harrowdale;

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kBuildTargetMs = 500; // all four layouts together
constexpr double kPaintTargetMs = 200;
constexpr double kBytesPerItemTarget = 40;

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double MedianMs(int reps, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < reps; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(MillisecondsSince(start));
    }
    return Median(times);
}

/// One layout under test, driven through callbacks so all four are measured alike.
struct Subject
{
    const char* Name;
    std::function<void()> Build;
    std::function<void(ITreemapCanvas&)> Paint;
    std::function<std::size_t()> Items;
    std::function<bool(TPoint)> HitTest; ///< whether something is under the point
    std::function<void()> BuildLookups;  ///< builds what a first lookup by path builds
    std::function<std::size_t()> Memory;
};

template <class Layout>
Subject MakeSubject(
    const char* name, Layout& layout, std::function<void()> build,
    std::function<void()> buildLookups = [] {})
{
    return {name,
            std::move(build),
            [&layout](ITreemapCanvas& c) { layout.Paint(c); },
            [&layout] { return layout.Items().size(); },
            [&layout](TPoint p) { return layout.HitTest(p) != nullptr; },
            std::move(buildLookups),
            [&layout] { return layout.MemoryBytes(); }};
}

bool ParseSize(const std::string& s, int& w, int& h)
{
    const auto x = s.find('x');
    if (x == std::string::npos)
        return false;
    const char* end = s.data() + s.size();
    return std::from_chars(s.data(), s.data() + x, w).ptr == s.data() + x &&
           std::from_chars(s.data() + x + 1, end, h).ptr == end && w > 0 && h > 0;
}

int Usage()
{
    std::fprintf(stderr, "usage: harrowdale-layout-bench PATH|--chain DEPTH [--reps N] "
                         "[--size WxH] [--only KIND]\n");
    return 2;
}

/// A chain of `depth` folders "d" below "/chain", each with a file "f" of 1 byte, made
/// bottom-up without recursion.
TDirNode* MakeChain(TScanTree& tree, int depth)
{
    TDirNode* root = tree.NewScanRoot("/chain");
    std::vector<TDirNode*> chain{root};
    for (int i = 0; i < depth; ++i)
        chain.push_back(tree.NewChild(chain.back(), "d"));
    const TNewFile f{tree.StoreName("f"), 1, 0, tree.Exts().Intern(""), 1};
    for (std::size_t i = chain.size(); i-- > 0;) {
        if (i > 0)
            tree.SetLeaves(chain[i], std::span(&f, 1));
        if (i + 1 < chain.size())
            tree.SetChildren(chain[i], std::span(&chain[i + 1], 1));
        tree.BuildExtStats(chain[i]);
    }
    tree.SetRoot(root);
    return root;
}

} // namespace

int main(int argc, char** argv)
{
    std::string path;
    int reps = 7;
    int width = 1920;
    int height = 1080;
    std::string only;
    int chainDepth = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--chain" && i + 1 < argc) {
            chainDepth = std::max(1, std::atoi(argv[++i]));
            path = "(chain of " + std::to_string(chainDepth) + " folders)";
        } else if (a == "--reps" && i + 1 < argc) {
            reps = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--size" && i + 1 < argc) {
            if (!ParseSize(argv[++i], width, height))
                return Usage();
        } else if (a == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (path.empty() && !a.starts_with("--")) {
            path = a;
        } else {
            return Usage();
        }
    }
    if (path.empty())
        return Usage();
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();

    TScanContext context;
    TScanTree tree;
    TDiskScanner scanner(context, tree);
    auto start = Clock::now();
    TDirNode* root = chainDepth > 0 ? MakeChain(tree, chainDepth) : scanner.Scan(path);
    if (root == nullptr) {
        std::fprintf(stderr, "harrowdale-layout-bench: nothing scanned at %s\n", path.c_str());
        return 1;
    }
    tree.SetRoot(root);
    const double scanMs = MillisecondsSince(start);
    start = Clock::now();
    const TFileArray files = FlattenAllFilesFromRoot(root);
    const double flattenMs = MillisecondsSince(start);
    start = Clock::now();
    TDuplicates duplicates;
    BuildDuplicates(files.Files, duplicates);
    const double dupMs = MillisecondsSince(start);

    std::printf("%s: %lld files, %lld folders, %.1f MB; %zu duplicate files in %zu groups\n",
                path.c_str(), static_cast<long long>(root->TotalFiles()),
                static_cast<long long>(root->TotalDirs()),
                static_cast<double>(root->TotalSize()) / 1e6, duplicates.ColorByFile.size(),
                duplicates.Groups.size());
    std::printf("scan %.0f ms, flatten and sort %.0f ms, duplicates %.0f ms\n", scanMs, flattenMs,
                dupMs);
    std::printf("layouts at %dx%d, median of %d runs\n\n", width, height, reps);

    const TRect target{0, 0, width, height};
    std::mt19937 random(42);
    const auto randomPoint = [&] {
        return TPoint{static_cast<std::int32_t>(random() % width),
                      static_cast<std::int32_t>(random() % height)};
    };
    TTreemapLayout flat;
    THierTreemapLayout nested;
    TFolderTreemapLayout folders;
    TDupTreemapLayout dupes;
    const std::vector<Subject> subjects = {
        MakeSubject(
            "files", flat, [&] { flat.BuildFromFiles(files.Files, target); },
            [&] {
                if (!flat.Items().empty())
                    flat.GetItemByPath(flat.Items().back().FullPath());
            }),
        MakeSubject(
            "nested", nested, [&] { nested.BuildFromRootSquarified(root, target); },
            [&] {
                if (!nested.Items().empty())
                    nested.SetSelectedByUpperPaths(
                        std::vector<std::string>{nested.Items().back().FullPath()});
            }),
        MakeSubject("folders", folders, [&] { folders.BuildFromRoot(root, target); }),
        MakeSubject("duplicates", dupes,
                    [&] { dupes.BuildFromRootDuplicates(root, &duplicates.ColorByFile, target); }),
    };

    std::printf("%-11s %9s %10s %10s %12s %12s %14s %7s\n", "layout", "items", "build ms",
                "paint ms", "hit test us", "bytes/item", "with lookups", "hits");
    double buildTotal = 0;
    double paintTotal = 0;
    double worstBytes = 0;
    TPixelCanvas canvas(width, height);
    for (const Subject& s : subjects) {
        if (!only.empty() && only != s.Name)
            continue;
        const double buildMs = MedianMs(reps, s.Build);
        const double paintMs = MedianMs(reps, [&] { s.Paint(canvas); });
        constexpr int kHits = 200;
        std::size_t hits = 0; // used below, so the hit tests cannot be left out
        const double hitUs = MedianMs(reps,
                                      [&] {
                                          for (int i = 0; i < kHits; ++i)
                                              hits += s.HitTest(randomPoint()) ? 1 : 0;
                                      }) *
                             1000 / kHits;
        const std::size_t items = s.Items();
        const double perItem = items == 0 ? 0 : static_cast<double>(s.Memory()) / items;
        s.BuildLookups();
        const double perItemIndexed = items == 0 ? 0 : static_cast<double>(s.Memory()) / items;
        worstBytes = std::max(worstBytes, perItemIndexed);
        buildTotal += buildMs;
        paintTotal += paintMs;
        std::printf("%-11s %9zu %10.1f %10.1f %12.1f %12.1f %14.1f %6.0f%%\n", s.Name, items,
                    buildMs, paintMs, hitUs, perItem, perItemIndexed,
                    100.0 * static_cast<double>(hits) / (reps * kHits));
    }
    const auto verdict = [](double value, double target) {
        return value <= target ? "ok" : "OVER";
    };
    std::printf("\nbuild, all four: %7.1f ms (target < %.0f ms) %s\n", buildTotal, kBuildTargetMs,
                verdict(buildTotal, kBuildTargetMs));
    std::printf("paint, all four: %7.1f ms (target < %.0f ms) %s\n", paintTotal, kPaintTargetMs,
                verdict(paintTotal, kPaintTargetMs));
    std::printf("memory, worst:   %7.1f bytes per placed item (target <= %.0f) %s\n", worstBytes,
                kBytesPerItemTarget, verdict(worstBytes, kBytesPerItemTarget));
    return 0;
}
