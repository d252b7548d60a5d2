// Trash and permanent removal act on exactly the given path bytes and never follow links.

#include "platform/ContentFiles.h"
#include "platform/FileOps.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"
#include "support/RemovalAsOnDisk.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/fs.h>
#include <linux/seccomp.h>
#include <map>
#include <optional>
#include <sched.h>
#include <set>
#include <sstream>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace harrowdale {
namespace {

using test::AsOnDisk;
using test::AsRoots;
using test::DeleteAsOnDisk;
using test::SetImmutable;
using test::TempDir;
using test::TrashAsOnDisk;

bool Exists(const std::string& p)
{
    return platform::PathExists(p);
}

std::string ReadFile(const std::string& p)
{
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Points the home trash at a scratch folder for the life of the test.
class ScratchDataHome
{
public:
    explicit ScratchDataHome(const std::string& dir)
    {
        const char* old = std::getenv("XDG_DATA_HOME");
        FOld = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("XDG_DATA_HOME", dir.c_str(), 1);
    }
    ~ScratchDataHome()
    {
        if (FOld)
            ::setenv("XDG_DATA_HOME", FOld->c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
    }

private:
    std::optional<std::string> FOld;
};

TEST(FileOps, TrashMovesOddNamesWithRestorableInfo)
{
    TempDir t;
    ScratchDataHome home(t / "data");
    const std::string names[] = {"with space.txt", "new\nline", "bad\xff.bin", "-rf"};
    std::vector<std::string> paths;
    for (const std::string& n : names)
        paths.push_back(t.MakeFile(n, 5));
    t.MakeDir("folder/inner");
    t.MakeFile("folder/inner/x", 1);
    paths.push_back(t / "folder");
    t.MakeFile("keep.txt", 1);

    const std::vector<std::string> roots{t.Path()};
    ASSERT_TRUE(TrashAsOnDisk(roots, paths));
    for (const std::string& p : paths)
        EXPECT_FALSE(Exists(p)) << p;
    EXPECT_TRUE(Exists(t / "keep.txt"));

    const std::string trash = t / "data/Trash";
    EXPECT_TRUE(Exists(trash + "/files/bad\xff.bin"));
    EXPECT_TRUE(Exists(trash + "/files/folder/inner/x"));
    const std::string info = ReadFile(trash + "/info/bad\xff.bin.trashinfo");
    EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + platform::PercentEncodePath(t / "bad\xff.bin") +
                             "\nDeletionDate=",
                         0),
              0u)
        << info;
    EXPECT_NE(info.find("%FF.bin"), std::string::npos);
    EXPECT_NE(ReadFile(trash + "/info/new\nline.trashinfo").find("new%0Aline"), std::string::npos);

    // A second item of the same name gets a name of its own.
    t.MakeFile("-rf", 7);
    ASSERT_TRUE(TrashAsOnDisk(roots, {t / "-rf"}));
    EXPECT_TRUE(Exists(trash + "/files/-rf.2"));
    EXPECT_TRUE(Exists(trash + "/info/-rf.2.trashinfo"));
}

TEST(FileOps, PermanentRemovalNeverFollowsLinks)
{
    TempDir t;
    t.MakeDir("outside");
    t.MakeFile("outside/precious.txt", 10);
    t.MakeDir("victim/sub");
    t.MakeFile("victim/sub/a.bin", 3);
    t.MakeFile("victim/bad\xfe name", 3);
    t.MakeLink(t / "outside", "victim/link-to-dir");
    t.MakeLink(t / "outside/precious.txt", "victim/link-to-file");
    t.MakeFile("single\n.txt", 1);

    std::vector<std::string> failures;
    const std::vector<std::string> roots{t.Path()};
    ASSERT_TRUE(DeleteAsOnDisk(roots, {t / "victim", t / "single\n.txt"}, &failures));
    EXPECT_TRUE(failures.empty());
    EXPECT_FALSE(Exists(t / "victim"));
    EXPECT_FALSE(Exists(t / "single\n.txt"));
    EXPECT_TRUE(Exists(t / "outside/precious.txt"));
}

TEST(FileOps, OutcomesComeOneAnItemAndRepeatsAreOneItem)
{
    using platform::TRemovalStatus;
    TempDir t;
    const std::string a = t.MakeFile("a.txt", 1);
    const std::string b = t.MakeFile("b.txt", 1);
    t.MakeFile("plain", 1);
    const std::vector<std::string> roots{t.Path()};
    // The same path twice (a group and one of its files) is removed once and both say
    // so; a missing path is already gone, a file on the way leaves nothing at the path,
    // a path outside every root fails; the others are still removed.
    const std::vector<std::string> paths{a, a, t / "missing", t / "plain/below", b, "/elsewhere"};
    const auto outcomes = platform::RemovePermanently(AsRoots(roots), AsOnDisk(paths));
    std::vector<TRemovalStatus> statuses;
    for (const auto& o : outcomes)
        statuses.push_back(o.Status);
    EXPECT_EQ(statuses, (std::vector{TRemovalStatus::Removed, TRemovalStatus::Removed,
                                     TRemovalStatus::AlreadyGone, TRemovalStatus::AlreadyGone,
                                     TRemovalStatus::Removed, TRemovalStatus::Failed}));
    EXPECT_EQ(outcomes[5].Error, platform::TRemovalError::NotInScan);
    EXPECT_FALSE(Exists(a));
    EXPECT_FALSE(Exists(b));

    ScratchDataHome home(t / "data");
    std::vector<std::string> failures;
    EXPECT_FALSE(TrashAsOnDisk(roots, {t / "gone"}, &failures));
    EXPECT_EQ(failures.size(), 1u);
    EXPECT_FALSE(TrashAsOnDisk(roots, {"relative/path"}, &failures));
}

platform::FileIdentity IdOf(const std::string& p)
{
    struct stat st
    {
    };
    ::lstat(p.c_str(), &st);
    return {st.st_dev, st.st_ino};
}

TEST(FileOps, OnlyWhatIsStillAsRecordedIsRemoved)
{
    using platform::TRecordedItem;
    using platform::TRemovalStatus;
    struct Case
    {
        const char* What;
        // Records root/item as a scan saw it, then changes the disk; returns the record.
        std::function<TRecordedItem(const TempDir&)> Set;
        TRemovalStatus Want;
    };
    const Case cases[] = {
        {"a 1-byte file that is now a folder of files",
         [](const TempDir& t) {
             t.MakeFile("root/item", 1);
             TRecordedItem r{t / "root/item", false, std::nullopt};
             ::unlink((t / "root/item").c_str());
             t.MakeDir("root/item/sub");
             for (const char* f : {"root/item/a", "root/item/b", "root/item/sub/c"})
                 t.MakeFile(f, 1);
             return r;
         },
         TRemovalStatus::Changed},
        {"a folder that is now a file",
         [](const TempDir& t) {
             t.MakeDir("root/item");
             TRecordedItem r{t / "root/item", true, IdOf(t / "root/item")};
             ::rmdir((t / "root/item").c_str());
             t.MakeFile("root/item", 1);
             return r;
         },
         TRemovalStatus::Changed},
        {"a folder replaced by another folder",
         [](const TempDir& t) {
             t.MakeDir("root/item");
             TRecordedItem r{t / "root/item", true, IdOf(t / "root/item")};
             ::rename((t / "root/item").c_str(), (t / "root/old").c_str());
             t.MakeDir("root/item");
             t.MakeFile("root/item/new.txt", 1);
             return r;
         },
         TRemovalStatus::Changed},
        {"a linked file replaced by another file",
         [](const TempDir& t) {
             t.MakeFile("root/item", 1);
             TRecordedItem r{t / "root/item", false, IdOf(t / "root/item")};
             ::rename((t / "root/item").c_str(), (t / "root/old").c_str());
             t.MakeFile("root/item", 1);
             return r;
         },
         TRemovalStatus::Changed},
        {"a known file number that is not the item's, without a device",
         [](const TempDir& t) {
             t.MakeFile("root/item", 1);
             return TRecordedItem{t / "root/item", false,
                                  platform::FileIdentity{0, IdOf(t / "root/item").Inode + 1}};
         },
         TRemovalStatus::Changed},
        {"a folder still as recorded",
         [](const TempDir& t) {
             t.MakeDir("root/item");
             t.MakeFile("root/item/a", 1);
             return TRecordedItem{t / "root/item", true, IdOf(t / "root/item")};
         },
         TRemovalStatus::Removed},
        {"a file whose file number alone is known (a scan file without devices)",
         [](const TempDir& t) {
             t.MakeFile("root/item", 1);
             return TRecordedItem{t / "root/item", false,
                                  platform::FileIdentity{0, IdOf(t / "root/item").Inode}};
         },
         TRemovalStatus::Removed},
        {"a file whose identity is not known, still a file",
         [](const TempDir& t) {
             t.MakeFile("root/item", 1);
             return TRecordedItem{t / "root/item", false, std::nullopt};
         },
         TRemovalStatus::Removed},
    };
    for (const bool trash : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(trash ? "trash: " : "delete: ") + c.What);
            TempDir t;
            ScratchDataHome home(t / "data");
            t.MakeDir("root");
            const TRecordedItem record = c.Set(t);
            const std::vector<std::string> roots{t / "root"};
            const std::vector<TRecordedItem> items{record};
            const auto outcomes = trash ? platform::MoveToTrash(AsRoots(roots), items)
                                        : platform::RemovePermanently(AsRoots(roots), items);
            ASSERT_EQ(outcomes.size(), 1u);
            EXPECT_EQ(outcomes[0].Status, c.Want);
            EXPECT_EQ(Exists(record.Path), c.Want != TRemovalStatus::Removed);
            if (c.Want == TRemovalStatus::Changed) {
                EXPECT_FALSE(Exists(t / "data/Trash/files/item"));
                EXPECT_FALSE(Exists(t / "data/Trash/info/item.trashinfo"));
            }
        }
    }
}

