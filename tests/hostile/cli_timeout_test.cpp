// scrivlet-ftp's read time-out: the option, and a server that stops answering.
#include "cli_options.h"
#include "cli_run.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(CliTimeout, SecondsFromTheOptionOrAMinute) {
    EXPECT_EQ(ParseCommandLine({"h", "ls"}).TimeoutSeconds, 60);
    EXPECT_EQ(ParseCommandLine({"--timeout", "5", "h", "ls"}).TimeoutSeconds, 5);
    EXPECT_EQ(ParseCommandLine({"h", "ls", "--timeout=0"}).TimeoutSeconds, 0);
    EXPECT_EQ(ParseCommandLine({"--timeout", "2147483", "h", "ls"}).TimeoutSeconds, 2147483);
    for (const char* wrong : {"-1", "x", "", "2147484", "1.5"})
        EXPECT_THROW(ParseCommandLine({"--timeout", wrong, "h", "ls"}), CliUsageError) << wrong;
    EXPECT_NE(std::string(UsageText()).find("--timeout SECONDS"), std::string::npos);
}

TEST(CliTimeout, ServerThatStopsAnsweringEndsTheCommandWithReadTimeout) {
    FakeFtpServer server;
    server.Reply("331 Password required").Reply("230 Logged in").Reply("200 Type set").NoReply();
    CliOptions options = ParseCommandLine(
        {"--port", std::to_string(server.Port()), "--timeout", "1", "127.0.0.1", "ls"});
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCli(options, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "scrivlet-ftp: Read Timeout\n");
    EXPECT_EQ(server.Commands(), (std::vector<std::string>{"USER anonymous", "PASS anonymous@",
                                                           "FEAT", "TYPE I", "SYST"}));
    EXPECT_TRUE(server.WaitForDisconnect());
}

} // namespace
