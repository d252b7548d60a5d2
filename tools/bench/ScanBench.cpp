// harrowdale-bench: times harrowdale-scan against find and du on the synthetic tree, in
// one run, alternating the commands so that drift of the machine hits them alike. Prints
// medians, ratios, entries per second and peak memory per entry, for each thread count
// asked for; on request with the caches dropped before every run, and the system calls
// per entry. Then times writing the scan to a scan file on top of the same scan, and
// reading that file instead of scanning.

#include "BenchSupport.h"
#include "ChangeBench.h"
#include "DupBench.h"
#include "TreeGenerator.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace harrowdale::bench;

namespace {

// Total system calls of one run under `strace -c -f` (every thread and child counted).
long long CountSystemCalls(const std::vector<std::string>& argv)
{
    const std::string report = PrivateFolder() + "/strace.txt";
    std::vector<std::string> traced = {"strace", "-c", "-f", "-o", report};
    traced.insert(traced.end(), argv.begin(), argv.end());
    if (RunOnce(traced, "/dev/null").Status != 0)
        return -1;
    std::istringstream in(ReadAll(report));
    ::unlink(report.c_str());
    std::string line;
    while (std::getline(in, line)) {
        // "100.00    1.234567           1   1400000     12 total"
        if (line.size() < 5 || line.compare(line.size() - 5, 5, "total") != 0)
            continue;
        std::istringstream fields(line);
        double percent = 0, seconds = 0;
        long long usecs = 0, calls = 0;
        if (fields >> percent >> seconds >> usecs >> calls)
            return calls;
        std::istringstream again(line); // strace leaves out usecs/call when it rounds to 0
        if (again >> percent >> seconds >> calls)
            return calls;
    }
    return -1;
}

/// Scan files: the scan with --export (into a private folder) against the plain scan, and
/// --import of the file written against the scan. Both print the same JSON report.
bool BenchScanFiles(const std::string& scanBin, const std::vector<std::string>& scanCmd,
                    const std::string& scanJson, int runs, double entries)
{
    char dirTemplate[] = "/tmp/harrowdale-bench-XXXXXX";
    if (::mkdtemp(dirTemplate) == nullptr) {
        std::fprintf(stderr, "harrowdale-bench: cannot create a folder in /tmp\n");
        return false;
    }
    const std::string dir = dirTemplate;
    const std::string file = dir + "/scan.json";
    const std::string report = dir + "/report.json";
    // The scan timed beside it with --export added before its folder, so both walk with
    // the same threads.
    std::vector<std::string> exportCmd = scanCmd;
    exportCmd.insert(exportCmd.end() - 1, {"--export", file});
    const std::vector<std::string> importCmd = {scanBin, "--json", "--import", file};

    bool ok = RunOnce(exportCmd, "/dev/null").Status == 0 && RunOnce(importCmd, report).Status == 0;
    std::ifstream in(report);
    std::stringstream buf;
    buf << in.rdbuf();
    ok = ok && buf.str() == scanJson;
    struct stat st
    {
    };
    const double fileBytes = ::stat(file.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0;
    std::printf("\nScan file: %.1f MiB, %.1f bytes per entry; import report %s\n",
                fileBytes / (1 << 20), fileBytes / entries,
                ok ? "equal to the scan's" : "DIFFERENT FROM THE SCAN'S");

    std::vector<double> tScan, tExport, tImport;
    long scanKiB = 0, importKiB = 0;
    for (int r = 0; r < runs; ++r) {
        const RunResult s = RunOnce(scanCmd, "/dev/null");
        tScan.push_back(s.Seconds);
        scanKiB = std::max(scanKiB, s.PeakKiB);
        tExport.push_back(RunOnce(exportCmd, "/dev/null").Seconds);
        const RunResult i = RunOnce(importCmd, "/dev/null");
        tImport.push_back(i.Seconds);
        importKiB = std::max(importKiB, i.PeakKiB);
    }
    const double ms = Median(tScan), me = Median(tExport), mi = Median(tImport);
    std::printf("Medians of %d alternating runs (whole processes):\n", runs);
    std::printf("  harrowdale-scan --json PATH              %7.3f s   peak %.1f MiB\n", ms,
                scanKiB / 1024.0);
    std::printf("  harrowdale-scan --json --export F PATH   %7.3f s\n", me);
    std::printf("  harrowdale-scan --json --import F        %7.3f s   peak %.1f MiB\n", mi,
                importKiB / 1024.0);
    std::printf("\n  export adds    %5.1f %% to the scan   (target <= 30 %%)\n",
                (me - ms) / ms * 100);
    std::printf("  import / scan  %.3f                  (target <= 1.00)\n", mi / ms);
    std::printf("  peak memory per entry: import %.1f bytes, scan %.1f bytes   (target: import "
                "<= scan)\n",
                importKiB * 1024.0 / entries, scanKiB * 1024.0 / entries);

    ::unlink(file.c_str());
    ::unlink(report.c_str());
    ::rmdir(dir.c_str());
    return ok;
}

void Usage()
{
    std::printf(
        "Usage: harrowdale-bench [--tree DIR] [--millions N | --files N --folders N]\n"
        "                        [--runs N] [--scan BIN] [--threads LIST] [--cold]\n"
        "                        [--syscalls] [--compare BIN]\n"
        "       harrowdale-bench --duplicates [--help | options]   (duplicates by content)\n"
        "       harrowdale-bench --changes [--files N] [--runs N]  (comparing two scans)\n"
        "Times harrowdale-scan --json against find -printf (and du on a warm cache) on a\n"
        "synthetic tree: by default 1,000,000 sparse files in 100,000 folders under\n"
        "/tmp/harrowdale-bench-tree, generated once and kept.\n"
        "  --millions N    N million files in N x 100,000 folders (the tree then lives in\n"
        "                  /tmp/harrowdale-bench-tree-Nm unless --tree says otherwise)\n"
        "  --threads LIST  thread counts to time, comma-separated; \"auto\" is the\n"
        "                  scanner's own choice (default: auto)\n"
        "  --cold          drop the caches before every run of every command (root only)\n"
        "  --syscalls      count the system calls of one run of each command (strace)\n"
        "  --compare BIN   time another harrowdale-scan too (an older build), as it is\n");
}

struct Command
{
    std::string Label;
    std::vector<std::string> Argv;
    bool IsScan = false;
    std::vector<double> Times;
    long PeakKiB = 0;
};

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--duplicates")
        return RunDuplicatesBench(argc - 2, argv + 2);
    if (argc > 1 && std::string(argv[1]) == "--changes")
        return RunChangeBench(argc - 2, argv + 2);
    std::string tree;
    std::string scanBin = SiblingTool("../harrowdale-scan/harrowdale-scan");
    TreeShape shape;
    int runs = 5;
    long long millions = 0;
    bool cold = false, syscalls = false;
    std::vector<std::string> threadCounts = {"auto"};
    std::string compareBin;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--tree") {
            tree = next();
        } else if (a == "--files") {
            shape.Files = std::atoll(next().c_str());
        } else if (a == "--folders") {
            shape.Folders = std::atoll(next().c_str());
        } else if (a == "--millions") {
            millions = std::atoll(next().c_str());
            if (millions < 1) {
                std::fprintf(stderr, "--millions wants a whole number from 1\n");
                return 2;
            }
            shape.Files = millions * 1000000;
            shape.Folders = millions * 100000;
        } else if (a == "--runs") {
            runs = std::max(1, std::atoi(next().c_str()));
        } else if (a == "--scan") {
            scanBin = next();
        } else if (a == "--threads") {
            threadCounts.clear();
            std::istringstream list(next());
            for (std::string t; std::getline(list, t, ',');)
                if (!t.empty())
                    threadCounts.push_back(t);
        } else if (a == "--cold") {
            cold = true;
        } else if (a == "--syscalls") {
            syscalls = true;
        } else if (a == "--compare") {
            compareBin = next();
        } else if (a == "--help") {
            Usage();
            return 0;
        } else {
            Usage();
            return 2;
        }
    }
    if (shape.Files < 0 || shape.Folders < 1 || threadCounts.empty()) {
        std::fprintf(stderr, "--files must be >= 0, --folders >= 1, --threads not empty\n");
        return 2;
    }
    if (tree.empty())
        tree = millions > 1 ? "/tmp/harrowdale-bench-tree-" + std::to_string(millions) + "m"
                            : "/tmp/harrowdale-bench-tree";
    if (cold && !DropCaches()) {
        std::fprintf(stderr, "harrowdale-bench: --cold needs root (cannot drop the caches)\n");
        return 2;
    }

    TreeStats stats;
    std::string error;
    if (!EnsureTree(tree, shape, stats, error)) {
        std::fprintf(stderr, "harrowdale-bench: %s\n", error.c_str());
        return 1;
    }
    std::printf("Tree: %s: %lld files, %lld folders, %lld bytes\n", tree.c_str(),
                static_cast<long long>(stats.Files), static_cast<long long>(stats.Folders),
                static_cast<long long>(stats.Bytes));

    std::vector<Command> commands;
    for (const std::string& t : threadCounts) {
        Command c;
        c.Argv = {scanBin, "--json", "--no-progress"};
        c.Label = "harrowdale-scan --json";
        if (t != "auto") {
            c.Argv.insert(c.Argv.end(), {"--threads", t});
            c.Label += " --threads " + t;
        } else {
            c.Label += " (threads: auto)";
        }
        c.Argv.push_back(tree);
        c.IsScan = true;
        commands.push_back(std::move(c));
    }
    if (!compareBin.empty()) {
        Command c;
        c.Argv = {compareBin, "--json", "--no-progress", tree};
        c.Label = "compared: " + compareBin.substr(compareBin.rfind('/') + 1) + " --json";
        c.IsScan = true;
        commands.push_back(std::move(c));
    }
    const std::size_t findIndex = commands.size();
    commands.push_back(
        {"find TREE -printf '%s\\n'", {"find", tree, "-printf", "%s\\n"}, false, {}, 0});
    // du reads the same metadata as find; on a cold cache it only doubles the wait.
    if (!cold)
        commands.push_back({"du -s --apparent-size -B1",
                            {"du", "-s", "--apparent-size", "-B1", tree},
                            false,
                            {},
                            0});

    // Check every scan's answer once (this also warms the caches).
    const std::string jsonOut = PrivateFolder() + "/scan.json";
    long long files = 0, dirs = 0;
    bool same = true;
    std::string firstJson; // the report of the first scan command
    for (const Command& c : commands) {
        if (!c.IsScan) {
            RunOnce(c.Argv, "/dev/null");
            continue;
        }
        const RunResult check = RunOnce(c.Argv, jsonOut);
        const std::string json = ReadAll(jsonOut);
        if (firstJson.empty())
            firstJson = json;
        files = JsonNumber(json, "files");
        dirs = JsonNumber(json, "dirs");
        const long long bytes = JsonNumber(json, "bytes");
        if (check.Status != 0 || files < 0) {
            std::fprintf(stderr, "harrowdale-bench: %s failed (status %d)\n", c.Label.c_str(),
                         check.Status);
            ::unlink(jsonOut.c_str());
            ::rmdir(PrivateFolder().c_str());
            return 1;
        }
        const bool equal = files == stats.Files && dirs == stats.Folders && bytes == stats.Bytes;
        same = same && equal;
        std::printf("%s: %lld files, %lld folders, %lld bytes: %s\n", c.Label.c_str(), files, dirs,
                    bytes, equal ? "equal to the generated tree" : "DIFFERENT FROM THE TREE");
    }
    ::unlink(jsonOut.c_str());

    if (!RunRounds(commands, runs, cold ? std::function<bool()>(DropCaches) : nullptr)) {
        std::fprintf(stderr, "harrowdale-bench: cannot drop the caches\n");
        return 1;
    }

    const double entries = static_cast<double>(files + dirs);
    const double findMedian = Median(commands[findIndex].Times);
    std::printf("\nMedians of %d alternating runs (%s, whole processes):\n", runs,
                cold ? "cold cache, dropped before every run" : "warm cache");
    for (const Command& c : commands) {
        const double m = Median(c.Times);
        std::printf("  %-46s %8.3f s", c.Label.c_str(), m);
        if (c.IsScan)
            std::printf("   %.3f x find   %.0f entries/s   peak %.1f MiB = %.1f bytes/entry",
                        m / findMedian, entries / m, c.PeakKiB / 1024.0,
                        c.PeakKiB * 1024.0 / entries);
        std::printf("\n");
    }
    std::printf("  targets: scan <= %.2f x find, <= 100 bytes per entry\n", cold ? 0.40 : 0.50);

    if (syscalls) {
        std::printf("\nSystem calls of one run (strace -c -f), per entry of the tree:\n");
        for (const Command& c : commands) {
            const long long calls = CountSystemCalls(c.Argv);
            std::printf("  %-46s %10lld calls   %.3f per entry\n", c.Label.c_str(), calls,
                        static_cast<double>(calls) / entries);
        }
    }
    // Scan files are read and written on a warm cache only.
    const bool sameImport =
        cold || BenchScanFiles(scanBin, commands.front().Argv, firstJson, runs, entries);
    ::rmdir(PrivateFolder().c_str());
    return same && sameImport ? 0 : 1;
}
