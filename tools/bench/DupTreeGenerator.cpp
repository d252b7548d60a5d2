#include "DupTreeGenerator.h"

#include "SplitMix.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace harrowdale::bench {

namespace {

constexpr std::int64_t kMiB = 1024 * 1024;

std::int64_t LogUniform(Rng& rng, double lo, double hi)
{
    return static_cast<std::int64_t>(
        std::exp(std::log(lo) + rng.Unit() * (std::log(hi) - std::log(lo))));
}

// Mostly small files, some of a few hundred KiB, a handful of tens of MiB.
std::int64_t RandomLength(Rng& rng)
{
    const double u = rng.Unit();
    if (u < 0.99)
        return LogUniform(rng, 1, 32 * 1024);
    if (u < 0.99995)
        return LogUniform(rng, 32 * 1024, 2 * kMiB);
    return LogUniform(rng, 2 * kMiB, 100 * kMiB);
}

/// What a file holds: the bytes of `Seed`, with byte `Flip` changed when it is not -1.
struct Content
{
    std::int64_t Length;
    std::uint64_t Seed;
    std::int64_t Flip = -1;
};

const char* const kExts[] = {".jpg", ".png", ".txt", ".pdf", ".mp3", ".dat", ".so", ".html", ""};

bool WriteContent(const std::string& path, const Content& c, std::vector<char>& buf)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    Rng bytes{c.Seed};
    bool ok = true;
    for (std::int64_t done = 0; done < c.Length && ok;) {
        const auto n = static_cast<std::size_t>(
            std::min<std::int64_t>(c.Length - done, static_cast<std::int64_t>(buf.size())));
        for (std::size_t i = 0; i < n; i += 8) {
            const std::uint64_t w = bytes.Next();
            std::memcpy(buf.data() + i, &w, std::min<std::size_t>(8, n - i));
        }
        if (c.Flip >= done && c.Flip < done + static_cast<std::int64_t>(n))
            buf[static_cast<std::size_t>(c.Flip - done)] ^= 0x01;
        ok = ::write(fd, buf.data(), n) == static_cast<ssize_t>(n);
        done += static_cast<std::int64_t>(n);
    }
    return ::close(fd) == 0 && ok;
}

bool ReadStamp(const std::string& dir, const DupTreeShape& shape, DupTreeStats& stats)
{
    std::ifstream in(dir + ".stamp");
    long long files = 0, folders = 0, bytes = 0, copies = 0, wantFiles = 0, wantFolders = 0;
    unsigned long long seed = 0;
    if (!(in >> wantFiles >> wantFolders >> seed >> files >> folders >> bytes >> copies))
        return false;
    if (wantFiles != shape.Files || wantFolders != shape.Folders || seed != shape.Seed)
        return false;
    stats = {files, folders, bytes, copies};
    return true;
}

} // namespace

bool EnsureDupTree(const std::string& dir, const DupTreeShape& shape, DupTreeStats& stats,
                   std::string& error)
{
    if (ReadStamp(dir, shape, stats))
        return true;
    // As the scan benchmark's tree: a folder already there is somebody else's, never
    // written into; the tree is built under a new name beside it and renamed when whole.
    struct stat st
    {
    };
    if (::lstat(dir.c_str(), &st) == 0) {
        error = dir + " exists but does not hold a benchmark tree of this shape; "
                      "remove it yourself or choose another --tree";
        return false;
    }
    const std::string work = dir + ".partial-" + std::to_string(::getpid());
    if (::mkdir(work.c_str(), 0755) != 0) {
        error = "cannot create " + work + ": " + std::strerror(errno);
        return false;
    }
    std::fprintf(stderr, "Generating %s (about 2 GB, once)...\n", dir.c_str());
    // Folders: about the square root of their number at the top, the rest below them.
    const auto top = static_cast<std::int64_t>(std::sqrt(static_cast<double>(shape.Folders)));
    std::vector<std::string> folders;
    stats = {};
    stats.Folders = 1;
    for (std::int64_t t = 0; t < top; ++t) {
        const std::string topDir = work + "/t" + std::to_string(t);
        ::mkdir(topDir.c_str(), 0755);
        ++stats.Folders;
        for (std::int64_t s = 0; s < shape.Folders / top; ++s) {
            folders.push_back(topDir + "/s" + std::to_string(s));
            ::mkdir(folders.back().c_str(), 0755);
            ++stats.Folders;
        }
    }
    // What each file holds is planned first, so that a copy picks its original among all
    // of them: picked among the files made so far, the first few (the largest one among
    // them) would be copied far more often than the rest.
    Rng rng{shape.Seed};
    enum class Kind : std::uint8_t
    {
        Original,
        Copy,
        SameLength
    };
    std::vector<Kind> kinds(static_cast<std::size_t>(shape.Files), Kind::Original);
    std::vector<Content> plan(kinds.size(), Content{0, 0});
    std::vector<std::size_t> originals;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const double u = rng.Unit();
        if (i > 1 && u < shape.CopyShare)
            kinds[i] = Kind::Copy;
        else if (i > 1 && u < shape.CopyShare + shape.SameLengthShare)
            kinds[i] = Kind::SameLength;
        else if (i != 1)
            originals.push_back(i);
        plan[i] = {i == 0 ? 100 * kMiB : RandomLength(rng), rng.Next()};
    }
    plan[1] = plan[0]; // the largest file has a copy
    stats.Copies = 1;
    for (std::size_t i = 2; i < plan.size(); ++i) {
        if (kinds[i] == Kind::Original)
            continue;
        const Content& other = plan[originals[rng.Next() % originals.size()]];
        if (kinds[i] == Kind::Copy) {
            plan[i] = other;
            ++stats.Copies;
        } else if (rng.Unit() < 0.5) { // one byte apart, anywhere
            plan[i] = {
                other.Length, other.Seed,
                static_cast<std::int64_t>(rng.Next() % static_cast<std::uint64_t>(other.Length))};
        } else {
            plan[i] = {other.Length, rng.Next()};
        }
    }
    std::vector<char> buf(kMiB);
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const std::string path = folders[rng.Next() % folders.size()] + "/f" + std::to_string(i) +
                                 kExts[rng.Next() % std::size(kExts)];
        if (!WriteContent(path, plan[i], buf)) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
        ++stats.Files;
        stats.Bytes += plan[i].Length;
    }
    if (std::rename(work.c_str(), dir.c_str()) != 0) {
        error = "cannot rename " + work + " to " + dir + ": " + std::strerror(errno);
        return false;
    }
    std::ofstream out(dir + ".stamp");
    out << shape.Files << " " << shape.Folders << " " << shape.Seed << " " << stats.Files << " "
        << stats.Folders << " " << stats.Bytes << " " << stats.Copies << "\n";
    return static_cast<bool>(out);
}

} // namespace harrowdale::bench
