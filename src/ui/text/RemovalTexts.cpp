#include "ui/text/RemovalTexts.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/Utf8.h"

#include <algorithm>
#include <cstdio>

namespace harrowdale {

namespace {

// Characters with no glyph of their own that change how the rest of a line reads: the
// C0 and C1 controls, line and paragraph separators, and the bidirectional marks,
// embeddings, overrides and isolates.
bool NeedsEscape(std::int32_t cp)
{
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x061C || cp == 0x200E ||
           cp == 0x200F || (cp >= 0x2028 && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

void AppendEscape(std::string& out, std::int32_t cp)
{
    switch (cp) {
    case '\n':
        out += "\\n";
        return;
    case '\t':
        out += "\\t";
        return;
    case '\r':
        out += "\\r";
        return;
    default:
        break;
    }
    char buf[16];
    if (cp < 0x80)
        std::snprintf(buf, sizeof buf, "\\x%02x", static_cast<unsigned>(cp));
    else
        std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(cp));
    out += buf;
}

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

std::string VisiblePathText(std::string_view path)
{
    std::string out;
    out.reserve(path.size());
    std::size_t pos = 0;
    while (pos < path.size()) {
        const std::size_t start = pos;
        std::int32_t cp = platform::DecodeUtf8(path, pos);
        if (cp < 0) {
            platform::AppendUtf8(out, U'\uFFFD');
            continue;
        }
        if (NeedsEscape(cp))
            AppendEscape(out, cp);
        else
            out.append(path.substr(start, pos - start));
    }
    return out;
}

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

} // namespace harrowdale
