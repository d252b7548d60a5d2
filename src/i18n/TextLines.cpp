#include "i18n/TextLines.h"

namespace harrowdale {

std::vector<std::string_view> SplitTextLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    ForEachTextLine(text, [&lines](std::string_view line) { lines.push_back(line); });
    return lines;
}

} // namespace harrowdale
