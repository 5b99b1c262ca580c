// scrivlet-ftp over FTPS: its TLS options, and the program against pyftpdlib's
// TLS handler with a CA made for the test.
#include "cli_options.h"
#include "run_process.h"
#include "support/ftps_server_setup.h"
#include "support/test_bytes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

TEST(CliTlsOptions, ModesPortsAndRefusedCombinations) {
    const CliOptions implicit = ParseCommandLine({"--tls-implicit", "host", "ls"});
    EXPECT_EQ(implicit.Tls.Mode, TIdUseTLS::utUseImplicitTLS);
    EXPECT_EQ(implicit.Port, 990);
    EXPECT_EQ(ParseCommandLine({"--tls-implicit", "--port", "21", "host", "ls"}).Port, 21);
    const CliOptions explicitTls = ParseCommandLine({"--tls", "--ca-file", "ca.pem", "host", "ls"});
    EXPECT_EQ(explicitTls.Tls.Mode, TIdUseTLS::utUseExplicitTLS);
    EXPECT_EQ(explicitTls.Port, 21);
    EXPECT_EQ(explicitTls.Tls.CaFile, "ca.pem");
    EXPECT_THROW(ParseCommandLine({"--ca-file", "ca.pem", "host", "ls"}), CliUsageError);
    EXPECT_THROW(ParseCommandLine({"--tls", "--tls-implicit", "host", "ls"}), CliUsageError);
    EXPECT_THROW(ParseCommandLine({"--tls", "--pin-sha256", "abcd", "host", "ls"}), CliUsageError);
    EXPECT_THROW(ParseCommandLine({"--tls", "--insecure", "--ca-file", "c", "host", "ls"}),
                 CliUsageError);
    EXPECT_THROW(ParseCommandLine({"--tls=yes", "host", "ls"}), CliUsageError);
}

struct CliFtps : ::testing::Test {
    FtpsServerSetup Setup{false, "stranger", "IP:127.0.0.1", false};
    TempDir Local;

    ProcessResult Run(const Args& options, const Args& command) {
        Args argv = {SCRIVLET_FTP_BINARY,
                     "--port",
                     std::to_string(Setup.Server->Port()),
                     "--user",
                     PyFtpdServer::User,
                     "--password",
                     PyFtpdServer::Password,
                     "--passive"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back("127.0.0.1");
        argv.insert(argv.end(), command.begin(), command.end());
        ProcessResult result = RunProcess(argv);
        EXPECT_FALSE(result.TimedOut);
        return result;
    }
};

TEST_F(CliFtps, UnverifiedCertificateExitsWithTheReasonAndSendsNoLogin) {
    // The certificate's CA is neither in the given file nor in the system's store.
    const ProcessResult withCa = Run({"--tls", "--ca-file", Setup.Certificates.Ca()}, {"ls"});
    EXPECT_EQ(withCa.ExitCode, 1);
    EXPECT_NE(withCa.Err.find("unable to get local issuer certificate"), std::string::npos)
        << withCa.Err;
    const ProcessResult systemStore = Run({"--tls"}, {"ls"});
    EXPECT_EQ(systemStore.ExitCode, 1) << systemStore.Err;
    Setup.Server.reset();
    EXPECT_EQ(Setup.Log().find("<- USER"), std::string::npos);
}

TEST_F(CliFtps, PinnedOrInsecureRoundTripsInsecureWarnsAndVerboseNamesTheTLS) {
    const std::string data = RandomBytes(1 << 20, 7);
    WriteFileBytes(Local.File("up.bin"), data);
    const ProcessResult put =
        Run({"--tls", "--pin-sha256", CertificateSha256(Setup.Served.Certificate)},
            {"put", Local.File("up.bin"), "/up.bin"});
    EXPECT_EQ(put.ExitCode, 0) << put.Err;
    EXPECT_TRUE(ReadFileBytes(Setup.Server->RootFile("up.bin")) == data);

    const ProcessResult get =
        Run({"--tls", "--insecure", "-v"}, {"get", "/up.bin", Local.File("down")});
    EXPECT_EQ(get.ExitCode, 0) << get.Err;
    EXPECT_NE(get.Err.find("warning: --insecure"), std::string::npos) << get.Err;
    // Once, after the handshake and before the login.
    const size_t tls = get.Err.find("\n* TLS: TLSv1.");
    EXPECT_NE(tls, std::string::npos) << get.Err;
    EXPECT_EQ(get.Err.find("* TLS: ", tls + 2), std::string::npos) << get.Err;
    EXPECT_LT(get.Err.find("< 234"), tls) << get.Err;
    EXPECT_LT(tls, get.Err.find("> USER")) << get.Err;
    EXPECT_TRUE(ReadFileBytes(Local.File("down")) == data);
}

} // namespace
