#include "treemap/ZoomHistory.h"

#include <algorithm>

namespace harrowdale {

namespace {

std::string PathOf(const TDirNode* folder)
{
    return folder == nullptr ? std::string() : folder->FullPath();
}

} // namespace

void TZoomHistory::GoTo(const TDirNode* folder)
{
    if (folder == FCurrent)
        return;
    FBack.push_back(FCurrent);
    FForward.clear();
    FCurrent = folder;
}

bool TZoomHistory::GoBack()
{
    return Step(FBack, FForward);
}

bool TZoomHistory::GoForward()
{
    return Step(FForward, FBack);
}

bool TZoomHistory::Step(std::vector<const TDirNode*>& ahead, std::vector<const TDirNode*>& behind)
{
    if (ahead.empty())
        return false;
    behind.push_back(FCurrent);
    FCurrent = ahead.back();
    ahead.pop_back();
    return true;
}

void TZoomHistory::Clear()
{
    FCurrent = nullptr;
    FBack.clear();
    FForward.clear();
}

TZoomHistory::TSaved TZoomHistory::Save() const
{
    TSaved saved;
    saved.Current = PathOf(FCurrent);
    for (const TDirNode* d : FBack)
        saved.Back.push_back(PathOf(d));
    for (auto it = FForward.rbegin(); it != FForward.rend(); ++it)
        saved.Forward.push_back(PathOf(*it));
    return saved;
}

void TZoomHistory::Restore(const TSaved& saved,
                           const std::function<const TDirNode*(const std::string&)>& find)
{
    // The places in the order they were seen, each merged into the one before it when
    // both are now the same folder; the current place keeps its role through a merge.
    std::vector<const TDirNode*> places;
    std::size_t current = 0;
    auto add = [&](const std::string& path, bool isCurrent) {
        const TDirNode* folder = find(path);
        if (places.empty() || places.back() != folder)
            places.push_back(folder);
        if (isCurrent)
            current = places.size() - 1;
    };
    for (const std::string& path : saved.Back)
        add(path, false);
    add(saved.Current, true);
    for (const std::string& path : saved.Forward)
        add(path, false);
    FCurrent = places[current];
    FBack.assign(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(current));
    FForward.assign(places.rbegin(), places.rend() - static_cast<std::ptrdiff_t>(current) - 1);
}

} // namespace harrowdale
