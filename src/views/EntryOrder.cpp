#include "views/EntryOrder.h"

#include <algorithm>

namespace harrowdale {

namespace {

unsigned char Folded(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

int Depth(const TDirNode* d)
{
    int depth = 0;
    for (; d->Parent() != nullptr; d = d->Parent())
        ++depth;
    return depth;
}

} // namespace

int CompareNames(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (Folded(a[i]) != Folded(b[i]))
            return Folded(a[i]) < Folded(b[i]) ? -1 : 1;
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    const int bytes = a.compare(b);
    return bytes < 0 ? -1 : bytes > 0 ? 1 : 0;
}

int CompareFolderPaths(const TDirNode* a, const TDirNode* b)
{
    if (a == b)
        return 0;
    // Brought to the same depth; a folder that is an ancestor of the other comes first.
    int da = Depth(a), db = Depth(b);
    for (; da > db; --da) {
        a = a->Parent();
        if (a == b)
            return 1;
    }
    for (; db > da; --db) {
        b = b->Parent();
        if (b == a)
            return -1;
    }
    // Up to the children of the common ancestor: their names decide.
    while (a->Parent() != b->Parent()) {
        a = a->Parent();
        b = b->Parent();
    }
    return CompareNames(a->Name(), b->Name());
}

int CompareFilePaths(const TFileLeaf* a, const TFileLeaf* b)
{
    const int folders = CompareFolderPaths(a->Parent(), b->Parent());
    return folders != 0 ? folders : CompareNames(a->Name(), b->Name());
}

} // namespace harrowdale
