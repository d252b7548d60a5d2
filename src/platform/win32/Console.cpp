#include "platform/Console.h"

#include "platform/ByteFile.h"
#include "platform/win32/Wide.h"

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// after windows.h, whose types it uses
#include <shellapi.h>

namespace harrowdale::platform {

namespace {

std::atomic<void (*)(Interruption)> gHandler{nullptr};

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    void (*handler)(Interruption) = gHandler.load();
    if (handler == nullptr)
        return FALSE;
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        handler(Interruption::Interrupt);
        return TRUE;
    default:
        // Closing the console, log-off, shut-down: the system ends the process when this
        // returns, so give the program a moment to stop and report first.
        handler(Interruption::Terminate);
        Sleep(3000);
        return TRUE;
    }
}

} // namespace

std::vector<std::string> CommandLineArguments(int, char**)
{
    // The narrow argv holds the arguments in the ANSI code page: names outside it are
    // lost there. The wide command line has them all.
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 1; args != nullptr && i < count; ++i)
        out.push_back(win32::Narrow(args[i]));
    LocalFree(args);
    return out;
}

void PrepareStandardStreams()
{
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
    const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(err, &mode))
        SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool StandardErrorIsTerminal()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) &&
           (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

void CatchInterruptions(void (*handler)(Interruption))
{
    gHandler.store(handler);
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void ReleaseInterruptions()
{
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    gHandler.store(nullptr);
}

int InterruptionExitStatus(Interruption kind)
{
    return kind == Interruption::Terminate ? 143 : 130;
}

void EndOnInterruption(Interruption kind) noexcept
{
    RemoveUnfinishedOutputFiles();
    // Nothing else runs, as _exit on Linux; the system closes the handles, and so removes
    // the files marked for deletion.
    const UINT status = static_cast<UINT>(InterruptionExitStatus(kind));
    TerminateProcess(GetCurrentProcess(), status);
    ExitProcess(status); // not reached
}

} // namespace harrowdale::platform
