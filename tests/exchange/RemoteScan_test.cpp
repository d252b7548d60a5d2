// Where a remote scan goes and what ssh is asked to run: host names read strictly, the
// remote path carried as one word whatever it holds.

#include "exchange/RemoteScan.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace harrowdale {
namespace {

struct ParseCase
{
    std::string Text;
    std::string User, Host; ///< Host "" when refused
    int Port;
    std::string Path;
};

void ExpectParsed(const ParseCase& c, const std::optional<TRemoteTarget>& t,
                  const std::string& error)
{
    if (c.Host.empty()) {
        EXPECT_FALSE(t) << c.Text;
        EXPECT_FALSE(error.empty()) << c.Text;
        return;
    }
    ASSERT_TRUE(t) << c.Text << ": " << error;
    EXPECT_EQ(t->User, c.User) << c.Text;
    EXPECT_EQ(t->Host, c.Host) << c.Text;
    EXPECT_EQ(t->Port, c.Port) << c.Text;
    EXPECT_EQ(t->Path, c.Path) << c.Text;
}

TEST(RemoteScan, TargetsAreReadStrictly)
{
    const std::vector<ParseCase> cases = {
        {"nas:/srv/data", "", "nas", 0, "/srv/data"},
        {"root@nas:/", "root", "nas", 0, "/"},
        {"me@nas:2222:/srv", "me", "nas", 2222, "/srv"},
        {"nas:relative/x", "", "nas", 0, "relative/x"},
        {"nas:/a:b", "", "nas", 0, "/a:b"}, // a second colon in the path
        {"nas:/weird name:12", "", "nas", 0, "/weird name:12"},
        {"-oProxyCommand=evil:/", "", "", 0, ""}, // an option, not a host
        {"me@-nas:/", "", "", 0, ""},
        {"-me@nas:/", "", "", 0, ""},
        {"nas", "", "", 0, ""}, // no folder
        {"nas:", "", "", 0, ""},
        {":/srv", "", "", 0, ""}, // no host
        {"@nas:/srv", "", "", 0, ""},
        {"nas:0:/srv", "", "", 0, ""}, // no such port
        {"nas:70000:/srv", "", "", 0, ""},
        {"na s:/srv", "", "", 0, ""},
        {"nas\n:/srv", "", "", 0, ""},
        {"[::1]:/srv", "", "::1", 0, "/srv"}, // the address's colons are not the path's
        {"me@[fe80::1%eth0]:2222:/srv", "me", "fe80::1%eth0", 2222, "/srv"},
        {"[::1]:/a:b", "", "::1", 0, "/a:b"},
        {"[::1]", "", "", 0, ""},
        {"[::1:/srv", "", "", 0, ""},
    };
    for (const ParseCase& c : cases) {
        std::string error;
        const std::optional<TRemoteTarget> t = ParseRemoteTarget(c.Text, error);
        ExpectParsed(c, t, error);
    }
}

TEST(RemoteScan, Ipv6AddressesAreTakenOnlyInBrackets)
{
    const std::vector<ParseCase> cases = {
        {"[::1]", "", "::1", 0, ""},
        {"[::1]:2222", "", "::1", 2222, ""},
        {"user@[fe80::1%eth0]:2222", "user", "fe80::1%eth0", 2222, ""},
        {"[2001:db8::7]", "", "2001:db8::7", 0, ""},
        {"[::ffff:192.0.2.1]", "", "::ffff:192.0.2.1", 0, ""},
        {"::1", "", "", 0, ""}, // colons outside brackets read as a port
        {"fe80::1:2222", "", "", 0, ""},
        {"[::1", "", "", 0, ""},
        {"::1]", "", "", 0, ""},
        {"[]", "", "", 0, ""},
        {"[nas]", "", "", 0, ""}, // brackets hold an address, not a name
        {"[::1]2222", "", "", 0, ""},
        {"[::1]:", "", "", 0, ""},
        {"[[::1]]", "", "", 0, ""},
        {"[fe80::1%]", "", "", 0, ""},
        {"[fe80::1%eth 0]", "", "", 0, ""},
        {"user@[::1]@x", "", "", 0, ""},
        {"na[s", "", "", 0, ""},
    };
    for (const ParseCase& c : cases) {
        std::string error;
        const std::optional<TRemoteTarget> t = ParseRemoteHost(c.Text, error);
        ExpectParsed(c, t, error);
    }
    // A malformed bracket is named as such, with the form that works.
    std::string error;
    EXPECT_FALSE(ParseRemoteHost("[::1", error));
    EXPECT_NE(error.find("[fe80::1%eth0]:2222"), std::string::npos) << error;
}

TEST(RemoteScan, AnIpv6HostGoesToSshBareAndIsShownInBrackets)
{
    std::string error;
    const std::optional<TRemoteTarget> t = ParseRemoteTarget("me@[fe80::1%eth0]:2222:/srv", error);
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->Label(), "[fe80::1%eth0]:/srv");
    const std::vector<std::string> args = RemoteScanArguments(*t);
    ASSERT_GE(args.size(), 3u);
    EXPECT_EQ(args[args.size() - 2], "fe80::1%eth0");
    EXPECT_EQ(args[args.size() - 3], "--");
    EXPECT_EQ((TRemoteTarget{"", "nas", 0, "/srv"}.Label()), "nas:/srv");
}

