// harrowdale-bench: times harrowdale-scan against find and du on the synthetic tree, in
// one run, alternating the three so that drift of the machine hits them alike. Prints
// medians, ratios, entries per second and peak memory per entry. Then times writing the
// scan to a scan file on top of the same scan, and reading that file instead of scanning.

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

struct RunResult
{
    double Seconds = 0;
    long PeakKiB = 0;
    int Status = 0;
};

RunResult RunOnce(const std::vector<std::string>& argv, const std::string& stdoutPath)
{
    RunResult r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::close(out);
        }
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        std::_Exit(127);
    }
    int status = 0;
    rusage ru{};
    ::wait4(pid, &status, 0, &ru);
    r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.PeakKiB = ru.ru_maxrss;
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return r;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

long long JsonNumber(const std::string& json, const std::string& key)
{
    const auto pos = json.find("\"" + key + "\": ");
    return pos == std::string::npos ? -1 : std::atoll(json.c_str() + pos + key.size() + 4);
}

std::string SiblingTool(const std::string& relative)
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return relative;
    std::string self(buf, static_cast<std::size_t>(n));
    self.resize(self.rfind('/'));
    return self + "/" + relative;
}

void Usage()
{
    std::printf("Usage: harrowdale-bench [--tree DIR] [--files N] [--folders N] [--runs N]\n"
                "                        [--scan BIN]\n"
                "Times harrowdale-scan --json against find -printf and du on a synthetic\n"
                "tree (default 1,000,000 sparse files in 100,000 folders under\n"
                "/tmp/harrowdale-bench-tree, generated once and kept).\n");
}

/// Scan files: the scan with --export (into a private folder) against the plain scan, and
/// --import of the file written against the scan. Both print the same JSON report.
bool BenchScanFiles(const std::string& scanBin, const std::string& tree,
                    const std::vector<std::string>& scanCmd, const std::string& scanJson, int runs,
                    double entries)
{
    char dirTemplate[] = "/tmp/harrowdale-bench-XXXXXX";
    if (::mkdtemp(dirTemplate) == nullptr) {
        std::fprintf(stderr, "harrowdale-bench: cannot create a folder in /tmp\n");
        return false;
    }
    const std::string dir = dirTemplate;
    const std::string file = dir + "/scan.json";
    const std::string report = dir + "/report.json";
    const std::vector<std::string> exportCmd = {scanBin,    "--json", "--no-progress",
                                                "--export", file,     tree};
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

} // namespace

int main(int argc, char** argv)
{
    std::string tree = "/tmp/harrowdale-bench-tree";
    std::string scanBin = SiblingTool("../harrowdale-scan/harrowdale-scan");
    TreeShape shape;
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "%s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--tree")
            tree = next();
        else if (a == "--files")
            shape.Files = std::atoll(next().c_str());
        else if (a == "--folders")
            shape.Folders = std::atoll(next().c_str());
        else if (a == "--runs")
            runs = std::max(1, std::atoi(next().c_str()));
        else if (a == "--scan")
            scanBin = next();
        else if (a == "--help") {
            Usage();
            return 0;
        } else {
            Usage();
            return 2;
        }
    }
    if (shape.Files < 0 || shape.Folders < 1) {
        std::fprintf(stderr, "--files must be >= 0 and --folders >= 1\n");
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

    const std::string jsonOut = "/tmp/harrowdale-bench-scan.json";
    const std::vector<std::string> scanCmd = {scanBin, "--json", "--no-progress", tree};
    const std::vector<std::string> findCmd = {"find", tree, "-printf", "%s\\n"};
    const std::vector<std::string> duCmd = {"du", "-s", "--apparent-size", "-B1", tree};

    // Warm the caches once, and check the scan's answer while at it.
    const RunResult first = RunOnce(scanCmd, jsonOut);
    RunOnce(findCmd, "/dev/null");
    RunOnce(duCmd, "/dev/null");
    std::ifstream in(jsonOut);
    std::stringstream buf;
    buf << in.rdbuf();
    const std::string json = buf.str();
    const long long files = JsonNumber(json, "files");
    const long long dirs = JsonNumber(json, "dirs");
    const long long bytes = JsonNumber(json, "bytes");
    if (first.Status != 0 || files < 0) {
        std::fprintf(stderr, "harrowdale-bench: %s failed (status %d)\n", scanBin.c_str(),
                     first.Status);
        return 1;
    }
    const bool same = files == stats.Files && dirs == stats.Folders && bytes == stats.Bytes;
    std::printf("Scan result: %lld files, %lld folders, %lld bytes: %s\n", files, dirs, bytes,
                same ? "equal to the generated tree" : "DIFFERENT FROM THE GENERATED TREE");

    std::vector<double> tScan, tFind, tDu;
    long peakKiB = 0;
    for (int r = 0; r < runs; ++r) {
        const RunResult s = RunOnce(scanCmd, "/dev/null");
        tScan.push_back(s.Seconds);
        peakKiB = std::max(peakKiB, s.PeakKiB);
        tFind.push_back(RunOnce(findCmd, "/dev/null").Seconds);
        tDu.push_back(RunOnce(duCmd, "/dev/null").Seconds);
    }
    const double ms = Median(tScan), mf = Median(tFind), md = Median(tDu);
    const double entries = static_cast<double>(files + dirs);
    std::printf("\nMedians of %d alternating runs (warm cache, whole processes):\n", runs);
    std::printf("  harrowdale-scan --json         %7.3f s   peak %.1f MiB\n", ms, peakKiB / 1024.0);
    std::printf("  find TREE -printf '%%s\\n'       %7.3f s\n", mf);
    std::printf("  du -s --apparent-size -B1      %7.3f s\n", md);
    std::printf("\n  scan / find   %.3f   (target <= 0.90)\n", ms / mf);
    std::printf("  scan / du     %.3f\n", ms / md);
    std::printf("  entries per second            %.0f\n", entries / ms);
    std::printf("  peak memory per entry         %.1f bytes   (target <= 100)\n",
                peakKiB * 1024.0 / entries);

    const bool sameImport = BenchScanFiles(scanBin, tree, scanCmd, json, runs, entries);
    return same && sameImport ? 0 : 1;
}
