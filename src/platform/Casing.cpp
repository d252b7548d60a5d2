#include "platform/Casing.h"

#include "platform/CaseRuns.h"
#include "platform/Utf8.h"

namespace harrowdale::platform {

std::string LowerCaseLocale(std::string_view s)
{
    if (IsAscii(s) && detail::AsciiLowerIsPlain()) {
        std::string out(s);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        return out;
    }
    std::string out;
    out.reserve(s.size() + 4);
    ForEachValidRun(
        s, [&out](std::string_view run) { detail::AppendLowerRun(run, out); },
        [&out](std::string_view bad) { out.append(bad); });
    return out;
}

} // namespace harrowdale::platform