TEST(RemoteScan, PathsAreQuotedAsOneShellWord)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/srv", "'/srv'"},     {"", "''"},
        {"it's", "'it'\\''s'"}, {"$(rm -rf ~) `x` \"q\"\nnext", "'$(rm -rf ~) `x` \"q\"\nnext'"},
        {"''", "''\\'''\\'''"},
    };
    for (const auto& [text, quoted] : cases)
        EXPECT_EQ(QuoteForPosixShell(text), quoted) << text;
}

TEST(RemoteScan, SshIsAskedInBatchModeWithTheHostAfterTheOptions)
{
    TRemoteTarget t;
    t.User = "me";
    t.Host = "nas";
    t.Port = 2222;
    t.Path = "/it's";
    const std::vector<std::string> args = RemoteScanArguments(t, "/tmp/cfg");
    // Batch mode, and nothing forwarded whatever the user's configuration says.
    const std::vector<std::string> sshOptions = {"ssh", "-o", "BatchMode=yes",          "-a",
                                                 "-x",  "-o", "ClearAllForwardings=yes"};
    std::vector<std::string> head = sshOptions;
    head.insert(head.end(), {"-F", "/tmp/cfg", "-p", "2222", "-l", "me", "--", "nas"});
    ASSERT_EQ(args.size(), head.size() + 1);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), args.begin()));
    const std::string& command = args.back();
    EXPECT_EQ(command.rfind("p='/it'\\''s';", 0), 0u) << command;
    // One call tries the three scanners in order, each with its own way to write to
    // standard output.
    const std::size_t own = command.find("harrowdale-scan --export - --no-progress -- \"$p\"");
    const std::size_t ncdu = command.find("ncdu -0 -x -o- \"$p\"");
    const std::size_t gdu = command.find("gdu -n -x -o- \"$p\"");
    ASSERT_NE(own, std::string::npos) << command;
    EXPECT_LT(own, ncdu);
    EXPECT_LT(ncdu, gdu);
    EXPECT_NE(gdu, std::string::npos);

    // Without a port, user or configuration, ssh's own choices stand.
    const std::vector<std::string> plain = RemoteScanArguments({"", "nas", 0, "/"});
    std::vector<std::string> plainHead = sshOptions;
    plainHead.insert(plainHead.end(), {"--", "nas"});
    EXPECT_EQ(std::vector<std::string>(plain.begin(), plain.end() - 1), plainHead);
}

} // namespace
} // namespace harrowdale
