// The scrivlet-ftp program itself against a real FTP server (pyftpdlib on
// loopback): round trips, listings, raw commands, and how failures look.
#include "run_process.h"
#include "support/pyftpd_server.h"
#include "support/temp_dir.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

struct CliEndToEnd : ::testing::TestWithParam<bool> {
    PyFtpdServer Server;
    TempDir Local;

    // Runs scrivlet-ftp against the server with the test account and the
    // parameter's data connection mode.
    ProcessResult Run(const Args& command, const std::string& password = PyFtpdServer::Password) {
        Args argv = {SCRIVLET_FTP_BINARY,
                     "--port",
                     std::to_string(Server.Port()),
                     "--user",
                     PyFtpdServer::User,
                     "--password",
                     password};
        if (GetParam())
            argv.push_back("--passive");
        argv.push_back("127.0.0.1");
        argv.insert(argv.end(), command.begin(), command.end());
        ProcessResult result = RunProcess(argv);
        EXPECT_FALSE(result.TimedOut);
        return result;
    }
};

TEST_P(CliEndToEnd, PutThenGetRoundTrip) {
    const std::string data = RandomBytes(3 << 20, 51);
    WriteFileBytes(Local.File("up.bin"), data);
    const ProcessResult put = Run({"put", Local.File("up.bin"), "/stored.bin"});
    EXPECT_EQ(put.ExitCode, 0) << put.Err;
    EXPECT_EQ(put.Out, "");
    EXPECT_EQ(put.Err.rfind("3145728 bytes in ", 0), 0u) << put.Err;
    EXPECT_NE(put.Err.find(" MB/s)\n"), std::string::npos) << put.Err;
    EXPECT_TRUE(ReadFileBytes(Server.RootFile("stored.bin")) == data);

    const ProcessResult get = Run({"get", "/stored.bin", Local.File("down.bin")});
    EXPECT_EQ(get.ExitCode, 0) << get.Err;
    EXPECT_EQ(get.Err.rfind("3145728 bytes in ", 0), 0u) << get.Err;
    EXPECT_TRUE(ReadFileBytes(Local.File("down.bin")) == data);

    // get replaces an existing file; --resume continues one.
    WriteFileBytes(Local.File("down.bin"), "stale");
    EXPECT_EQ(Run({"get", "/stored.bin", Local.File("down.bin")}).ExitCode, 0);
    EXPECT_TRUE(ReadFileBytes(Local.File("down.bin")) == data);
    WriteFileBytes(Local.File("part.bin"), data.substr(0, 1000000));
    const ProcessResult resumed = Run({"get", "/stored.bin", Local.File("part.bin"), "--resume"});
    EXPECT_EQ(resumed.ExitCode, 0) << resumed.Err;
    EXPECT_EQ(resumed.Err.rfind("2145728 bytes in ", 0), 0u) << resumed.Err;
    EXPECT_TRUE(ReadFileBytes(Local.File("part.bin")) == data);
}

TEST_P(CliEndToEnd, PutAppendAddsToTheRemoteFile) {
    WriteFileBytes(Server.RootFile("log.txt"), "one,");
    WriteFileBytes(Local.File("more.txt"), "two");
    EXPECT_EQ(Run({"put", Local.File("more.txt"), "/log.txt", "--append"}).ExitCode, 0);
    EXPECT_EQ(ReadFileBytes(Server.RootFile("log.txt")), "one,two");
}

