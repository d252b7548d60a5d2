#include "ui/text/MeasureTexts.h"

#include "i18n/Translation.h"
#include "scan/ScanTree.h"

namespace harrowdale {

std::string SizeMeasureText(const TScanTree& tree)
{
    return Translate(tree.SizeKind() == TSizeKind::OnDisk ? "Sizes: space used on disk"
                                                          : "Sizes: length of each file");
}

std::string HardLinkRuleText(const TScanTree& tree)
{
    return Translate(tree.HardLinks() == THardLinks::Each ? "Hard links: every link counted"
                                                          : "Hard links: each file counted once");
}

std::string MeasureFallbackText(const TScanTree& tree)
{
    if (!tree.MeasureFellBack())
        return {};
    return Translate("The folder listing of the system this scan was made on tells neither the "
                     "space a file uses on disk nor which names are links of one file.");
}

} // namespace harrowdale
