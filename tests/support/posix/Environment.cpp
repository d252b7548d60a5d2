#include "support/Environment.h"

#include <cstdlib>
#include <ctime>

namespace harrowdale::test {

bool OnWindows()
{
    return false;
}

void SetEnv(const char* name, const std::optional<std::string>& value)
{
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
}

ScopedUtc::ScopedUtc() : FActive(true)
{
    FTz.emplace("TZ", "UTC");
    ::tzset();
}

ScopedUtc::~ScopedUtc()
{
    FTz.reset();
    ::tzset();
}

} // namespace harrowdale::test
