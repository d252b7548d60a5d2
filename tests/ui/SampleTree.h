#pragma once

// The small tree the selection and removal tests scan: two folders, 300000 + 200000 +
// 100000 + 50000 bytes in four files of three extensions, and one group of duplicates
// (copy.dat, 4000 bytes, in both folders).

#include "support/TempDir.h"

namespace harrowdale::test {

inline void MakeSampleTree(const TempDir& t)
{
    t.MakeDir("photos/2024");
    t.MakeDir("docs");
    t.MakeFile("photos/2024/a.jpg", 300000);
    t.MakeFile("photos/b.JPG", 200000);
    t.MakeFile("docs/c.txt", 100000);
    t.MakeFile("docs/d.pdf", 50000);
    t.MakeFile("photos/copy.dat", 4000);
    t.MakeFile("docs/copy.dat", 4000);
}

} // namespace harrowdale::test
