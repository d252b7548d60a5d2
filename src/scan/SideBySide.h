#pragma once

// A few jobs run at once on threads of their own, for work that splits into parts of about
// equal size (the halves of the tree's files, slices of a sorted array).

#include <cstddef>
#include <system_error>
#include <thread>
#include <vector>

namespace harrowdale {

/// Runs `job(k)` for every k < jobs at the same time: the last on the calling thread, the
/// others on threads of their own (or one after another when no thread can be started).
template <typename TJob> void RunSideBySide(std::size_t jobs, const TJob& job)
{
    if (jobs == 0)
        return;
    std::vector<std::thread> others;
    for (std::size_t k = 0; k + 1 < jobs; ++k) {
        try {
            others.emplace_back([&job, k] { job(k); });
        } catch (const std::system_error&) {
            job(k);
        }
    }
    job(jobs - 1);
    for (std::thread& t : others)
        t.join();
}

} // namespace harrowdale
