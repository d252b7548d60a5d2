#pragma once

// The exclusion rules of one scan, shared by every thread of the walk; each thread keeps
// its own scratch (the compiled masks keep per-file state).

#include "scan/Mask.h"
#include "scan/ScanContext.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace harrowdale {

class TScanFilter
{
public:
    /// One thread's part: its masks, and the folder whose files it is looking at.
    struct Scratch
    {
        std::optional<TMaskSet> Masks; ///< compiled at the first file that needs them
        std::string_view Folder;
    };

    explicit TScanFilter(const TScanContext& context);

    /// True when names and paths are matched against masks: the walk then hands the
    /// folder's path to StartFolder.
    bool UsesPaths() const { return FMasks != nullptr; }
    /// The files that follow are in the folder at `folderPath`, which must outlive them.
    void StartFolder(std::string_view folderPath, Scratch& scratch) const
    {
        scratch.Folder = folderPath;
    }

    /// The exclusion tests in order: size (`size` is the measure the scan counts), masks
    /// on the name and on the full path, last-write date. Throws EMaskException when it
    /// meets a malformed mask.
    bool IsExcluded(std::string_view name, std::int64_t size, std::int64_t lastWriteTicks,
                    Scratch& scratch) const
    {
        if (FLessThan > 0 && size < FLessThan)
            return true;
        if (FMasks != nullptr && MatchesPattern(name, scratch))
            return true;
        return FModifiedBefore > 0 && IsOlder(lastWriteTicks);
    }

private:
    bool MatchesPattern(std::string_view name, Scratch& scratch) const;
    bool IsOlder(std::int64_t lastWriteTicks) const;

    std::int64_t FLessThan = 0;                       ///< 0: no size filter
    double FModifiedBefore = 0;                       ///< 0: no date filter
    const std::vector<std::string>* FMasks = nullptr; ///< the context's, when they apply
};

} // namespace harrowdale
