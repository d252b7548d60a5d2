#include "support/Environment.h"

#include <cstdlib>
#include <windows.h>

namespace harrowdale::test {

bool OnWindows()
{
    return true;
}

void SetEnv(const char* name, const std::optional<std::string>& value)
{
    // An empty value removes the variable; the Win32 copy follows for the system's calls.
    _putenv_s(name, value ? value->c_str() : "");
    SetEnvironmentVariableA(name, value ? value->c_str() : nullptr);
}

ScopedUtc::ScopedUtc()
{
    TIME_ZONE_INFORMATION zone{};
    const DWORD kind = GetTimeZoneInformation(&zone);
    FActive = zone.Bias == 0 &&
              (kind == TIME_ZONE_ID_UNKNOWN || (zone.StandardBias == 0 && zone.DaylightBias == 0));
}

ScopedUtc::~ScopedUtc() = default;

} // namespace harrowdale::test
