#include "TreeGenerator.h"

#include "SplitMix.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace harrowdale::bench {

namespace {

// Extensions with rough real-world weights; "" is a name without extension.
const char* const kExts[] = {".jpg",  ".jpg", ".jpg", ".png", ".png",    ".txt", ".txt",   ".log",
                             ".c",    ".h",   ".h",   ".cpp", ".o",      ".so",  ".dat",   ".bin",
                             ".mp4",  ".mp3", ".pdf", ".doc", ".zip",    ".gz",  ".json",  ".xml",
                             ".html", ".js",  ".css", ".py",  ".md",     "",     "",       ".JPG",
                             ".tmp",  ".iso", ".csv", ".svg", ".tar.gz", ".pyc", ".class", ".mo"};

std::int64_t RandomSize(Rng& rng)
{
    if (rng.Unit() < 0.05)
        return 0;
    // Log-uniform from 1 byte to 64 MiB: many small files, a few big ones.
    return static_cast<std::int64_t>(std::exp(rng.Unit() * std::log(64.0 * 1024 * 1024)));
}

bool ReadStamp(const std::string& dir, const TreeShape& shape, TreeStats& stats)
{
    std::ifstream in(dir + ".stamp");
    long long files = 0, folders = 0, bytes = 0, wantFiles = 0, wantFolders = 0;
    unsigned long long seed = 0;
    if (!(in >> wantFiles >> wantFolders >> seed >> files >> folders >> bytes))
        return false;
    if (wantFiles != shape.Files || wantFolders != shape.Folders || seed != shape.Seed)
        return false;
    stats = {files, folders, bytes};
    return true;
}

bool Generate(const std::string& dir, const TreeShape& shape, TreeStats& stats, std::string& error)
{
    Rng rng{shape.Seed};
    std::vector<std::string> folders;
    folders.reserve(static_cast<std::size_t>(shape.Folders));
    folders.push_back(dir);
    if (::mkdir(dir.c_str(), 0755) != 0) {
        error = "cannot create " + dir;
        return false;
    }
    char name[64];
    // A 10-ary tree: folder i lives in folder (i - 1) / 10, about five levels deep.
    for (std::int64_t i = 1; i < shape.Folders; ++i) {
        const std::string& parent = folders[static_cast<std::size_t>((i - 1) / 10)];
        std::snprintf(name, sizeof name, "/dir %05lld", static_cast<long long>(i));
        folders.push_back(parent + name);
        if (::mkdir(folders.back().c_str(), 0755) != 0) {
            error = "cannot create " + folders.back();
            return false;
        }
    }
    stats = {0, static_cast<std::int64_t>(folders.size()), 0};
    for (std::int64_t j = 0; j < shape.Files; ++j) {
        const std::string& folder = folders[rng.Next() % folders.size()];
        std::int64_t size = RandomSize(rng);
        // About 3% of the files share names and sizes with others: duplicates to find.
        if (rng.Unit() < 0.03) {
            const std::uint64_t k = rng.Next() % 2000;
            std::snprintf(name, sizeof name, "/common-%04llu.so",
                          static_cast<unsigned long long>(k));
            size = static_cast<std::int64_t>((k * 7919) % 5000000);
        } else {
            const char* ext = kExts[rng.Next() % (sizeof kExts / sizeof kExts[0])];
            std::snprintf(name, sizeof name, "/file%07lld%s", static_cast<long long>(j), ext);
        }
        std::string path = folder + name;
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) {
            std::snprintf(name, sizeof name, "/file%07lld.so", static_cast<long long>(j));
            path = folder + name;
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        }
        if (fd < 0) {
            error = "cannot create " + path;
            return false;
        }
        if (size > 0 && ::ftruncate(fd, size) != 0) {
            ::close(fd);
            error = "cannot size " + path;
            return false;
        }
        ::close(fd);
        ++stats.Files;
        stats.Bytes += size;
    }
    return true;
}

} // namespace

bool EnsureTree(const std::string& dir, const TreeShape& shape, TreeStats& stats,
                std::string& error)
{
    if (ReadStamp(dir, shape, stats))
        return true;
    struct stat st
    {
    };
    if (::stat(dir.c_str(), &st) == 0) {
        error = dir + " exists but does not hold a benchmark tree of this shape; "
                      "remove it yourself or choose another --tree";
        return false;
    }
    // Build beside the target and rename at the end, so an interrupted run never
    // leaves a half tree that looks finished.
    const std::string work = dir + ".partial-" + std::to_string(::getpid());
    std::fprintf(stderr, "Generating %lld files in %lld folders under %s ...\n",
                 static_cast<long long>(shape.Files), static_cast<long long>(shape.Folders),
                 dir.c_str());
    if (!Generate(work, shape, stats, error))
        return false;
    if (std::rename(work.c_str(), dir.c_str()) != 0) {
        error = "cannot rename " + work + " to " + dir;
        return false;
    }
    // The stamp sits beside the tree, so the tree's totals are exactly the generated ones.
    std::ofstream out(dir + ".stamp");
    out << shape.Files << " " << shape.Folders << " " << shape.Seed << " " << stats.Files << " "
        << stats.Folders << " " << stats.Bytes << "\n";
    return static_cast<bool>(out);
}

} // namespace harrowdale::bench
