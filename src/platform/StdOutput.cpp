#include "platform/StdOutput.h"

#include <cstring>

namespace harrowdale::platform {

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;

} // namespace

TStdOutBuffer::TStdOutBuffer() : FBuffer(kBufferBytes)
{
    setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
}

TStdOutBuffer::~TStdOutBuffer()
{
    Drain();
}

bool TStdOutBuffer::Drain()
{
    const bool ok = WriteOut(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    setp(FBuffer.data(), FBuffer.data() + FBuffer.size());
    return ok;
}

TStdOutBuffer::int_type TStdOutBuffer::overflow(int_type ch)
{
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

std::streamsize TStdOutBuffer::xsputn(const char* s, std::streamsize n)
{
    const auto room = static_cast<std::streamsize>(epptr() - pptr());
    if (n <= room) {
        std::memcpy(pptr(), s, static_cast<std::size_t>(n));
        pbump(static_cast<int>(n));
        return n;
    }
    if (!Drain() || !WriteOut(s, static_cast<std::size_t>(n)))
        return 0;
    return n;
}

int TStdOutBuffer::sync()
{
    return Drain() ? 0 : -1;
}

const std::string& TStdOutBuffer::Finish()
{
    Drain();
    return FError;
}

} // namespace harrowdale::platform
