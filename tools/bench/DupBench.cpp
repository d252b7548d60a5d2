#include "DupBench.h"

#include "BenchSupport.h"
#include "DupTreeGenerator.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace harrowdale::bench {

namespace {

struct Command
{
    std::string Label;
    std::vector<std::string> Argv;
    std::vector<double> Times;
    long PeakKiB = 0;
};

bool Installed(const std::string& program)
{
    return ::access(("/usr/bin/" + program).c_str(), X_OK) == 0;
}

// Groups in fdupes-style output (jdupes, fdupes, rmlint -o fdupes): paths, one per line,
// a blank line after each group.
long long CountGroups(const std::string& out)
{
    long long groups = 0;
    bool inGroup = false;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line.starts_with("#")) {
            groups += inGroup ? 1 : 0;
            inGroup = false;
        } else {
            inGroup = true;
        }
    }
    return groups + (inGroup ? 1 : 0);
}

// How a cold run is prepared: nothing (warm), the kernel's caches dropped, or the pages of
// the tree's files evicted, where the caches cannot be dropped (not root, or a container
// that refuses it).
enum class Cold
{
    No,
    DropCaches,
    EvictTree,
};

std::function<bool()> ColdMaker(Cold cold, const std::string& tree, long long& unopened)
{
    switch (cold) {
    case Cold::No:
        break;
    case Cold::DropCaches:
        return DropCaches;
    case Cold::EvictTree:
        return [&tree, &unopened] { return EvictTreePages(tree, unopened); };
    }
    return nullptr;
}

std::string ColdText(Cold cold, long long unopened)
{
    switch (cold) {
    case Cold::No:
        break;
    case Cold::DropCaches:
        return "cold cache: page, dentry and inode caches dropped before every run "
               "(/proc/sys/vm/drop_caches)";
    case Cold::EvictTree:
        return "cold file contents: the pages of the tree's files evicted before every run "
               "(posix_fadvise DONTNEED; folder listings and inodes stay cached; " +
               std::to_string(unopened) + " files could not be opened)";
    }
    return "warm cache";
}

// Times the commands on one tree, alternating them, and prints the medians with the
// targets. False when a command failed.
bool BenchTree(const std::string& scanBin, const std::string& tree, int runs, Cold cold)
{
    std::vector<Command> commands;
    const auto add = [&](std::string label, std::vector<std::string> argv) {
        Command c;
        c.Label = std::move(label);
        c.Argv = std::move(argv);
        commands.push_back(std::move(c));
    };
    add("harrowdale-scan --duplicates-by content",
        {scanBin, "--json", "--no-progress", "--duplicates-by", "content", tree});
    add("harrowdale-scan (by name, no reading)", {scanBin, "--json", "--no-progress", tree});
    const std::size_t firstOther = commands.size();
    if (Installed("jdupes"))
        add("jdupes -r -q", {"jdupes", "-r", "-q", tree});
    if (Installed("fdupes"))
        add("fdupes -r -q", {"fdupes", "-r", "-q", tree});
    if (Installed("rmlint"))
        add("rmlint -T df -o fdupes", {"rmlint", "-T", "df", "-o", "fdupes", tree});

    std::printf("\n%s (load average %.2f)\n", tree.c_str(), LoadAverage());
    // One run each, to check the answers (and warm the caches).
    const std::string outPath = PrivateFolder() + "/out.txt";
    const RunResult check = RunOnce(commands[0].Argv, outPath);
    const std::string json = ReadAll(outPath);
    if (check.Status != 0) {
        std::fprintf(stderr, "harrowdale-bench: harrowdale-scan failed (status %d)\n",
                     check.Status);
        return false;
    }
    const long long entries = JsonNumber(json, "files") + JsonNumber(json, "dirs");
    const long long candidateBytes = JsonNumber(json, "candidate_bytes");
    const long long bytesRead = JsonNumber(json, "bytes_read");
    std::printf("  harrowdale-scan: %lld entries, %lld files of equal length (%.1f MiB), read "
                "%.1f MiB = %.1f %% of them, %lld unreadable, %lld groups kept\n",
                entries, JsonNumber(json, "candidates"), candidateBytes / 1048576.0,
                bytesRead / 1048576.0, candidateBytes > 0 ? 100.0 * bytesRead / candidateBytes : 0,
                JsonNumber(json, "unreadable"), JsonNumber(json, "duplicate_groups"));
    for (std::size_t k = 1; k < commands.size(); ++k) {
        const RunResult r = RunOnce(commands[k].Argv, outPath);
        if (k >= firstOther)
            std::printf("  %s: status %d, %lld groups\n", commands[k].Label.c_str(), r.Status,
                        CountGroups(ReadAll(outPath)));
    }
    ::unlink(outPath.c_str());

    long long unopened = 0;
    if (!RunRounds(commands, runs, ColdMaker(cold, tree, unopened))) {
        std::fprintf(stderr, "harrowdale-bench: cannot make the caches cold\n");
        return false;
    }
    const auto median = [&](const std::string& label) {
        for (const Command& c : commands)
            if (c.Label.starts_with(label))
                return Median(c.Times);
        return 0.0;
    };
    const double mine = Median(commands[0].Times);
    const double jdupes = median("jdupes");
    std::printf("  Medians of %d alternating runs (%s; whole processes; load average now %.2f):\n",
                runs, ColdText(cold, unopened).c_str(), LoadAverage());
    for (const Command& c : commands) {
        const double m = Median(c.Times);
        std::printf("    %-42s %8.3f s   peak %7.1f MiB", c.Label.c_str(), m, c.PeakKiB / 1024.0);
        if (jdupes > 0)
            std::printf("   %.2f x jdupes", m / jdupes);
        std::printf("\n");
    }
    const double extra = (commands[0].PeakKiB - commands[1].PeakKiB) * 1024.0 / entries;
    std::printf("  content grouping: %.2f x jdupes (target <= %.1f), %s fdupes, %s rmlint\n",
                jdupes > 0 ? mine / jdupes : 0, cold != Cold::No ? 0.5 : 0.7,
                median("fdupes") == 0     ? "no"
                : mine < median("fdupes") ? "ahead of"
                                          : "BEHIND",
                median("rmlint") == 0     ? "no"
                : mine < median("rmlint") ? "ahead of"
                                          : "BEHIND");
    std::printf("  memory beyond the scan by name: %.1f bytes per entry (target <= 16)\n", extra);
    return true;
}

