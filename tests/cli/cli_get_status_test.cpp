// scrivlet-ftp get against a scripted server that sends fewer bytes than it
// states: the program fails with both counts instead of reporting success.
#include "data_peer.h"
#include "run_process.h"
#include "support/fake_ftp_server.h"
#include "support/temp_dir.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(CliGetStatus, AShortDownloadFailsWithBothCounts) {
    FakeFtpServer server;
    DataPeer data;
    TempDir local;
    data.ServePassive(SendAndClose(std::string(256, 's')));
    server.Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply("200 Type set to I")
        .Reply("215 UNIX Type: L8")
        .Reply("213 512")
        .Reply(data.PasvReply())
        .ReplyRaw("150 Opening BINARY mode data connection\r\n226 Transfer complete\r\n")
        .NoReply();
    const ProcessResult result = RunProcess(
        {SCRIVLET_FTP_BINARY, "--port", std::to_string(server.Port()), "--user", "u", "--password",
         "p", "--passive", "127.0.0.1", "get", "/f.bin", local.File("f.bin")});
    data.Join();
    EXPECT_FALSE(result.TimedOut);
    EXPECT_EQ(result.ExitCode, 1);
    EXPECT_EQ(result.Err, "scrivlet-ftp: Received 256 of 512 bytes.\n");
}

} // namespace
