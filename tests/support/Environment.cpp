#include "support/Environment.h"

#include <cstdlib>

namespace harrowdale::test {

ScopedEnv::ScopedEnv(const char* name, std::optional<std::string> value) : FName(name)
{
    if (const char* old = std::getenv(name))
        FOld = old;
    SetEnv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    SetEnv(FName.c_str(), FOld);
}

} // namespace harrowdale::test
