#include "support/Process.h"

#include "platform/Utf8.h"
#include "support/TempDir.h"

#include <string>
#include <windows.h>

namespace harrowdale::test {

namespace {

std::wstring Wide(std::string_view s)
{
    const std::u16string units = platform::Utf16FromWtf8(s);
    return std::wstring(units.begin(), units.end());
}

// One argument as the C runtime's command-line parsing (CommandLineToArgvW) reads it back:
// quoted, backslashes doubled only before a quote or the closing quote.
void AppendQuoted(std::wstring& line, const std::wstring& arg)
{
    line.push_back(L'"');
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line.push_back(c);
    }
    line.append(backslashes * 2, L'\\');
    line.push_back(L'"');
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(Wide(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      std::string_view input, const std::string& workingDir)
{
    // Files rather than pipes: nothing to drain while the program runs.
    const TempDir scratch;
    const std::string in = scratch / "in", out = scratch / "out", err = scratch / "err";
    WriteFileBytes(in, input);
    std::wstring line;
    AppendQuoted(line, Wide(program));
    for (const std::string& a : args) {
        line.push_back(L' ');
        AppendQuoted(line, Wide(a));
    }
    ProgramRun run;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(in, GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = Inheritable(out, GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = Inheritable(err, GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    const std::wstring folder = Wide(workingDir);
    // Wine on a loaded machine now and then refuses a start it accepts a moment later; that
    // is the test host's trouble, not the program's, so it gets a few more tries.
    BOOL started = FALSE;
    DWORD startError = 0;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt > 0)
            Sleep(200 * attempt);
        started =
            CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                           folder.empty() ? nullptr : folder.c_str(), &startup, &process);
        if (!started)
            startError = GetLastError();
    }
    for (const HANDLE h : {startup.hStdInput, startup.hStdOutput, startup.hStdError})
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    if (!started) {
        run.Err = "could not start the program: Windows error " + std::to_string(startError);
        return run;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code))
        run.Status = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.Out = ReadFileBytes(out);
    run.Err = ReadFileBytes(err);
    return run;
}

} // namespace harrowdale::test
