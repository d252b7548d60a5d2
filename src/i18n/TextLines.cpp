#include "i18n/TextLines.h"

namespace harrowdale {

std::vector<std::string_view> SplitTextLines(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t brk = text.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            lines.push_back(text.substr(pos));
            break;
        }
        lines.push_back(text.substr(pos, brk - pos));
        pos = brk + 1;
        if (text[brk] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos; // CR LF is one break
    }
    return lines;
}

} // namespace harrowdale
