// scrivlet-ftp refuses a user name that would smuggle a second command to the
// server, before it sends anything.
#include "run_process.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CliProgram, LineBreakInTheUserNameIsRefusedAndNothingIsSent) {
    FakeFtpServer server;
    const ProcessResult result =
        RunProcess({SCRIVLET_FTP_BINARY, "--port", std::to_string(server.Port()), "--user",
                    "a\r\nDELE x", "--password", "p", "127.0.0.1", "ls"});
    EXPECT_FALSE(result.TimedOut);
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err.find("Invalid character in command argument."), std::string::npos)
        << result.Err;
    ASSERT_TRUE(server.WaitForDisconnect());
    EXPECT_EQ(server.RawReceived(), "");
}

} // namespace
