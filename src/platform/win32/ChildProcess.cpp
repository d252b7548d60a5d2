#include "platform/ChildProcess.h"

namespace harrowdale::platform {

// Scanning another machine reads the output of the system's ssh client; this build does
// not run other programs, and says so rather than pretend.
struct TChildProcess::Impl
{
    std::string ErrorText;
};

TChildProcess::TChildProcess(const std::vector<std::string>& args)
{
    (void)args;
    throw ESpawnError("running another program (such as ssh) is not available on this system",
                      false);
}

TChildProcess::~TChildProcess() = default;

std::size_t TChildProcess::Read(char*, std::size_t, const TReadCancelCheck&)
{
    return 0;
}

int TChildProcess::Wait()
{
    return 255;
}

void TChildProcess::Stop() {}

const std::string& TChildProcess::ErrorOutput() const
{
    return FImpl->ErrorText;
}

} // namespace harrowdale::platform
