#include "exchange/ExchangeFormat.h"

#include "platform/Utf8.h"

namespace harrowdale {

std::string_view ExcludedReasonText(TExcludedReason reason)
{
    switch (reason) {
    case TExcludedReason::None:
        return "";
    case TExcludedReason::Pattern:
        return "pattern";
    case TExcludedReason::OtherFs:
        return "otherfs";
    case TExcludedReason::KernelFs:
        return "kernfs";
    case TExcludedReason::FirmLink:
        return "frmlnk";
    case TExcludedReason::Other:
        break;
    }
    return "excluded";
}

std::string QuotedName(std::string_view bytes)
{
    std::string s = platform::ToDisplayUtf8(bytes.substr(0, 80));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return "\"" + s + (bytes.size() > 80 ? "...\"" : "\"");
}

} // namespace harrowdale
