#pragma once

// What a command-line program needs of its console: its arguments, interruption by the
// user, and text on standard output and standard error.

#include <string>
#include <vector>

namespace harrowdale::platform {

/// The program's arguments after its name, as bytes: argv on Linux; on Windows the
/// UTF-16 command line (GetCommandLineW) split as the C runtime splits it, in WTF-8, so
/// that every name typed or pasted reaches the program unchanged.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

/// Makes standard output and standard error carry bytes unchanged: on Windows binary mode
/// (no CR added before LF) and a console that shows UTF-8 and understands the VT escape
/// sequences used for a progress line. Call once at start-up.
void PrepareStandardStreams();

/// True when standard error is a terminal that can show a self-overwriting line.
bool StandardErrorIsTerminal();

enum class Interruption
{
    None,
    Interrupt, ///< Ctrl+C (SIGINT; on Windows also Ctrl+Break)
    Terminate, ///< SIGTERM; on Windows the console closing, log-off or shut-down
};

/// Calls `handler` when the user interrupts the program, instead of ending it. The handler
/// runs in a signal handler (Linux) or on a thread of its own (Windows): it may only touch
/// lock-free atomics.
void CatchInterruptions(void (*handler)(Interruption));

/// Back to the default: an interruption ends the program.
void ReleaseInterruptions();

/// Ends the program at once, from an interruption handler, with InterruptionExitStatus:
/// the temporary files of output not yet complete are removed first
/// (RemoveUnfinishedOutputFiles), nothing else runs (no destructors, no buffers flushed).
[[noreturn]] void EndOnInterruption(Interruption kind) noexcept;

/// The exit status of a program ended by `kind`, as the shell reports it (128 + the
/// signal's number): 130 for an interrupt, 143 for a termination. The same on Windows, so
/// scripts see one status on both.
int InterruptionExitStatus(Interruption kind);

} // namespace harrowdale::platform