TEST(FileOps, APartialRemovalNamesWhatStays)
{
    TempDir t;
    t.MakeDir("victim/gone");
    t.MakeDir("victim/keep/deeper");
    t.MakeFile("victim/top.txt", 1);
    t.MakeFile("victim/gone/x", 1);
    t.MakeFile("victim/keep/deeper/locked", 1);
    t.MakeFile("victim/keep/deeper/other", 1);
    t.MakeFile("victim/keep/beside", 1);
    if (!SetImmutable(t / "victim/keep/deeper/locked", true))
        GTEST_SKIP() << "cannot make a file immutable here";
    const std::vector<std::string> roots{t.Path()};
    const auto outcomes = platform::RemovePermanently(AsRoots(roots), AsOnDisk({t / "victim"}));
    SetImmutable(t / "victim/keep/deeper/locked", false);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].Status, platform::TRemovalStatus::PartlyRemoved);
    std::vector<std::pair<std::string, bool>> left;
    for (const platform::TLeftEntry& e : outcomes[0].Left)
        left.emplace_back(e.Path, e.Whole);
    std::sort(left.begin(), left.end());
    // The locked file as it is; the folders on its way stay for it alone.
    EXPECT_EQ(left, (std::vector<std::pair<std::string, bool>>{
                        {"keep", false}, {"keep/deeper", false}, {"keep/deeper/locked", true}}));
    EXPECT_TRUE(Exists(t / "victim/keep/deeper/locked"));
    for (const char* gone :
         {"victim/top.txt", "victim/gone", "victim/keep/deeper/other", "victim/keep/beside"})
        EXPECT_FALSE(Exists(t / gone)) << gone;
}

