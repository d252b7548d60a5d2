#include "ChangeBench.h"

#include "BenchSupport.h"
#include "SplitMix.h"
#include "exchange/ScanTreeImport.h"
#include "views/ScanComparison.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace harrowdale::bench {

namespace {

// Writes the older and the newer scan file of a tree of `files` files, ten to a folder,
// a hundred folders to a group: the newer one has a third of a percent of the files
// resized, as many removed and as many added.
void WriteScanPair(const std::string& older, const std::string& newer, long long files)
{
    std::ofstream a(older), b(newer);
    const std::string head = "[1,2,{\"progname\":\"harrowdale\",\"progver\":\"bench\","
                             "\"size_kind\":\"apparent\",\"hard_links\":\"once\"},"
                             "[{\"name\":\"/bench/tree\"}";
    a << head;
    b << head;
    Rng rng{25};
    const long long folders = (files + 9) / 10;
    for (long long d = 0; d < folders; ++d) {
        if (d % 100 == 0) {
            if (d > 0) {
                a << "]";
                b << "]";
            }
            const std::string group = ",[{\"name\":\"group" + std::to_string(d / 100) + "\"}";
            a << group;
            b << group;
        }
        const std::string folder = ",[{\"name\":\"folder" + std::to_string(d) + "\"}";
        a << folder;
        b << folder;
        for (int f = 0; f < 10; ++f) {
            const long long size = static_cast<long long>(rng.Next() % 1000000);
            const std::string name = "{\"name\":\"file" + std::to_string(f) + ".dat\",\"asize\":";
            const std::string entry = "," + name + std::to_string(size) + ",\"mtime\":1700000000}";
            a << entry;
            const double u = rng.Unit();
            if (u < 0.00333)
                continue; // removed
            if (u < 0.00667)
                b << "," << name << size + 4096 << ",\"mtime\":1700000000}";
            else
                b << entry;
            if (u > 0.99667)
                b << ",{\"name\":\"added" + std::to_string(f) + ".dat\",\"asize\":" << size << "}";
        }
        a << "]";
        b << "]";
    }
    a << "]]]\n";
    b << "]]]\n";
}

long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

// The comparison alone: both files read in this process, then compared, timed and
// measured apart (resident memory before and after, the trees' pages already touched).
void MeasureInProcess(const std::string& older, const std::string& newer)
{
    const long base = ResidentKiB();
    auto start = std::chrono::steady_clock::now();
    const TImportResult a = ImportScanFile(older, TScanContext());
    const long oneTree = ResidentKiB() - base;
    const TImportResult b = ImportScanFile(newer, TScanContext());
    const double read =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long bothTrees = ResidentKiB();
    start = std::chrono::steady_clock::now();
    const TScanComparison comparison(*a.Tree, *b.Tree);
    const double compare =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long added = ResidentKiB() - bothTrees;
    std::printf("\nIn one process: reading both files %.3f s; comparing %.3f s (target <= 1 s)\n",
                read, compare);
    std::printf("  one tree %.1f MiB; the comparison adds %.1f MiB = %.2f x one tree "
                "(target <= 1.5)\n",
                oneTree / 1024.0, added / 1024.0, static_cast<double>(added) / oneTree);
    std::printf("  %zu changed folders, %zu resized, %zu new, %zu gone\n",
                comparison.ChangedFolders().size(), comparison.ChangedFiles().size(),
                comparison.NewEntries().size(), comparison.GoneEntries().size());
}

} // namespace

