#include "platform/ContentFiles.h"

#include "platform/Paths.h"
#include "platform/posix/Descriptors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace harrowdale::platform {

namespace {

int Fd(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

} // namespace

ContentFile::ContentFile(ContentFile&& other) noexcept : FHandle(other.FHandle)
{
    other.FHandle = -1;
}

ContentFile& ContentFile::operator=(ContentFile&& other) noexcept
{
    if (this != &other) {
        Close();
        FHandle = other.FHandle;
        other.FHandle = -1;
    }
    return *this;
}

void ContentFile::Close()
{
    if (FHandle != -1)
        ::close(Fd(FHandle));
    FHandle = -1;
}

bool ContentFile::Look(FileStamp& out) const
{
    struct stat st
    {
    };
    if (FHandle == -1 || ::fstat(Fd(FHandle), &st) != 0)
        return false;
    out.Size = st.st_size;
    out.LastWriteNs =
        static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    out.Id = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
    return S_ISREG(st.st_mode);
}

std::int64_t ContentFile::ReadAt(char* data, std::size_t size, std::int64_t offset) const
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(Fd(FHandle), data + done, size - done,
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

void ContentFile::WillReadWhole() const
{
    ::posix_fadvise(Fd(FHandle), 0, 0, POSIX_FADV_SEQUENTIAL);
}

ContentRoots::ContentRoots(std::span<const ScanRoot> roots) : FRoots(roots.begin(), roots.end())
{
    for (const ScanRoot& root : FRoots)
        FHandles.push_back(posix::OpenRecordedRoot(root, O_PATH | O_DIRECTORY));
}

ContentRoots::~ContentRoots()
{
    for (const std::intptr_t h : FHandles)
        if (h != -1)
            ::close(Fd(h));
}

std::size_t ContentRoots::OpenCount() const
{
    std::size_t n = 0;
    for (const std::intptr_t h : FHandles)
        n += h != -1 ? 1 : 0;
    return n;
}

bool ContentRoots::OpenFile(const std::string& path, ContentFile& out) const
{
    out.Close();
    const ScanRoot* root = RootHolding(FRoots, path);
    if (root == nullptr)
        return false;
    const std::intptr_t rootFd = FHandles[static_cast<std::size_t>(root - FRoots.data())];
    const std::optional<std::string_view> rel = PathBelow(path, root->Path);
    if (rootFd == -1 || !rel)
        return false;
    // Not blocking: a fifo put in the file's place would otherwise wait for a writer.
    const int fd = posix::OpenBeneath(Fd(rootFd), *rel, O_RDONLY | O_NONBLOCK);
    if (fd < 0)
        return false;
    out.FHandle = fd;
    return true;
}

bool ContentReadingAvailable()
{
    return true;
}

} // namespace harrowdale::platform