// The percent-encoded Path of every info file in `trash`, by the name of its entry.
std::map<std::string, std::string> TrashEntries(const std::string& trash)
{
    std::map<std::string, std::string> entries;
    DIR* dir = ::opendir((trash + "/info").c_str());
    while (dir != nullptr) {
        const dirent* d = ::readdir(dir);
        if (d == nullptr)
            break;
        const std::string info = d->d_name;
        const std::string suffix = ".trashinfo";
        if (info.size() <= suffix.size() || !info.ends_with(suffix))
            continue;
        const std::string text = ReadFile(trash + "/info/" + info);
        const std::size_t at = text.find("\nPath=");
        const std::string name = info.substr(0, info.size() - suffix.size());
        entries[name] = at == std::string::npos
                            ? std::string()
                            : text.substr(at + 6, text.find('\n', at + 6) - at - 6);
    }
    if (dir != nullptr)
        ::closedir(dir);
    return entries;
}

TEST(FileOps, EveryNameThatCanBeDeletedCanBeTrashed)
{
    TempDir t;
    ScratchDataHome home(t / "data");
    // Names up to the longest a name may be, where "name.trashinfo" is longer; two that
    // differ only past the part a shortened name keeps; one of two-byte characters; and
    // the shortened form of another one, as a name of its own.
    std::vector<std::string> names;
    for (const std::size_t length : {245, 246, 250, 255})
        names.push_back(std::string(length - 4, 'a') + ".txt");
    names.push_back(std::string(250, 'b') + "1.bin");
    names.push_back(std::string(250, 'b') + "2.bin");
    std::string wide;
    while (wide.size() < 254)
        wide += "\xc3\xa9"; // é
    names.push_back(wide + "z");
    names.push_back(std::string(240, 'b') + "~.bin");
    std::vector<std::string> paths;
    t.MakeDir("root");
    for (const std::string& n : names)
        paths.push_back(t.MakeFile("root/" + n, 1));
    const std::vector<std::string> roots{t / "root"};
    std::vector<std::string> failures;
    EXPECT_TRUE(TrashAsOnDisk(roots, paths, &failures)) << failures.size() << " failed";

    const std::map<std::string, std::string> entries = TrashEntries(t / "data/Trash");
    std::set<std::string> recorded;
    for (const auto& [entry, path] : entries) {
        EXPECT_TRUE(Exists(t / "data/Trash/files/" + entry)) << entry;
        EXPECT_LE(entry.size() + std::strlen(".trashinfo"), 255u);
        std::size_t pos = 0;
        while (pos < entry.size())
            EXPECT_GE(platform::DecodeUtf8(entry, pos), 0) << "a character was cut: " << entry;
        recorded.insert(path);
    }
    std::set<std::string> want;
    for (const std::string& p : paths) {
        EXPECT_FALSE(Exists(p));
        want.insert(platform::PercentEncodePath(p));
    }
    EXPECT_EQ(recorded, want);
    EXPECT_EQ(entries.size(), names.size());
}

