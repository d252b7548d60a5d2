#include "exchange/JoinedScans.h"

#include "exchange/ExchangeFormat.h"

#include <algorithm>
#include <limits>
#include <unordered_set>

namespace harrowdale {

namespace {

std::string MeasureText(const TScanTree& tree)
{
    return std::string(tree.SizeKind() == TSizeKind::OnDisk ? "sizes on disk" : "lengths") +
           (tree.HardLinks() == THardLinks::Once ? ", each file once" : ", every hard link");
}

bool MeasuredAlike(const TScanTree& a, const TScanTree& b)
{
    return a.SizeKind() == b.SizeKind() && a.HardLinks() == b.HardLinks();
}

// A second part with the label of an earlier one would make two entries of one path.
std::string UniqueLabel(const std::string& label, std::unordered_set<std::string>& taken)
{
    std::string unique = label;
    for (int n = 2; !taken.insert(unique).second; ++n)
        unique = label + " (" + std::to_string(n) + ")";
    return unique;
}

} // namespace

TImportResult JoinScans(std::vector<TJoinPart> parts, const std::string& rootName)
{
    if (parts.empty())
        throw EExchangeError("no scans to join");
    if (parts.size() == 1)
        return std::move(parts.front().Scan);
    const TScanTree& first = *parts.front().Scan.Tree;
    for (const TJoinPart& p : parts)
        if (!MeasuredAlike(first, *p.Scan.Tree))
            throw EExchangeError(
                QuotedName(parts.front().Label) + " and " + QuotedName(p.Label) +
                " were not measured alike and cannot be shown as one result: the first counts " +
                MeasureText(first) + ", the second " + MeasureText(*p.Scan.Tree));

    TImportResult joined;
    joined.Tree = std::make_unique<TScanTree>();
    TScanTree& tree = *joined.Tree;
    tree.SetSizeKind(first.SizeKind());
    tree.SetHardLinks(first.HardLinks());
    bool allocation = true, links = true, fellBack = false;
    joined.Meta = parts.front().Scan.Meta;
    TDirNode* root = tree.NewSyntheticRoot(rootName);
    tree.SetRoot(root);
    std::unordered_set<std::string> labels;
    for (TJoinPart& p : parts) {
        TImportResult& scan = p.Scan;
        allocation = allocation && scan.Tree->AllocationKnown();
        links = links && scan.Tree->LinksKnown();
        fellBack = fellBack || scan.Tree->MeasureFellBack();
        if (scan.Meta.Timestamp > 0 &&
            (joined.Meta.Timestamp <= 0 || scan.Meta.Timestamp < joined.Meta.Timestamp))
            joined.Meta.Timestamp = scan.Meta.Timestamp;
        if (scan.MetBytes > std::numeric_limits<std::int64_t>::max() - joined.MetBytes)
            throw EExchangeError("the sizes add up to more than 2^63-1 bytes");
        joined.MetBytes += scan.MetBytes;
        tree.AdoptPart(root, std::move(scan.Tree), UniqueLabel(p.Label, labels));
    }
    tree.SetKnownMeasures(allocation, links);
    tree.SetMeasureFellBack(fellBack);
    return joined;
}

TImportResult ImportScanFiles(const std::vector<std::string>& paths, const TScanContext& context,
                              const std::string& rootName, const TImportProgress& onProgress)
{
    std::vector<TJoinPart> parts;
    std::int64_t filesBefore = 0, dirsBefore = 0;
    for (const std::string& path : paths) {
        const TImportProgress partProgress = [&](std::int64_t files, std::int64_t dirs) {
            if (onProgress)
                onProgress(filesBefore + files, dirsBefore + dirs);
        };
        TJoinPart part;
        try {
            part.Scan = ImportScanFile(path, context, partProgress);
        } catch (const EExchangeError& e) {
            if (paths.size() == 1)
                throw;
            throw EExchangeError(QuotedName(path) + ": " + e.what());
        }
        const TDirNode* root = part.Scan.Tree->Root();
        filesBefore += root->TotalFiles();
        dirsBefore += root->TotalDirs();
        part.Label = root->FullPath();
        parts.push_back(std::move(part));
    }
    return JoinScans(std::move(parts), rootName);
}

} // namespace harrowdale
