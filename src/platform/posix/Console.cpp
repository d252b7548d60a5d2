#include "platform/Console.h"

#include "platform/ByteFile.h"

#include <csignal>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

void (*gHandler)(Interruption) = nullptr;

extern "C" void OnSignal(int sig)
{
    if (gHandler != nullptr)
        gHandler(sig == SIGTERM ? Interruption::Terminate : Interruption::Interrupt);
}

} // namespace

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

void PrepareStandardStreams() {}

bool StandardErrorIsTerminal()
{
    return ::isatty(STDERR_FILENO) != 0;
}

void CatchInterruptions(void (*handler)(Interruption))
{
    gHandler = handler;
    struct sigaction sa
    {
    };
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

void ReleaseInterruptions()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    gHandler = nullptr;
}

int InterruptionExitStatus(Interruption kind)
{
    return 128 + (kind == Interruption::Terminate ? SIGTERM : SIGINT);
}

void EndOnInterruption(Interruption kind) noexcept
{
    RemoveUnfinishedOutputFiles();
    ::_exit(InterruptionExitStatus(kind));
}

} // namespace harrowdale::platform
