#include "platform/ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace harrowdale::platform {

namespace {

constexpr std::size_t kKeptErrorBytes = 64 * 1024;
// Room for what the program writes while the reader is busy building: with the default
// 64 KiB a fast writer (ssh) stalls every few milliseconds and both sides pay a wake-up.
constexpr int kOutputPipeBytes = 1024 * 1024;
constexpr int kPollMs = 50;

void CloseFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

struct Pipe
{
    int Read = -1, Write = -1;
    Pipe()
    {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0)
            throw ESpawnError(std::string("cannot make a pipe: ") + std::strerror(errno), false);
        Read = fds[0];
        Write = fds[1];
    }
    ~Pipe()
    {
        CloseFd(Read);
        CloseFd(Write);
    }
};

} // namespace

struct TChildProcess::Impl
{
    pid_t Pid = -1;
    int In = -1, Out = -1, Err = -1;
    bool Ended = false;
    int Status = 0;
    std::string ErrorText;

    void KeepError(const char* data, std::size_t n)
    {
        ErrorText.append(data, n);
        if (ErrorText.size() > kKeptErrorBytes)
            ErrorText.erase(0, ErrorText.size() - kKeptErrorBytes);
    }

    // False once standard error has ended.
    bool DrainError()
    {
        char buf[4096];
        const ssize_t n = ::read(Err, buf, sizeof buf);
        if (n > 0) {
            KeepError(buf, static_cast<std::size_t>(n));
            return true;
        }
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return true;
        CloseFd(Err);
        return false;
    }

    bool Reap(int options)
    {
        if (Ended)
            return true;
        int status = 0;
        pid_t r;
        do
            r = ::waitpid(Pid, &status, options);
        while (r < 0 && errno == EINTR);
        if (r == 0)
            return false;
        Ended = true;
        Status = r < 0                 ? 255
                 : WIFEXITED(status)   ? WEXITSTATUS(status)
                 : WIFSIGNALED(status) ? 128 + WTERMSIG(status)
                                       : 255;
        return true;
    }
};

TChildProcess::TChildProcess(const std::vector<std::string>& args) : FImpl(std::make_unique<Impl>())
{
    if (args.empty())
        throw ESpawnError("no program to start", false);
    Pipe in, out, err;
#ifdef F_SETPIPE_SZ
    // Above the system's limit for users the call fails, and the default stays: only slower.
    ::fcntl(out.Read, F_SETPIPE_SZ, kOutputPipeBytes);
#endif
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);
    posix_spawn_file_actions_adddup2(&actions, in.Read, 0);
    posix_spawn_file_actions_adddup2(&actions, out.Write, 1);
    posix_spawn_file_actions_adddup2(&actions, err.Write, 2);
    // A group of its own: Stop reaches whatever it starts, and the terminal's Ctrl+C
    // reaches only us, who stop it in order.
    posix_spawnattr_setpgroup(&attr, 0);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                        POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (rc != 0)
        throw ESpawnError(args[0] + ": " + std::strerror(rc), rc == ENOENT);
    FImpl->Pid = pid;
    FImpl->In = std::exchange(in.Write, -1);
    FImpl->Out = std::exchange(out.Read, -1);
    FImpl->Err = std::exchange(err.Read, -1);
    ::fcntl(FImpl->Err, F_SETFL, ::fcntl(FImpl->Err, F_GETFL) | O_NONBLOCK);
}

TChildProcess::~TChildProcess()
{
    Stop();
}

std::size_t TChildProcess::Read(char* data, std::size_t size, const TReadCancelCheck& cancelled)
{
    Impl& p = *FImpl;
    for (;;) {
        if (cancelled && cancelled())
            throw EReadCancelled();
        if (p.Out < 0)
            return 0;
        pollfd fds[2] = {{p.Out, POLLIN, 0}, {p.Err, POLLIN, 0}};
        const int rc = ::poll(fds, p.Err >= 0 ? 2 : 1, kPollMs);
        if (rc < 0 && errno != EINTR)
            throw std::runtime_error(std::string("cannot wait for the program: ") +
                                     std::strerror(errno));
        if (rc <= 0)
            continue;
        if (p.Err >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0)
            p.DrainError();
        if ((fds[0].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
            continue;
        const ssize_t n = ::read(p.Out, data, size);
        if (n > 0)
            return static_cast<std::size_t>(n);
        if (n == 0) {
            CloseFd(p.Out);
            return 0;
        }
        if (errno != EINTR && errno != EAGAIN)
            throw std::runtime_error(std::string("cannot read from the program: ") +
                                     std::strerror(errno));
    }
}

int TChildProcess::Wait()
{
    Impl& p = *FImpl;
    CloseFd(p.In);
    CloseFd(p.Out); // nobody reads on: a program still writing gets EPIPE
    while (p.Err >= 0) {
        pollfd e{p.Err, POLLIN, 0};
        if (::poll(&e, 1, -1) < 0 && errno != EINTR)
            break;
        p.DrainError();
    }
    CloseFd(p.Err);
    p.Reap(0);
    return p.Status;
}

void TChildProcess::Stop()
{
    Impl& p = *FImpl;
    using Clock = std::chrono::steady_clock;
    const auto waitFor = [&p](std::chrono::milliseconds time) {
        const auto deadline = Clock::now() + time;
        while (!p.Reap(WNOHANG)) {
            if (Clock::now() >= deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return true;
    };
    // Its input ends (ssh passes that on, and the remote command's watcher ends the
    // scanner there), and ssh is terminated at once: the dropped connection tells the
    // remote side as soon as the input's end would, on a loaded machine sooner.
    CloseFd(p.In);
    CloseFd(p.Out);
    CloseFd(p.Err);
    if (p.Pid < 0 || p.Reap(WNOHANG))
        return;
    ::kill(-p.Pid, SIGTERM);
    if (!waitFor(std::chrono::milliseconds(100))) {
        ::kill(-p.Pid, SIGKILL);
        p.Reap(0);
    }
    // What it started may outlive it in its group.
    ::kill(-p.Pid, SIGKILL);
}

const std::string& TChildProcess::ErrorOutput() const
{
    return FImpl->ErrorText;
}

} // namespace harrowdale::platform
