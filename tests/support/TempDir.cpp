#include "support/TempDir.h"

#include "platform/ByteFile.h"
#include "platform/Paths.h"

#include <stdexcept>

namespace harrowdale::test {

std::string TempDir::operator/(std::string_view rel) const
{
    std::string path = FPath;
    platform::AppendPathComponent(path, NativePath(rel));
    return path;
}

std::string TempDir::MakeDir(std::string_view rel) const
{
    std::string path = FPath;
    std::size_t pos = 0;
    while (pos <= rel.size()) {
        std::size_t end = rel.find('/', pos);
        if (end == std::string_view::npos)
            end = rel.size();
        platform::AppendPathComponent(path, rel.substr(pos, end - pos));
        MakeFolder(path);
        pos = end + 1;
    }
    return path;
}

std::string NativePath(std::string_view slashed)
{
    if (platform::NativePathStyle() == platform::PathStyle::Posix)
        return std::string(slashed);
    std::string path;
    if (!slashed.empty() && slashed.front() == '/') {
        path = slashed.size() == 1 ? "C:" : "C:\\";
        slashed.remove_prefix(1);
    }
    for (const char c : slashed)
        path.push_back(c == '/' ? '\\' : c);
    return path;
}

std::string ShellQuote(std::string_view s)
{
    std::string q = "'";
    for (const char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadFileBytes(const std::string& path)
{
    std::string s;
    try {
        platform::TInputFile in(path);
        char buf[4096];
        while (const std::size_t n = in.Read(buf, sizeof buf))
            s.append(buf, n);
    } catch (const std::runtime_error&) {
        return {};
    }
    return s;
}

void WriteFileBytes(const std::string& path, std::string_view bytes)
{
    try {
        platform::TOutputFile out(path);
        out.Write(bytes.data(), bytes.size());
        out.Commit();
    } catch (const std::runtime_error& e) {
        throw std::runtime_error("cannot create " + path + ": " + e.what());
    }
}

} // namespace harrowdale::test
