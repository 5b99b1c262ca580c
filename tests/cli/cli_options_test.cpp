// scrivlet-ftp's command line: what it accepts, what it refuses, the
// password it logs in with, and the ls line format.
#include "cli_options.h"
#include "cli_run.h"
#include "core/datetime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

TEST(CliOptions, DefaultsAndPositionalArguments) {
    const CliOptions options = ParseCommandLine({"ftp.example.org", "get", "/a.bin", "a.bin"});
    EXPECT_EQ(options.Host, "ftp.example.org");
    EXPECT_EQ(options.Port, 21);
    EXPECT_EQ(options.User, "anonymous");
    EXPECT_FALSE(options.Passive);
    EXPECT_EQ(options.Proxy.ProxyType, TIdFtpProxyType::fpcmNone);
    EXPECT_EQ(options.Command, "get");
    EXPECT_EQ(options.Args, (Args{"/a.bin", "a.bin"}));
    EXPECT_FALSE(options.Resume);
}

TEST(CliOptions, OptionsAnywhereWithSpaceOrEqualsSign) {
    const CliOptions options =
        ParseCommandLine({"--port=2121", "host", "--passive", "put", "--user", "u", "local",
                          "remote", "--append", "--password=p=q"});
    EXPECT_EQ(options.Port, 2121);
    EXPECT_TRUE(options.Passive);
    EXPECT_TRUE(options.Append);
    EXPECT_EQ(options.User, "u");
    EXPECT_EQ(options.Password, "p=q");
    EXPECT_EQ(options.Command, "put");
    // After "--" even a leading "--" is an argument.
    EXPECT_EQ(ParseCommandLine({"host", "get", "--", "--odd-name", "x"}).Args,
              (Args{"--odd-name", "x"}));
}

TEST(CliOptions, AnIPv6HostBareOrInBracketsWithAPort) {
    EXPECT_EQ(ParseCommandLine({"::1", "ls"}).Host, "::1");
    const CliOptions bracketed = ParseCommandLine({"[::1]", "ls"});
    EXPECT_EQ(bracketed.Host, "::1");
    EXPECT_EQ(bracketed.Port, 21);
    const CliOptions withPort = ParseCommandLine({"[::1]:2121", "ls"});
    EXPECT_EQ(withPort.Host, "::1");
    EXPECT_EQ(withPort.Port, 2121);
    EXPECT_THROW(ParseCommandLine({"[::1", "ls"}), CliUsageError);
    EXPECT_THROW(ParseCommandLine({"[::1]:x", "ls"}), CliUsageError);
}

TEST(CliOptions, ProxySettings) {
    const CliOptions options =
        ParseCommandLine({"--proxy-type", "user-pass", "--proxy-host", "gate", "--proxy-user", "pu",
                          "--proxy-password", "pp", "host", "ls"});
    EXPECT_EQ(options.Proxy.ProxyType, TIdFtpProxyType::fpcmUserPass);
    EXPECT_EQ(options.Proxy.Host, "gate");
    EXPECT_EQ(options.Proxy.Port, 21);
    EXPECT_EQ(options.Proxy.UserName, "pu");
    EXPECT_EQ(options.Proxy.Password, "pp");
    EXPECT_EQ(ParseCommandLine({"--proxy-type=site", "--proxy-port=2100", "h", "ls"}).Proxy.Port,
              2100);
}

TEST(CliOptions, RefusesWhatCannotRun) {
    const std::vector<Args> refused = {
        {},
        {"host"},
        {"host", "delete", "x"},
        {"host", "get", "only-one"},
        {"host", "ls", "a", "b"},
        {"host", "quote"},
        {"host", "put", "a", "b", "--resume"},
        {"host", "get", "a", "b", "--append"},
        {"--port", "0", "host", "ls"},
        {"--port", "70000", "host", "ls"},
        {"--port", "abc", "host", "ls"},
        {"host", "ls", "--port"},
        {"--passive=yes", "host", "ls"},
        {"--proxy-type", "socks", "host", "ls"},
        {"--verbosity", "host", "ls"},
    };
    for (const Args& args : refused)
        EXPECT_THROW(ParseCommandLine(args), CliUsageError) << ::testing::PrintToString(args);
}

TEST(CliOptions, PasswordFromTheOptionTheEnvironmentOrTheAnonymousDefault) {
    ::unsetenv("SCRIVLET_FTP_PASSWORD");
    EXPECT_EQ(EffectivePassword(ParseCommandLine({"h", "ls"})), "anonymous@");
    EXPECT_EQ(EffectivePassword(ParseCommandLine({"--user", "u", "h", "ls"})), "");
    ::setenv("SCRIVLET_FTP_PASSWORD", "from-env", 1);
    EXPECT_EQ(EffectivePassword(ParseCommandLine({"--user", "u", "h", "ls"})), "from-env");
    EXPECT_EQ(EffectivePassword(ParseCommandLine({"--password=", "h", "ls"})), "");
    ::unsetenv("SCRIVLET_FTP_PASSWORD");
}

TEST(CliOutput, ListLineFieldsAreTabSeparated) {
    TIdFTPListItem item;
    item.EntryKind = fekSymbolicLink;
    item.OwnerRights = "rwx";
    item.GroupRights = "r-x";
    item.OtherRights = "r-x";
    item.OwnerAccount = "ftp";
    item.GroupAccount = "users";
    item.EntrySize = 5000000000LL;
    item.LastModified = EncodeDate(2024, 1, 10) + EncodeTime(9, 30, 0, 0);
    item.EntryName = "my link";
    item.LinkTarget = "target dir";
    EXPECT_EQ(
        FormatListEntry(item),
        "link\trwxr-xr-x\tftp\tusers\t5000000000\t2024-01-10 09:30:00\tmy link -> target dir");
    TIdFTPListItem undated;
    undated.EntryName = "n";
    EXPECT_EQ(FormatListEntry(undated), "file\t?????????\t????????\t????????\t0\t-\tn");
}

TEST(CliOutput, ListingIsOneLinePerEntryAndMidnightShowsTheDateAlone) {
    TIdFTPListItems entries;
    TIdFTPListItem& first = entries.AddEntry();
    first.EntryKind = fekDirectory;
    first.EntryName = "docs";
    first.LastModified = EncodeDate(2003, 1, 5) + EncodeTime(0, 0, 0, 999);
    TIdFTPListItem& second = entries.AddEntry();
    second.EntryName = "a.txt";
    second.EntrySize = -1;
    second.LastModified = EncodeDate(999, 12, 31) + EncodeTime(23, 59, 59, 0);
    EXPECT_EQ(FormatListing(entries),
              "dir\t?????????\t????????\t????????\t0\t2003-01-05\tdocs\n"
              "file\t?????????\t????????\t????????\t-1\t0999-12-31 23:59:59\ta.txt\n");
}

} // namespace