std::string Check(bool ok, const std::string& what)
{
    return ok ? std::string() : what + "; ";
}

using TCommand =
    std::function<bool(const std::vector<std::string>& roots, const std::vector<std::string>& paths,
                       std::vector<std::string>* failures)>;

// Both removals, so that each rule is checked for the trash and the permanent delete.
std::vector<std::pair<const char*, TCommand>> BothCommands()
{
    return {{"trash", [](const auto& roots, const auto& paths,
                         auto* failures) { return TrashAsOnDisk(roots, paths, failures); }},
            {"delete", [](const auto& roots, const auto& paths, auto* failures) {
                 return DeleteAsOnDisk(roots, paths, failures);
             }}};
}

TEST(FileOps, PathsAreResolvedFromTheirScanRootWithoutFollowingLinks)
{
    struct Case
    {
        const char* What;
        // Builds the state after the scan; returns the roots and the selected path.
        std::function<std::pair<std::vector<std::string>, std::string>(const TempDir&)> Set;
        bool Removed;
    };
    const Case cases[] = {
        {"a parent folder swapped for a link to another place",
         [](const TempDir& t) {
             ::rename((t / "root/dir").c_str(), (t / "root/dir.old").c_str());
             t.MakeLink(t / "outside", "root/dir");
             return std::pair{std::vector{t / "root"}, t / "root/dir/a.txt"};
         },
         false},
        {"the item swapped for a link",
         [](const TempDir& t) {
             ::unlink((t / "root/b.txt").c_str());
             t.MakeLink(t / "outside/a.txt", "root/b.txt");
             return std::pair{std::vector{t / "root"}, t / "root/b.txt"};
         },
         false},
        {"a path no scan root holds",
         [](const TempDir& t) {
             return std::pair{std::vector{t / "root"}, t / "outside/a.txt"};
         },
         false},
        {"a root that is only the start of a name",
         [](const TempDir& t) {
             return std::pair{std::vector{t / "out"}, t / "outside/a.txt"};
         },
         false},
        {"a path that climbs out with ..",
         [](const TempDir& t) {
             return std::pair{std::vector{t / "root"}, t / "root/dir/../../outside/a.txt"};
         },
         false},
        {"a root reached through the user's own link is opened as the scan opened it",
         [](const TempDir& t) {
             t.MakeLink(t / "root", "via-link");
             return std::pair{std::vector{t / "via-link"}, t / "via-link/b.txt"};
         },
         true},
        {"the longest root holding the path is the one resolved from",
         [](const TempDir& t) {
             t.MakeLink(t / "root", "via-link");
             return std::pair{std::vector{t.Path(), t / "via-link"}, t / "via-link/dir/a.txt"};
         },
         true},
        {"a scan root that is itself selected",
         [](const TempDir& t) {
             return std::pair{std::vector{t / "root/dir"}, t / "root/dir"};
         },
         true},
    };
    for (const auto& [command, run] : BothCommands()) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(command) + ": " + c.What);
            TempDir t;
            ScratchDataHome home(t / "data");
            t.MakeDir("root/dir");
            t.MakeFile("root/dir/a.txt", 3);
            t.MakeFile("root/b.txt", 3);
            t.MakeDir("outside");
            t.MakeFile("outside/a.txt", 7);
            const auto [roots, path] = c.Set(t);
            std::vector<std::string> failures;
            EXPECT_EQ(run(roots, {path}, &failures), c.Removed);
            EXPECT_EQ(failures,
                      c.Removed ? std::vector<std::string>{} : std::vector<std::string>{path});
            EXPECT_EQ(Exists(path), !c.Removed);
            EXPECT_TRUE(Exists(t / "outside/a.txt"));
            if (!c.Removed) {
                EXPECT_FALSE(Exists(t / "data/Trash/info")) << "a trash was prepared";
            }
        }
    }
}

