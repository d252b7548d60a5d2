#include "ui/text/RemovalTexts.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/text/DisplayFormat.h"

#include <algorithm>
#include <vector>

namespace harrowdale {

namespace {

/// The first kListedPaths of `count` paths one a line, then "and N more".
template <class PathAt> void AppendPathLines(std::string& out, std::size_t count, PathAt&& pathAt)
{
    const std::size_t listed = std::min(count, kListedPaths);
    for (std::size_t i = 0; i < listed; ++i) {
        out += '\n';
        out += VisiblePathText(pathAt(i));
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
    AppendPathLines(text, targets.size(),
                    [&](std::size_t i) -> const std::string& { return targets[i].Path; });

    std::vector<std::string> warnings;
    if (std::ranges::any_of(targets, &TRemovalTarget::IsScanRoot))
        warnings.push_back(Translate("Among them is the scanned folder itself."));
    else if (std::ranges::any_of(targets, &TRemovalTarget::IsBigFolder))
        warnings.push_back(Translate("Among them is a folder holding more than 1,000 files."));
    // A group has two files or more, so both counts are plural.
    if (groups.Emptied == 1)
        warnings.push_back(Format(Translate("This takes every copy of %d files; no copy will "
                                            "be left."),
                                  groups.EmptiedFiles));
    else if (groups.Emptied > 1)
        warnings.push_back(Format(Translate("This takes every copy of %d files in %d groups; no "
                                            "copy will be left."),
                                  groups.EmptiedFiles, static_cast<std::int64_t>(groups.Emptied)));
    if (groups.NotCompared)
        warnings.push_back(Translate("These duplicates were found by name and size; their "
                                     "contents were not compared."));
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        text += i == 0 ? "\n\n" : "\n";
        text += warnings[i];
    }
    return text;
}

std::string RemovalFailure(TRemoval kind, std::span<const std::string> notRemoved)
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
    AppendPathLines(text, notRemoved.size(),
                    [&](std::size_t i) -> const std::string& { return notRemoved[i]; });
    return text;
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