void Usage()
{
    std::printf(
        "Usage: harrowdale-bench --duplicates [--runs N] [--scan BIN] [--tree DIR]\n"
        "                        [--cold | --cold-evict] [--only usr-share|generated]\n"
        "Times harrowdale-scan --duplicates-by content against jdupes -r, fdupes -r and\n"
        "rmlint -T df (each where installed) on /usr/share and on a generated tree of 200,000\n"
        "files, a fifth of them copies, about 2 GB (by default /tmp/harrowdale-dup-tree,\n"
        "generated once and kept). Prints medians, ratios to jdupes, bytes read against the\n"
        "bytes of the files of equal length, and memory beyond a scan that groups by name.\n"
        "--cold drops the caches before every run, or where that is refused evicts the pages\n"
        "of the tree's files; --cold-evict always evicts (kinder to a shared machine).\n");
}

} // namespace

int RunDuplicatesBench(int argc, char** argv)
{
    std::string scanBin = SiblingTool("../harrowdale-scan/harrowdale-scan");
    std::string tree = "/tmp/harrowdale-dup-tree";
    std::string only;
    int runs = 5;
    Cold cold = Cold::No;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        const auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--runs") {
            runs = std::max(1, std::atoi(next().c_str()));
        } else if (a == "--scan") {
            scanBin = next();
        } else if (a == "--tree") {
            tree = next();
        } else if (a == "--only") {
            only = next();
        } else if (a == "--cold") {
            cold = Cold::DropCaches;
        } else if (a == "--cold-evict") {
            cold = Cold::EvictTree;
        } else {
            Usage();
            return a == "--help" ? 0 : 2;
        }
    }
    if (cold == Cold::DropCaches && !DropCaches()) {
        std::fprintf(stderr, "harrowdale-bench: cannot drop the caches here; evicting the pages "
                             "of each tree's files instead\n");
        cold = Cold::EvictTree;
    }
    bool ok = true;
    if (only.empty() || only == "usr-share")
        ok = BenchTree(scanBin, "/usr/share", runs, cold) && ok;
    if (only.empty() || only == "generated") {
        DupTreeStats stats;
        std::string error;
        if (!EnsureDupTree(tree, DupTreeShape{}, stats, error)) {
            std::fprintf(stderr, "harrowdale-bench: %s\n", error.c_str());
            return 1;
        }
        std::printf(
            "\nGenerated tree: %lld files (%lld copies of others), %lld folders, %.1f MiB\n",
            static_cast<long long>(stats.Files), static_cast<long long>(stats.Copies),
            static_cast<long long>(stats.Folders), stats.Bytes / 1048576.0);
        ok = BenchTree(scanBin, tree, runs, cold) && ok;
    }
    ::rmdir(PrivateFolder().c_str());
    return ok ? 0 : 1;
}

} // namespace harrowdale::bench