// A scan root is reopened by its path, so whatever has taken that path since the scan
// would receive every command; it is taken only while it is the folder the scan recorded.
TEST(FileOps, ARootIsTakenOnlyWhileItIsTheFolderTheScanRecorded)
{
    struct Case
    {
        const char* What;
        std::function<void(const TempDir&)> AfterScan;
        bool Same;
    };
    const Case cases[] = {
        {"the folder scanned, untouched", [](const TempDir&) {}, true},
        {"renamed away and a link to another folder put in its place",
         [](const TempDir& t) {
             ::rename((t / "root").c_str(), (t / "root.old").c_str());
             t.MakeLink(t / "outside", "root");
         },
         false},
        {"renamed away and another folder made under its name",
         [](const TempDir& t) {
             ::rename((t / "root").c_str(), (t / "root.old").c_str());
             t.MakeDir("root/dir");
             t.MakeFile("root/a.txt", 7);
         },
         false},
    };
    for (const auto& [command, trash] : {std::pair{"trash", true}, {"delete", false}}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(command) + ": " + c.What);
            TempDir t;
            ScratchDataHome home(t / "data");
            t.MakeDir("root/dir");
            t.MakeFile("root/a.txt", 3);
            t.MakeDir("outside/dir");
            t.MakeFile("outside/a.txt", 7);
            platform::FolderHandle scanned;
            platform::FileIdentity id;
            ASSERT_EQ(platform::OpenScanRoot(t / "root", scanned), platform::OpenResult::Opened);
            ASSERT_TRUE(platform::IdentityOf(scanned, id));
            scanned.Close();
            const std::vector<platform::ScanRoot> roots{{t / "root", id}};
            c.AfterScan(t);

            platform::FolderHandle folder;
            EXPECT_EQ(platform::OpenFolderInScan(roots, t / "root/dir", folder),
                      c.Same ? platform::OpenResult::Opened : platform::OpenResult::NotEntered);
            EXPECT_EQ(platform::OpenFolderInScan(roots, t / "root", folder),
                      c.Same ? platform::OpenResult::Opened : platform::OpenResult::NotEntered);
            folder.Close();
            EXPECT_EQ(platform::ContentRoots(roots).OpenCount(), c.Same ? 1u : 0u);

            const auto items = AsOnDisk({t / "root/a.txt"});
            const auto outcomes = trash ? platform::MoveToTrash(roots, items)
                                        : platform::RemovePermanently(roots, items);
            ASSERT_EQ(outcomes.size(), 1u);
            EXPECT_EQ(outcomes[0].Status, c.Same ? platform::TRemovalStatus::Removed
                                                 : platform::TRemovalStatus::Changed);
            EXPECT_EQ(Exists(t / "root/a.txt"), !c.Same);
            EXPECT_TRUE(Exists(t / "outside/a.txt"));
        }
    }
}

// Runs `body` in a child process, for what must not touch the test process (limits,
// mounts, system-call filters); returns what the body returned ("" when nothing went
// wrong).
std::string InChild(const std::function<std::string()>& body)
{
    int fds[2];
    if (::pipe(fds) != 0)
        return "pipe failed";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string result = body();
        const ssize_t written = ::write(fds[1], result.data(), result.size());
        ::_exit(written == static_cast<ssize_t>(result.size()) ? 0 : 1);
    }
    ::close(fds[1]);
    std::string result;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        result.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status))
        result += " (the child crashed)";
    return result;
}

