#include "ui/text/RemovalTexts.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/text/DisplayFormat.h"

#include <algorithm>
#include <vector>

namespace harrowdale {

namespace {

/// The first kListedPaths of `count` lines, one a line, then "and N more".
template <class LineAt> void AppendLines(std::string& out, std::size_t count, LineAt&& lineAt)
{
    const std::size_t listed = std::min(count, kListedPaths);
    for (std::size_t i = 0; i < listed; ++i) {
        out += '\n';
        out += lineAt(i);
    }
    if (count > listed) {
        out += '\n';
        out += Format(Translate("and %d more"), static_cast<std::int64_t>(count - listed));
    }
}

} // namespace

std::string RemovalQuestion(TRemoval kind, std::span<const TRemovalTarget> targets,
                            const TRemovalGroups& groups)
{
    const auto count = static_cast<std::int64_t>(targets.size());
    std::string text =
        kind == TRemoval::ToTrash
            ? Format(TranslatePlural("Move %d item to the Trash?", "Move %d items to the Trash?",
                                     count),
                     count)
            : Format(TranslatePlural("Permanently delete %d item? (This cannot be undone)",
                                     "Permanently delete %d items? (This cannot be undone)", count),
                     count);
    text += '\n';
    AppendLines(text, targets.size(),
                [&](std::size_t i) { return VisiblePathText(targets[i].Path); });

    std::vector<std::string> warnings;
    if (std::ranges::any_of(targets, &TRemovalTarget::IsScanRoot))
        warnings.push_back(Translate("Among them is the scanned folder itself."));
    else if (std::ranges::any_of(targets, &TRemovalTarget::IsBigFolder))
        warnings.push_back(Translate("Among them is a folder holding more than 1,000 files."));
    if (const auto linked = std::ranges::count_if(targets, &TRemovalTarget::HasOtherLinks))
        warnings.push_back(Format(TranslatePlural("Among them is %d file with other hard links: "
                                                  "its space comes back only when its last link "
                                                  "is removed.",
                                                  "Among them are %d files with other hard links: "
                                                  "their space comes back only when their last "
                                                  "link is removed.",
                                                  linked),
                                  static_cast<std::int64_t>(linked)));
    // A group has two files or more, so both counts are plural.
    if (groups.Emptied == 1)
        warnings.push_back(Format(Translate("This takes every copy of %d files; no copy will "
                                            "be left."),
                                  groups.EmptiedFiles));
    else if (groups.Emptied > 1)
        warnings.push_back(Format(Translate("This takes every copy of %d files in %d groups; no "
                                            "copy will be left."),
                                  groups.EmptiedFiles, static_cast<std::int64_t>(groups.Emptied)));
    if (groups.Copies == TCopiesShown::ByNameAndSize)
        warnings.push_back(Translate("These duplicates were found by name and size; their "
                                     "contents were not compared."));
    else if (groups.Copies == TCopiesShown::ByContent)
        warnings.push_back(Translate(
            "These duplicates were found by content; their contents were compared byte for byte."));
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        text += i == 0 ? "\n\n" : "\n";
        text += warnings[i];
    }
    return text;
}

namespace {

std::string ReasonText(TNotRemovedReason reason)
{
    switch (reason) {
    case TNotRemovedReason::ChangedSinceScan:
        return Translate("changed since the scan");
    case TNotRemovedReason::PartlyRemoved:
        return Translate("removed only in part");
    case TNotRemovedReason::LinkOrMount:
        return Translate("a link or another mount is on the way");
    case TNotRemovedReason::NotPermitted:
        return Translate("not permitted");
    case TNotRemovedReason::NoTrash:
        return Translate("no Trash can be used for it");
    case TNotRemovedReason::NotInScan:
        return Translate("not inside a scanned folder");
    case TNotRemovedReason::Other:
        break;
    }
    return Translate("could not be removed");
}

} // namespace

std::string RemovalFailure(TRemoval kind, std::span<const TNotRemoved> notRemoved)
{
    const auto count = static_cast<std::int64_t>(notRemoved.size());
    std::string text =
        kind == TRemoval::ToTrash
            ? Format(TranslatePlural("Failed to move %d item to the Trash:",
                                     "Failed to move %d items to the Trash:", count),
                     count)
            : Format(
                  TranslatePlural("Failed to delete %d item:", "Failed to delete %d items:", count),
                  count);
    AppendLines(text, notRemoved.size(), [&](std::size_t i) {
        return VisiblePathText(notRemoved[i].Path) + " (" + ReasonText(notRemoved[i].Reason) + ")";
    });
    return text;
}

std::string RemovalDone(TRemoval kind, std::int64_t items, std::int64_t bytes,
                        std::int64_t vanished)
{
    if (vanished <= 0)
        return RemovalDone(kind, items, bytes);
    const std::string gone =
        vanished == 1
            ? Translate("1 item no longer existed and left the result")
            : Format(Translate("%d items no longer existed and left the result"), vanished);
    return items > 0 ? RemovalDone(kind, items, bytes) + "; " + gone : gone;
}

std::string RemovalDone(TRemoval kind, std::int64_t items, std::int64_t bytes)
{
    const std::string templ =
        kind == TRemoval::ToTrash
            ? TranslatePlural("%d item moved to the Trash, %s", "%d items moved to the Trash, %s",
                              items)
            : TranslatePlural("%d item deleted, %s", "%d items deleted, %s", items);
    return Format(templ, items, FormatSize(bytes));
}

} // namespace harrowdale
