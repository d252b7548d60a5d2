#include "ui/text/LinkText.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/text/DisplayFormat.h"

namespace harrowdale {

std::string HardLinkText(const TFileLeaf& file)
{
    const TLinkInfo* link = file.HasLinks() ? file.Parent()->Tree()->LinkInfo(&file) : nullptr;
    // After a removal the count follows the links taken away: the last is a plain file.
    if (link == nullptr || link->Links < 2)
        return {};
    const auto links = static_cast<std::int64_t>(link->Links);
    return Format(TranslatePlural("hard link, %d link", "hard link, %d links", links), links);
}

std::string FileSizeText(const TFileLeaf& file)
{
    std::string text = FormatSize(file.Size());
    if (const std::string mark = HardLinkText(file); !mark.empty())
        text += ", " + mark;
    return text;
}

} // namespace harrowdale
