#include "ui/text/DupGroupText.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "ui/text/DisplayFormat.h"

namespace harrowdale {

namespace {

std::string NameWithOthers(const TDupGroup& group)
{
    const std::string name = VisiblePathText(group.FileName);
    if (group.OtherNames == 0)
        return name;
    if (group.OtherNames == 1)
        return Format(Translate("%s and 1 other name"), name);
    return Format(Translate("%s and %d other names"), name,
                  static_cast<std::int64_t>(group.OtherNames));
}

} // namespace

std::string DupGroupName(const TDupGroup& group)
{
    std::string name = NameWithOthers(group);
    // Copies on several machines (or in several scans) are the ones worth a look first.
    if (group.Scans > 1)
        return Format(Translate("%s, across %d scans"), name,
                      static_cast<std::int64_t>(group.Scans));
    return name;
}

} // namespace harrowdale
