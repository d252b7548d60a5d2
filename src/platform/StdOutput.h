#pragma once

// Standard output for command-line reports, telling why writing failed (a full disk, a
// closed pipe), which a plain stream forgets.

#include <streambuf>
#include <string>
#include <vector>

namespace harrowdale::platform {

/// A stream buffer over the process's standard output. After the first failed write it
/// drops everything and keeps the system's reason.
class TStdOutBuffer : public std::streambuf
{
public:
    TStdOutBuffer();
    ~TStdOutBuffer() override;
    TStdOutBuffer(const TStdOutBuffer&) = delete;
    TStdOutBuffer& operator=(const TStdOutBuffer&) = delete;

    /// Writes what is buffered; "" when every write so far succeeded, else the reason
    /// of the first that failed.
    const std::string& Finish();

protected:
    int_type overflow(int_type ch) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    bool WriteOut(const char* data, std::size_t size);
    bool Drain();

    std::vector<char> FBuffer;
    std::string FError;
};

} // namespace harrowdale::platform