// Runs `body` in a child process with a mount namespace of its own, so that mounts made
// for a test never show outside it and go when it ends. Returns "skip: reason" when
// mounts cannot be made here.
std::string InOwnMountNamespace(const std::function<std::string()>& body)
{
    return InChild([&body] {
        if (::unshare(CLONE_NEWNS) != 0)
            return std::string("skip: no mount namespace: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("skip: cannot make mounts private: ") + std::strerror(errno);
        return body();
    });
}

// Makes openat2 fail with ENOSYS in this process, as on kernels before 5.6 and in
// sandboxes that filter it, so that the one-component-at-a-time way is taken.
bool WithoutOpenat2()
{
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, SYS_openat2, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (ENOSYS & SECCOMP_RET_DATA)),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0 &&
           ::syscall(SYS_openat2, AT_FDCWD, ".", nullptr, 0) == -1 && errno == ENOSYS;
}

// Expects a child's report to be empty, or skips the test with the reason it gave.
#define EXPECT_NO_PROBLEMS(report)                                                                 \
    do {                                                                                           \
        const std::string problems = (report);                                                     \
        if (problems.starts_with("skip: "))                                                        \
            GTEST_SKIP() << problems.substr(6);                                                    \
        EXPECT_EQ(problems, "");                                                                   \
    } while (false)

#define RUN_IN_OWN_MOUNT_NAMESPACE(body)                                                           \
    do {                                                                                           \
        if (::geteuid() != 0)                                                                      \
            GTEST_SKIP() << "mounting needs root";                                                 \
        EXPECT_NO_PROBLEMS(InOwnMountNamespace(body));                                             \
    } while (false)

TEST(FileOps, WithoutOpenat2LinksAndClimbsAreRefusedAllTheSame)
{
    TempDir t;
    t.MakeDir("root/dir/sub");
    t.MakeFile("root/dir/sub/a.txt", 3);
    t.MakeDir("root/gone");
    t.MakeFile("root/gone/b.txt", 3);
    t.MakeDir("root/keep");
    t.MakeFile("root/keep/c.txt", 3);
    t.MakeDir("outside");
    t.MakeFile("outside/b.txt", 7);
    t.MakeFile("outside/c.txt", 7);
    // After the scan: a folder swapped for a link, and a file swapped for a link.
    ::rename((t / "root/gone").c_str(), (t / "gone.old").c_str());
    t.MakeLink(t / "outside", "root/gone");
    ::unlink((t / "root/keep/c.txt").c_str());
    t.MakeLink(t / "outside/c.txt", "root/keep/c.txt");
    EXPECT_NO_PROBLEMS(InChild([&] {
        if (!WithoutOpenat2())
            return std::string("skip: cannot filter system calls here");
        const std::vector<std::string> roots{t / "root"};
        std::string found;
        found += Check(!DeleteAsOnDisk(roots, {t / "root/gone/b.txt"}),
                       "a folder swapped for a link was followed");
        found += Check(!DeleteAsOnDisk(roots, {t / "root/keep/c.txt"}),
                       "a file swapped for a link was taken");
        found += Check(!DeleteAsOnDisk(roots, {t / "root/dir/../gone/b.txt"}),
                       "a path that climbs was taken");
        found += Check(DeleteAsOnDisk(roots, {t / "root/dir"}) && !Exists(t / "root/dir"),
                       "a plain folder was not removed");
        return found;
    }));
    EXPECT_TRUE(Exists(t / "outside/b.txt"));
    EXPECT_TRUE(Exists(t / "outside/c.txt"));
}

