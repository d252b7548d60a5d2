#include "platform/ContentFiles.h"

// Comparing contents is not offered on Windows yet (see ContentReadingAvailable): nothing
// here opens a file, so nothing can be reached through a junction.

namespace harrowdale::platform {

ContentFile::ContentFile(ContentFile&& other) noexcept : FHandle(other.FHandle)
{
    other.FHandle = -1;
}

ContentFile& ContentFile::operator=(ContentFile&& other) noexcept
{
    FHandle = other.FHandle;
    other.FHandle = -1;
    return *this;
}

void ContentFile::Close()
{
    FHandle = -1;
}

bool ContentFile::Look(FileStamp&) const
{
    return false;
}

std::int64_t ContentFile::ReadAt(char*, std::size_t, std::int64_t) const
{
    return -1;
}

void ContentFile::WillReadWhole() const {}

ContentRoots::ContentRoots(std::span<const ScanRoot> roots) : FRoots(roots.begin(), roots.end()) {}

ContentRoots::~ContentRoots() = default;

std::size_t ContentRoots::OpenCount() const
{
    return 0;
}

bool ContentRoots::OpenFile(const std::string&, ContentFile&) const
{
    return false;
}

bool ContentReadingAvailable()
{
    return false;
}

} // namespace harrowdale::platform
