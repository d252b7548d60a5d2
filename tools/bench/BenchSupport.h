#pragma once

// What the benchmark programs share: running a command as a whole process and timing it,
// dropping the caches, medians, and reading numbers out of a JSON report.

#include <algorithm>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace harrowdale::bench {

struct RunResult
{
    double Seconds = 0;
    long PeakKiB = 0;
    int Status = 0;
};

/// Runs `argv` (found on PATH), its standard output into `stdoutPath`, and waits for it.
RunResult RunOnce(const std::vector<std::string>& argv, const std::string& stdoutPath);

/// Writes back dirty pages and drops the page, dentry and inode caches (needs root).
bool DropCaches();

/// Writes back dirty pages and evicts the cached pages of every regular file below `tree`
/// (posix_fadvise POSIX_FADV_DONTNEED; links not followed, other mounts not entered), for
/// a user who cannot drop the caches. Folder listings and inodes stay cached. False when
/// the tree cannot be walked; files that cannot be opened are counted in `unopened`.
bool EvictTreePages(const std::string& tree, long long& unopened);

double Median(std::vector<double> v);

std::string ReadAll(const std::string& path);

/// The number after "key": in `json`; -1 when absent.
long long JsonNumber(const std::string& json, const std::string& key);

/// A program beside this one, by its path relative to this one's folder.
std::string SiblingTool(const std::string& relative);

/// A folder of this run's own (0700, new name) for the outputs kept between commands,
/// never a guessable name in /tmp, where another user could have put a link first.
const std::string& PrivateFolder();

/// The load average over the last minute, from /proc/loadavg.
double LoadAverage();

/// Runs every command `runs` times, round after round, adding each run's time to its
/// `Times` and its peak memory to `PeakKiB`; `makeCold` (when given) runs before every
/// run. Each round starts one command later, so no command always follows the same
/// one: on a virtual disk the host keeps its own cache, which the guest cannot drop, and
/// whichever command reads the tree right after another one gains from it. False when
/// `makeCold` failed.
template <typename TCommand>
bool RunRounds(std::vector<TCommand>& commands, int runs, const std::function<bool()>& makeCold)
{
    for (int r = 0; r < runs; ++r) {
        for (std::size_t k = 0; k < commands.size(); ++k) {
            TCommand& c = commands[(k + static_cast<std::size_t>(r)) % commands.size()];
            if (makeCold && !makeCold())
                return false;
            const RunResult res = RunOnce(c.Argv, "/dev/null");
            c.Times.push_back(res.Seconds);
            c.PeakKiB = std::max(c.PeakKiB, res.PeakKiB);
        }
    }
    return true;
}

} // namespace harrowdale::bench