int RunChangeBench(int argc, char** argv)
{
    long long files = 1000000;
    int runs = 3;
    for (int i = 0; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--files" && i + 1 < argc)
            files = std::atoll(argv[++i]);
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else {
            std::printf("Usage: harrowdale-bench --changes [--files N] [--runs N]\n");
            return a == "--help" ? 0 : 2;
        }
    }
    const std::string scanBin = SiblingTool("../harrowdale-scan/harrowdale-scan");
    const std::string dir = PrivateFolder();
    const std::string older = dir + "/older.json", newer = dir + "/newer.json";
    WriteScanPair(older, newer, files);

    std::vector<double> tOld, tNew, tCompare;
    long oldKiB = 0, newKiB = 0, compareKiB = 0;
    for (int r = 0; r < runs; ++r) {
        const RunResult o =
            RunOnce({scanBin, "--json", "--largest", "0", "--duplicates", "0", "--import", older},
                    "/dev/null");
        const RunResult n =
            RunOnce({scanBin, "--json", "--largest", "0", "--duplicates", "0", "--import", newer},
                    "/dev/null");
        const RunResult c = RunOnce({scanBin, "--json", "--compare", older, "--import", newer},
                                    dir + "/compare.json");
        if (o.Status != 0 || n.Status != 0 || c.Status != 0) {
            std::fprintf(stderr, "harrowdale-bench: a run failed\n");
            return 1;
        }
        tOld.push_back(o.Seconds);
        tNew.push_back(n.Seconds);
        tCompare.push_back(c.Seconds);
        oldKiB = std::max(oldKiB, o.PeakKiB);
        newKiB = std::max(newKiB, n.PeakKiB);
        compareKiB = std::max(compareKiB, c.PeakKiB);
    }
    const std::string report = ReadAll(dir + "/compare.json");
    const double mo = Median(tOld), mn = Median(tNew), mc = Median(tCompare);
    std::printf("Two scan files of %lld files; the newer: %lld resized, %lld new, %lld gone\n",
                files, JsonNumber(report, "changed_files_count"), JsonNumber(report, "new_count"),
                JsonNumber(report, "gone_count"));
    std::printf("Medians of %d runs (whole processes):\n", runs);
    std::printf("  --import OLDER               %7.3f s   peak %.1f MiB\n", mo, oldKiB / 1024.0);
    std::printf("  --import NEWER               %7.3f s   peak %.1f MiB\n", mn, newKiB / 1024.0);
    std::printf("  --compare OLDER --import NEWER %5.3f s   peak %.1f MiB\n", mc,
                compareKiB / 1024.0);
    // Each import also builds its report (file lists, duplicate groups), which the comparison
    // does not: the whole processes' figures only bound it. The comparison holds both trees; what
    // it takes beyond the newer one's report (which also builds the file lists and duplicate groups
    // the comparison does not) is the older tree and the comparison itself.
    std::printf("\n  compare beyond reading both  %+.3f s     (target <= 1 s)\n", mc - mo - mn);
    std::printf("  compare peak beyond the newer import: %.2f x the older import's peak   "
                "(target <= 1.5)\n",
                static_cast<double>(compareKiB - newKiB) / static_cast<double>(oldKiB));

    MeasureInProcess(older, newer);

    // The history entry: the newer scan kept, compressed.
    const std::string data = dir + "/data";
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    if (RunOnce({scanBin, "--history", "--largest", "0", "--duplicates", "0", "--import", newer},
                "/dev/null")
            .Status != 0) {
        std::fprintf(stderr, "harrowdale-bench: keeping the history entry failed\n");
        return 1;
    }
    std::uintmax_t bytes = 0;
    for (const auto& e : std::filesystem::directory_iterator(data + "/harrowdale/history"))
        bytes += e.file_size();
    std::printf("  history entry                %.1f MiB, %.1f bytes per entry   (target <= 20)\n",
                bytes / 1048576.0,
                static_cast<double>(bytes) /
                    static_cast<double>(files + (files + 9) / 10 + (files + 999) / 1000 + 1));
    std::filesystem::remove_all(data);
    std::filesystem::remove(older);
    std::filesystem::remove(newer);
    std::filesystem::remove(dir + "/compare.json");
    return 0;
}

} // namespace harrowdale::bench
