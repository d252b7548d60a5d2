#include "support/Process.h"

#include "support/TempDir.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harrowdale::test {

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      std::string_view input, const std::string& workingDir)
{
    // Files rather than pipes: nothing to drain while the program runs.
    const TempDir scratch;
    const std::string in = scratch / "in", out = scratch / "out", err = scratch / "err";
    WriteFileBytes(in, input);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ProgramRun run;
    const pid_t pid = ::fork();
    if (pid < 0)
        return run;
    if (pid == 0) {
        const int fds[3] = {::open(in.c_str(), O_RDONLY),
                            ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
                            ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600)};
        for (int i = 0; i < 3; ++i)
            if (fds[i] < 0 || ::dup2(fds[i], i) < 0)
                ::_exit(127);
        if (!workingDir.empty() && ::chdir(workingDir.c_str()) != 0)
            ::_exit(127);
        ::execv(program.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.Out = ReadFileBytes(out);
    run.Err = ReadFileBytes(err);
    return run;
}

} // namespace harrowdale::test