TEST_P(CliEndToEnd, LsPrintsParsedEntriesAndRawLsTheServersLines) {
    WriteFileBytes(Server.RootFile("a.bin"), std::string(1234, 'a'));
    WriteFileBytes(Server.RootFile("sub/x.txt"), "x");
    const ProcessResult ls = Run({"ls"});
    ASSERT_EQ(ls.ExitCode, 0) << ls.Err;
    EXPECT_EQ(ls.Err, "");
    const std::vector<std::string> lines = Split(ls.Out, '\n');
    ASSERT_EQ(lines.size(), 2u) << ls.Out;
    bool sawFile = false;
    bool sawDir = false;
    for (const std::string& line : lines) {
        const std::vector<std::string> fields = Split(line, '\t');
        ASSERT_EQ(fields.size(), 7u) << line;
        if (fields[6] == "a.bin") {
            sawFile = true;
            EXPECT_EQ(fields[0], "file");
            EXPECT_EQ(fields[1], "rw-r--r--");
            EXPECT_EQ(fields[4], "1234");
            EXPECT_EQ(fields[5].size(), std::string("2024-01-10 09:30:00").size()) << fields[5];
        } else if (fields[6] == "sub") {
            sawDir = true;
            EXPECT_EQ(fields[0], "dir");
        }
    }
    EXPECT_TRUE(sawFile && sawDir) << ls.Out;

    const ProcessResult raw = Run({"raw-ls", "/sub"});
    ASSERT_EQ(raw.ExitCode, 0) << raw.Err;
    const std::vector<std::string> rawLines = Split(raw.Out, '\n');
    ASSERT_EQ(rawLines.size(), 1u) << raw.Out;
    EXPECT_EQ(rawLines[0].substr(0, 10), "-rw-r--r--");
    EXPECT_EQ(rawLines[0].substr(rawLines[0].size() - 6), " x.txt");
}

TEST_P(CliEndToEnd, WrongPasswordPrintsTheServersMessageAndFails) {
    const ProcessResult result = Run({"ls"}, "not-the-password");
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Out, "");
    EXPECT_EQ(result.Err, "scrivlet-ftp: 530 Authentication failed.\n");
}

TEST_P(CliEndToEnd, MissingRemoteFileFails) {
    const ProcessResult result = Run({"get", "/nope", Local.File("nope")});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Err.rfind("scrivlet-ftp: 550 ", 0), 0u) << result.Err;
}

TEST_P(CliEndToEnd, QuotePrintsTheReplyAndFailsOnAnError) {
    const ProcessResult noop = Run({"quote", "NOOP"});
    EXPECT_EQ(noop.ExitCode, 0);
    EXPECT_EQ(noop.Out.rfind("200 ", 0), 0u) << noop.Out;
    const ProcessResult bogus = Run({"quote", "XYZZY now"});
    EXPECT_EQ(bogus.ExitCode, 1);
    EXPECT_EQ(bogus.Out.rfind("500 ", 0), 0u) << bogus.Out;
}

std::string ModeName(const ::testing::TestParamInfo<bool>& param) {
    return param.param ? "Passive" : "Active";
}

INSTANTIATE_TEST_SUITE_P(Modes, CliEndToEnd, ::testing::Bool(), ModeName);

TEST(CliProgram, HelpAndUsageErrors) {
    const ProcessResult help = RunProcess({SCRIVLET_FTP_BINARY, "--help"});
    EXPECT_EQ(help.ExitCode, 0);
    EXPECT_EQ(help.Out.rfind("Usage: scrivlet-ftp", 0), 0u);
    const ProcessResult wrong = RunProcess({SCRIVLET_FTP_BINARY, "host"});
    EXPECT_EQ(wrong.ExitCode, 2);
    EXPECT_EQ(wrong.Err, "scrivlet-ftp: missing COMMAND\n"
                         "Try 'scrivlet-ftp --help' for more information.\n");
}

TEST(CliProgram, RefusedConnectionFails) {
    // A port nothing listens on.
    int port = 0;
    {
        PyFtpdServer server;
        port = server.Port();
    }
    const ProcessResult result =
        RunProcess({SCRIVLET_FTP_BINARY, "--port", std::to_string(port), "127.0.0.1", "ls"});
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_NE(result.Err.find("Connection refused."), std::string::npos) << result.Err;
}

} // namespace
