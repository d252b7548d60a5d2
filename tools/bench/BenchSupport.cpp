#include "BenchSupport.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harrowdale::bench {

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

bool DropCaches()
{
    ::sync();
    const int fd = ::open("/proc/sys/vm/drop_caches", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::write(fd, "3\n", 2) == 2;
    ::close(fd);
    return ok;
}

namespace {

long long gUnopened = 0;

int EvictOne(const char* path, const struct stat* st, int type, FTW*)
{
    if (type != FTW_F || !S_ISREG(st->st_mode))
        return 0;
    const int fd = ::open(path, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        ++gUnopened;
        return 0;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    ::close(fd);
    return 0;
}

} // namespace

bool EvictTreePages(const std::string& tree, long long& unopened)
{
    // Dirty pages are not dropped; written back first, they are.
    ::sync();
    gUnopened = 0;
    const bool ok = ::nftw(tree.c_str(), EvictOne, 64, FTW_PHYS | FTW_MOUNT) == 0;
    unopened = gUnopened;
    return ok;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream buf;
    buf << in.rdbuf();
    return buf.str();
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

const std::string& PrivateFolder()
{
    static const std::string folder = [] {
        char name[] = "/tmp/harrowdale-bench-XXXXXX";
        if (::mkdtemp(name) == nullptr) {
            std::fprintf(stderr, "harrowdale-bench: cannot create a folder in /tmp\n");
            std::exit(1);
        }
        return std::string(name);
    }();
    return folder;
}

double LoadAverage()
{
    double load = -1;
    std::ifstream in("/proc/loadavg");
    in >> load;
    return load;
}

} // namespace harrowdale::bench
