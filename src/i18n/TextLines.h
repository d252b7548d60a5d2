#pragma once

// Line splitting for the plain text files the program reads (the translation file, the
// update check's answers): UTF-8 with an optional byte-order mark, lines ending in CR LF,
// LF or CR, a break after the last line optional.

#include <string_view>
#include <vector>

namespace harrowdale {

/// Calls `fn(line)` for each line of `text`, as SplitTextLines splits it, without
/// holding them all.
template <typename Fn> void ForEachTextLine(std::string_view text, Fn&& fn)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t brk = text.find_first_of("\r\n", pos);
        if (brk == std::string_view::npos) {
            fn(text.substr(pos));
            return;
        }
        fn(text.substr(pos, brk - pos));
        pos = brk + 1;
        if (text[brk] == '\r' && pos < text.size() && text[pos] == '\n')
            ++pos; // CR LF is one break
    }
}

/// The lines of `text`, each exactly as written (no trimming); a leading UTF-8 byte-order
/// mark is skipped. "a\n\nb\n" gives "a", "", "b"; "" gives no line. The views point into
/// `text`.
std::vector<std::string_view> SplitTextLines(std::string_view text);

} // namespace harrowdale