// Creates `depth` nested folders "d" below `dir` from descriptors (the path is far longer
// than a path may be), with a file at every thousandth level.
bool MakeDeepTree(const std::string& dir, int depth)
{
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (int level = 0; fd >= 0 && level < depth; ++level) {
        if (level % 1000 == 0)
            ::close(::openat(fd, "f", O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
        const int next = ::mkdirat(fd, "d", 0755) == 0
                             ? ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                             : -1;
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

TEST(FileOps, DeepTreeIsRemovedWholeWithFewDescriptors)
{
    TempDir t(test::MemoryScratchBase());
    t.MakeDir("deep");
    ASSERT_TRUE(MakeDeepTree(t / "deep", 30000));
    t.MakeFile("beside.txt", 1);
    const std::vector<std::string> roots{t.Path()};
    // In a child, so that the lowered descriptor limit binds only the removal.
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const rlimit few{64, 64};
        if (::setrlimit(RLIMIT_NOFILE, &few) != 0)
            ::_exit(3);
        ::_exit(DeleteAsOnDisk(roots, {t / "deep"}) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    const bool leftOver = Exists(t / "deep");
    if (leftOver) // too deep for the scratch folder's own clean-up
        DeleteAsOnDisk(roots, {t / "deep"});
    ASSERT_TRUE(WIFEXITED(status)) << "the removal crashed";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(leftOver);
    EXPECT_TRUE(Exists(t / "beside.txt"));
}

TEST(FileOps, RemovalNeverEntersAMountOfTheSameFileSystem)
{
    TempDir t;
    t.MakeDir("victim/mnt");
    t.MakeFile("victim/inner.txt", 1);
    t.MakeDir("data");
    t.MakeFile("data/precious.txt", 9);
    t.MakeDir("fast");
    RUN_IN_OWN_MOUNT_NAMESPACE([&] {
        // A bind mount shares the device number of the folder it sits in.
        if (::mount((t / "data").c_str(), (t / "victim/mnt").c_str(), nullptr, MS_BIND, nullptr) !=
            0)
            return std::string("skip: cannot bind-mount here");
        const std::vector<std::string> roots{t.Path()};
        std::vector<std::string> failures;
        std::string problems;
        problems += Check(!DeleteAsOnDisk(roots, {t / "victim"}, &failures),
                          "a folder holding a mount counted as removed");
        problems += Check(failures == std::vector{t / "victim"}, "the folder is not reported");
        problems += Check(Exists(t / "data/precious.txt") && Exists(t / "victim/mnt/precious.txt"),
                          "the mounted data was touched");
        problems += Check(!Exists(t / "victim/inner.txt"), "the rest was not removed");
        for (const auto& [command, run] : BothCommands())
            problems += Check(!run(roots, {t / "victim/mnt"}, nullptr) &&
                                  Exists(t / "victim/mnt/precious.txt"),
                              std::string(command) + " acted on a mount root");

        // At the bottom of a tree too deep for its path to be used: everything but the
        // way down to the mount goes, and the tree is reported. In memory, to be quick.
        const std::string fast = t / "fast";
        if (::mount("none", fast.c_str(), "tmpfs", 0, "mode=0755") != 0)
            return problems + "cannot mount a tmpfs";
        ::mkdir((fast + "/data").c_str(), 0755);
        ::close(::open((fast + "/data/precious.txt").c_str(), O_WRONLY | O_CREAT, 0644));
        ::mkdir((fast + "/deep").c_str(), 0755);
        if (!MakeDeepTree(fast + "/deep", 30000))
            return problems + "cannot build the deep tree";
        int fd = ::open((fast + "/deep").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int level = 0; level < 30000 && fd >= 0; ++level) {
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
        }
        ::mkdirat(fd, "mnt", 0755);
        const std::string mountPoint = "/proc/self/fd/" + std::to_string(fd) + "/mnt";
        if (::mount((fast + "/data").c_str(), mountPoint.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return problems + "cannot bind-mount at the bottom";
        ::close(fd);
        const std::vector<std::string> fastRoots{fast};
        failures.clear();
        problems += Check(!DeleteAsOnDisk(fastRoots, {fast + "/deep"}, &failures) &&
                              failures == std::vector{fast + "/deep"},
                          "the deep tree with a mount was not reported");
        problems += Check(Exists(fast + "/data/precious.txt"), "the mounted data was touched");
        // Only the chain of folders down to the mount is left.
        fd = ::open((fast + "/deep").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        int files = 0;
        for (int level = 0; level < 30000 && fd >= 0; ++level) {
            files += ::faccessat(fd, "f", F_OK, AT_SYMLINK_NOFOLLOW) == 0 ? 1 : 0;
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
        }
        problems += Check(fd >= 0 && files == 0, "the deep tree was not emptied around the mount");
        ::close(fd);

        // The same without openat2: the mount id tells the bind mount apart.
        if (!WithoutOpenat2())
            return problems + "cannot filter system calls here";
        ::mkdir((t / "victim2").c_str(), 0755);
        ::mkdir((t / "victim2/mnt").c_str(), 0755);
        if (::mount((t / "data").c_str(), (t / "victim2/mnt").c_str(), nullptr, MS_BIND, nullptr) !=
            0)
            return problems + "cannot bind-mount again";
        problems +=
            Check(!DeleteAsOnDisk(roots, {t / "victim2"}) && Exists(t / "victim2/mnt/precious.txt"),
                  "without openat2 the bind mount was entered");
        return problems;
    });
}

TEST(FileOps, TrashOnAnotherMountTrustsOnlyPrivateFoldersOfTheUser)
{
    const std::string uid = std::to_string(::getuid());
    struct Case
    {
        const char* What;
        std::function<void(const std::string& top)> Set; // prepares the mount's top folder
        const char* Trash; ///< where the item must go, relative to the top; "" = it fails
    };
    auto makeDir = [](const std::string& p, mode_t mode, uid_t owner) {
        ::mkdir(p.c_str(), 0700);
        ::chmod(p.c_str(), mode);
        // Runs in the child; what failed here shows in the case's checks.
        if (::chown(p.c_str(), owner, owner) != 0)
            return;
    };
    const std::string own = ".Trash-" + uid;
    const std::string shared = ".Trash/" + uid;
    const Case cases[] = {
        {"no trash yet: a private one is made", [](const std::string&) {}, own.c_str()},
        {"an open .Trash-$uid made by another user",
         [&](const std::string& top) { makeDir(top + "/" + own, 0777, 65534); }, ""},
        {"an open .Trash-$uid of the user's",
         [&](const std::string& top) { makeDir(top + "/" + own, 0750, ::getuid()); }, ""},
        {".Trash-$uid as a link",
         [&](const std::string& top) {
             ::mkdir((top + "/elsewhere").c_str(), 0700);
             if (::symlink((top + "/elsewhere").c_str(), (top + "/" + own).c_str()) != 0)
                 return;
         },
         ""},
        {"a private .Trash-$uid of the user's",
         [&](const std::string& top) { makeDir(top + "/" + own, 0700, ::getuid()); }, own.c_str()},
        {"a sticky shared .Trash",
         [&](const std::string& top) { makeDir(top + "/.Trash", 01777, 0); }, shared.c_str()},
        {"a shared .Trash that is not sticky",
         [&](const std::string& top) { makeDir(top + "/.Trash", 0777, 0); }, own.c_str()},
        {"a shared .Trash as a link to a sticky folder",
         [&](const std::string& top) {
             makeDir(top + "/sticky", 01777, 0);
             if (::symlink((top + "/sticky").c_str(), (top + "/.Trash").c_str()) != 0)
                 return;
         },
         own.c_str()},
        {"a user folder in the shared .Trash made by another user",
         [&](const std::string& top) {
             makeDir(top + "/.Trash", 01777, 0);
             makeDir(top + "/" + shared, 0777, 65534);
         },
         own.c_str()},
    };
    TempDir t;
    t.MakeDir("top");
    RUN_IN_OWN_MOUNT_NAMESPACE([&] {
        ScratchDataHome home(t / "data"); // on another mount than the item
        std::string problems;
        const std::string top = t / "top";
        for (const Case& c : cases) {
            if (::mount("none", top.c_str(), "tmpfs", 0, "size=1m,mode=0755") != 0)
                return std::string("skip: cannot mount a tmpfs here");
            ::mkdir((top + "/dir").c_str(), 0755);
            ::close(::open((top + "/dir/item.txt").c_str(), O_WRONLY | O_CREAT, 0644));
            c.Set(top);
            const std::vector<std::string> roots{top};
            const bool moved = TrashAsOnDisk(roots, {top + "/dir/item.txt"});
            const std::string want = *c.Trash ? top + "/" + c.Trash : std::string();
            struct stat st
            {
            };
            problems += Check(moved == !want.empty(), std::string(c.What) + ": wrong outcome");
            problems += Check(Exists(top + "/dir/item.txt") == want.empty(),
                              std::string(c.What) + ": the item is where it should not be");
            if (!want.empty()) {
                problems += Check(Exists(want + "/files/item.txt"),
                                  std::string(c.What) + ": not in " + c.Trash);
                problems += Check(::lstat(want.c_str(), &st) == 0 && (st.st_mode & 077) == 0,
                                  std::string(c.What) + ": the trash folder is open to others");
                problems += Check(
                    ReadFile(want + "/info/item.txt.trashinfo").find("\nPath=dir/item.txt\n") !=
                        std::string::npos,
                    std::string(c.What) + ": the info file names the item wrongly");
            }
            problems += Check(!Exists(top + "/elsewhere/files") && !Exists(top + "/sticky/files"),
                              std::string(c.What) + ": a link was followed");
            ::umount(top.c_str());
        }
        return problems;
    });
}

} // namespace
} // namespace harrowdale
