#include "ui/text/RemovalTexts.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/text/DisplayFormat.h"

#include <algorithm>

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

std::string RemovalQuestion(TRemoval kind, std::span<const TRemovalTarget> targets)
{
    const auto count = static_cast<std::int64_t>(targets.size());
    std::string text =
        kind == TRemoval::ToTrash
            ? Format(Translate("Move %d item(s) to the Trash?"), count)
            : Format(Translate("Permanently delete %d item(s)? (This cannot be undone)"), count);
    text += '\n';
    AppendPathLines(text, targets.size(),
                    [&](std::size_t i) -> const std::string& { return targets[i].Path; });

    const bool root = std::ranges::any_of(targets, &TRemovalTarget::IsScanRoot);
    const bool big = std::ranges::any_of(targets, &TRemovalTarget::IsBigFolder);
    if (root || big) {
        text += "\n\n";
        text += root ? Translate("Among them is the scanned folder itself.")
                     : Translate("Among them is a folder holding more than 1,000 files.");
    }
    return text;
}

std::string RemovalFailure(TRemoval kind, std::span<const std::string> notRemoved)
{
    const auto count = static_cast<std::int64_t>(notRemoved.size());
    std::string text = kind == TRemoval::ToTrash
                           ? Format(Translate("Failed to move %d item(s) to the Trash:"), count)
                           : Format(Translate("Failed to delete %d item(s):"), count);
    AppendPathLines(text, notRemoved.size(),
                    [&](std::size_t i) -> const std::string& { return notRemoved[i]; });
    return text;
}

std::string RemovalDone(TRemoval kind, std::int64_t items, std::int64_t bytes)
{
    const bool trash = kind == TRemoval::ToTrash;
    // The singular has its own text, as languages differ in more than an ending.
    if (items == 1)
        return Format(Translate(trash ? "1 item moved to the Trash, %s" : "1 item deleted, %s"),
                      FormatSize(bytes));
    return Format(Translate(trash ? "%d items moved to the Trash, %s" : "%d items deleted, %s"),
                  items, FormatSize(bytes));
}

} // namespace harrowdale
