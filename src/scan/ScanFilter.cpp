#include "scan/ScanFilter.h"

#include "scan/DateTime.h"

namespace harrowdale {

TScanFilter::TScanFilter(const TScanContext& context)
{
    if (context.ExcludeLessThan)
        FLessThan = context.LessThanBytes;
    if (context.ExcludeModifiedBefore)
        FModifiedBefore = context.ModifiedBefore;
    if (context.ExcludePattern && !context.PatternMasks.empty())
        FMasks = &context.PatternMasks;
}

bool TScanFilter::MatchesPattern(std::string_view name, Scratch& scratch) const
{
    if (!scratch.Masks)
        scratch.Masks.emplace(*FMasks);
    return scratch.Masks->Matches(name, scratch.Folder);
}

bool TScanFilter::IsOlder(std::int64_t lastWriteTicks) const
{
    const TDateTime d = FileTimeToLocalDateTime(lastWriteTicks);
    return d > 0 && d < FModifiedBefore;
}

} // namespace harrowdale
