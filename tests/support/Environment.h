#pragma once

// Environment and time zone of the test process, set for one test and put back after it.

#include <optional>
#include <string>

namespace harrowdale::test {

/// Sets the environment variable `name` to `value` (nullopt removes it) for the life of
/// the guard.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string FName;
    std::optional<std::string> FOld;
};

/// Local time in UTC for the life of the guard. A Linux process chooses its own zone
/// (TZ); a Windows process has the system's, so there Active() is true only when the
/// system's zone is UTC already (the Windows test run sets TZ=UTC for Wine).
class ScopedUtc
{
public:
    ScopedUtc();
    ~ScopedUtc();
    ScopedUtc(const ScopedUtc&) = delete;
    ScopedUtc& operator=(const ScopedUtc&) = delete;

    bool Active() const { return FActive; }

private:
    std::optional<ScopedEnv> FTz;
    bool FActive = false;
};

/// True when the tests run on Windows (under Wine too): for expectations that differ.
bool OnWindows();

/// Sets an environment variable without a guard (nullopt removes it).
void SetEnv(const char* name, const std::optional<std::string>& value);

} // namespace harrowdale::test
