#include "ui/text/ChangeText.h"

#include "i18n/TextFormat.h"
#include "i18n/Translation.h"
#include "platform/FileSystem.h"
#include "scan/DateTime.h"
#include "ui/text/DisplayFormat.h"

#include <cstdlib>

namespace harrowdale {

std::string FormatSignedSize(std::int64_t change)
{
    return (change < 0 ? "-" : "+") + FormatSize(std::llabs(change));
}

std::string ScanDateText(std::int64_t unixSeconds)
{
    return unixSeconds > 0
               ? FormatDateText(FileTimeToLocalDateTime(platform::UnixTimeToTicks(unixSeconds, 0)))
               : std::string();
}

std::string ChangeCellText(TChangeState state, std::int64_t oldSize, std::int64_t newSize)
{
    const std::int64_t change = newSize - oldSize;
    switch (state) {
    case TChangeState::Same:
        return {};
    case TChangeState::New:
        return FormatSignedSize(change) + "  " + Translate("new");
    case TChangeState::Gone:
        return FormatSignedSize(change) + "  " + Translate("gone");
    case TChangeState::Grown:
    case TChangeState::Shrunk:
        break;
    }
    return FormatSignedSize(change) + "  " + (change < 0 ? "-" : "+") +
           FormatPercent(std::llabs(change), oldSize);
}

} // namespace harrowdale
