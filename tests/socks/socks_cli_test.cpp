// scrivlet-ftp's SOCKS options: what the command line accepts and refuses,
// and a download through a real proxy that wants a login.
#include "cli_options.h"
#include "cli_run.h"
#include "real_proxies.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

CliOptions Parse(std::vector<std::string> args) {
    args.insert(args.end(), {"ftp.example.org", "ls"});
    return ParseCommandLine(args);
}

TEST(SocksCommandLine, TakesTheProxyAndItsCredentials) {
    const CliOptions options = Parse({"--socks-version", "4a", "--socks-host", "proxy.local",
                                      "--socks-port", "1081", "--socks-user", "alice"});
    EXPECT_EQ(options.Socks.Version, TSocksVersion::svSocks4A);
    EXPECT_EQ(options.Socks.Host, "proxy.local");
    EXPECT_EQ(options.Socks.Port, 1081);
    EXPECT_EQ(options.Socks.User, "alice");

    const CliOptions five = Parse(
        {"--socks-version=5", "--socks-host=proxy.local", "--socks-user=u", "--socks-password=p"});
    EXPECT_EQ(five.Socks.Version, TSocksVersion::svSocks5);
    EXPECT_EQ(five.Socks.Port, 1080);
    EXPECT_EQ(five.Socks.Password, "p");
    EXPECT_EQ(Parse({}).Socks.Version, TSocksVersion::svNoSocks);
    EXPECT_EQ(Parse({"--socks-version", "4", "--socks-host", "h"}).Socks.Version,
              TSocksVersion::svSocks4);
}

TEST(SocksCommandLine, RefusesWhatCannotWork) {
    const std::vector<std::vector<std::string>> refused = {
        {"--socks-version", "6", "--socks-host", "h"},
        {"--socks-version", "5"},
        {"--socks-host", "h"},
        {"--socks-version", "4", "--socks-host", "h", "--socks-password", "p"},
        {"--socks-version", "5", "--socks-host", "h", "--socks-port", "0"},
        {"--socks-version"},
    };
    for (const auto& args : refused) {
        SCOPED_TRACE(args[0] + " " + (args.size() > 1 ? args[1] : ""));
        EXPECT_THROW(Parse(args), CliUsageError);
    }
}

TEST(SocksCommandLine, HelpNamesEveryOption) {
    const std::string help = UsageText();
    for (const char* option :
         {"--socks-version", "--socks-host", "--socks-port", "--socks-user", "--socks-password"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
}

struct SocksCliRun : ::testing::Test {
    Microsocks Proxy{"socksuser", "sockspass"};
    PyFtpdServer Server;
    TempDir Local;
    std::ostringstream Out;
    std::ostringstream Err;

    int Run(const std::string& socksPassword, const std::vector<std::string>& command) {
        std::vector<std::string> args = {"--port",
                                         std::to_string(Server.Port()),
                                         "--user",
                                         PyFtpdServer::User,
                                         "--password",
                                         PyFtpdServer::Password,
                                         "--passive",
                                         "--socks-version",
                                         "5",
                                         "--socks-host",
                                         "127.0.0.1",
                                         "--socks-port",
                                         std::to_string(Proxy.Port()),
                                         "--socks-user",
                                         "socksuser",
                                         "--socks-password",
                                         socksPassword,
                                         "127.0.0.1"};
        args.insert(args.end(), command.begin(), command.end());
        return RunCli(ParseCommandLine(args), Out, Err);
    }
};

TEST_F(SocksCliRun, DownloadsThroughAProxyThatWantsALogin) {
    WriteFileBytes(Server.RootFile("notes.bin"), FtpBehindSocks::FileContent());
    ASSERT_EQ(Run("sockspass", {"get", "notes.bin", Local.File("notes.bin")}), 0) << Err.str();
    EXPECT_TRUE(ReadFileBytes(Local.File("notes.bin")) == FtpBehindSocks::FileContent());
}

TEST_F(SocksCliRun, AProxyRefusalIsReportedAndFails) {
    EXPECT_EQ(Run("wrong", {"ls"}), 1);
    EXPECT_EQ(Err.str(), "scrivlet-ftp: Authentication error to socks server.\n");
}

} // namespace
