// harrowdale-scan.exe on a Windows console: Ctrl+Break ends a scan with the status of an
// interrupt, and output into a pipe nobody reads says why it failed.

#include "platform/Utf8.h"
#include "support/Process.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <windows.h>

namespace harrowdale {
namespace {

std::wstring Wide(const std::string& s)
{
    const std::u16string units = platform::Utf16FromWtf8(s);
    return std::wstring(units.begin(), units.end());
}

HANDLE Inheritable(const std::string& path)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileW(Wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts harrowdale-scan with `args`, standard output to `out` and standard error to the
// file `err`. `flags` go to CreateProcessW.
PROCESS_INFORMATION Start(const std::string& args, HANDLE out, const std::string& err, DWORD flags)
{
    std::wstring line = L"\"" + Wide(test::ScanProgram()) + L"\" " + Wide(args);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = Inheritable(err);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                        &startup, &process))
        process.hProcess = nullptr;
    CloseHandle(startup.hStdError);
    return process;
}

DWORD WaitForExit(const PROCESS_INFORMATION& p)
{
    WaitForSingleObject(p.hProcess, 60000);
    DWORD code = 0;
    GetExitCodeProcess(p.hProcess, &code);
    CloseHandle(p.hThread);
    CloseHandle(p.hProcess);
    return code;
}

TEST(HarrowdaleScan, CtrlBreakCancelsWithTheStatusOfAnInterrupt)
{
    test::TempDir scratch;
    // A console to share with the scan, which the control event is sent through.
    const bool ownConsole = AllocConsole() != FALSE;
    const HANDLE out = Inheritable(scratch / "out.txt");
    // The system's folder is big enough to still be scanning when the event comes.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const PROCESS_INFORMATION p = Start(std::string("--json \"") + windows + "\"", out,
                                        scratch / "err.txt", CREATE_NEW_PROCESS_GROUP);
    CloseHandle(out);
    ASSERT_NE(p.hProcess, nullptr);
    Sleep(300);
    const bool sent = GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, p.dwProcessId) != FALSE;
    const DWORD status = WaitForExit(p);
    if (ownConsole)
        FreeConsole();
    if (!sent)
        GTEST_SKIP() << "no console control event can be sent here (GenerateConsoleCtrlEvent "
                        "fails, as under Wine without a console)";
    if (status == 0)
        GTEST_SKIP() << "the scan finished before the event came, or the event never came "
                        "(Wine delivers none to a process without a console window)";
    EXPECT_EQ(status, 130u);
    EXPECT_NE(test::ReadFileBytes(scratch / "err.txt").find("Cancelled by user"),
              std::string::npos);
}

TEST(HarrowdaleScan, APipeNobodyReadsFailsWithStatus1AndTheReason)
{
    test::TempDir t, scratch;
    t.MakeFile("a.txt", 1);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, &inherit, 0));
    CloseHandle(read); // the reader is gone before the report comes
    const PROCESS_INFORMATION p = Start("--json --no-progress \"" + t.Path() + "\"", write,
                                        scratch / "err.txt", CREATE_NO_WINDOW);
    CloseHandle(write);
    ASSERT_NE(p.hProcess, nullptr);
    EXPECT_EQ(WaitForExit(p), 1u);
    const std::string err = test::ReadFileBytes(scratch / "err.txt");
    EXPECT_NE(err.find("cannot write the output: "), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

} // namespace
} // namespace harrowdale
