#pragma once

// What each backend supplies to the removal loop in FileOps.cpp: one item at a time.

#include "platform/FileOps.h"

#include <span>
#include <string>

namespace harrowdale::platform::detail {

/// Moves one item, resolved from the scan root that holds it and checked against its
/// record, to the trash or recycle bin.
TRemovalOutcome TrashOne(std::span<const ScanRoot> roots, const TRecordedItem& item);

/// Deletes one item, resolved from the scan root that holds it and checked against its
/// record, a folder with everything below it.
TRemovalOutcome RemoveOne(std::span<const ScanRoot> roots, const TRecordedItem& item);

/// Whether what was found at the item's path (a folder or not, with that identity) is
/// what the result recorded.
bool MatchesRecord(const TRecordedItem& item, bool isFolder, const FileIdentity& found);

/// An outcome without anything left.
inline TRemovalOutcome Outcome(TRemovalStatus status, TRemovalError error = TRemovalError::None)
{
    return {status, error, {}};
}

} // namespace harrowdale::platform::detail
