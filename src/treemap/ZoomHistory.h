#pragma once

// Where a nested map is zoomed, and the places it showed before and after, kept as a
// browser keeps its pages: going somewhere new puts the place left on the way back and
// drops the way forward.

#include "scan/ScanTree.h"

#include <functional>
#include <string>
#include <vector>

namespace harrowdale {

/// UI thread only. Holds folders of one scan tree: Clear it before the tree is freed.
class TZoomHistory
{
public:
    /// The history by path (a folder's FullPath; "" for the whole result), to outlive a
    /// rebuild of the tree.
    struct TSaved
    {
        std::string Current;
        std::vector<std::string> Back;    ///< oldest first
        std::vector<std::string> Forward; ///< the next one first
    };

    /// The folder that fills the map; null: the whole result.
    const TDirNode* Current() const { return FCurrent; }
    bool CanGoBack() const { return !FBack.empty(); }
    bool CanGoForward() const { return !FForward.empty(); }

    /// Shows `folder` (null: the whole result). Nothing happens when it is shown already.
    void GoTo(const TDirNode* folder);
    /// False (and nothing changes) when there is no place that way.
    bool GoBack();
    bool GoForward();
    /// The whole result, no places before or after.
    void Clear();

    TSaved Save() const;
    /// Puts a saved history back. `find` gives the folder of a path in the tree as it is
    /// now (null: the whole result); places that became the same as the one beside them
    /// are one place from then on.
    void Restore(const TSaved& saved,
                 const std::function<const TDirNode*(const std::string&)>& find);

private:
    /// Moves to the last place of `ahead`; the current one goes on `behind`.
    bool Step(std::vector<const TDirNode*>& ahead, std::vector<const TDirNode*>& behind);

    const TDirNode* FCurrent = nullptr;
    std::vector<const TDirNode*> FBack;    ///< oldest first
    std::vector<const TDirNode*> FForward; ///< the next one last: taken from the end
};

} // namespace harrowdale
