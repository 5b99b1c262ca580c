// FTPS in the window: the Server box's schemes, the question about a
// certificate that does not verify (asked before USER), and the kept answers.
#include "app/certificate_trust.h"
#include "app/open_file_form.h"
#include "app/server_scheme.h"
#include "support/ftps_server_setup.h"
#include "support/temp_dir.h"
#include "window_harness.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

TEST(ServerScheme, SchemesPickTheTLSModeAndDefaultPort) {
    struct Case {
        const char* Text;
        const char* Host;
        int32_t Port;
        TIdUseTLS TLS;
        const char* Name;
    };
    const Case cases[] = {
        {"example.org", "example.org", 21, TIdUseTLS::utNoTLS, "example.org"},
        {"example.org:2121", "example.org", 2121, TIdUseTLS::utNoTLS, "example.org:2121"},
        {"ftp://example.org", "example.org", 21, TIdUseTLS::utNoTLS, "example.org"},
        {"ftpes://example.org", "example.org", 21, TIdUseTLS::utUseExplicitTLS, "example.org"},
        {"FTPES://example.org:2121/", "example.org", 2121, TIdUseTLS::utUseExplicitTLS,
         "example.org:2121"},
        {"ftps://example.org", "example.org", 990, TIdUseTLS::utUseImplicitTLS, "example.org"},
        {"ftps://127.0.0.1:2990", "127.0.0.1", 2990, TIdUseTLS::utUseImplicitTLS, "127.0.0.1:2990"},
        {"sftp://example.org", "sftp://example.org", 21, TIdUseTLS::utNoTLS, "sftp://example.org"},
        // An IPv6 server has one folder name however its address is typed.
        {"::1", "::1", 21, TIdUseTLS::utNoTLS, "[::1]"},
        {"[0:0::1]", "0:0::1", 21, TIdUseTLS::utNoTLS, "[::1]"},
        {"ftp://[::1]:2121", "::1", 2121, TIdUseTLS::utNoTLS, "[::1]:2121"},
        {"ftpes://[::1]", "::1", 21, TIdUseTLS::utUseExplicitTLS, "[::1]"},
        {"ftps://[2001:DB8::5]/", "2001:DB8::5", 990, TIdUseTLS::utUseImplicitTLS, "[2001:db8::5]"},
    };
    for (const Case& c : cases) {
        const TServerTarget target = ParseServerText(c.Text);
        EXPECT_EQ(target.Host, c.Host) << c.Text;
        EXPECT_EQ(target.Port, c.Port) << c.Text;
        EXPECT_EQ(target.TLS, c.TLS) << c.Text;
        EXPECT_EQ(target.Name, c.Name) << c.Text;
    }
}

struct RecordingQuestion : TCertificateQuestion {
    struct Asked {
        std::string Server;
        TIdCertificateInfo Info;
        bool Changed;
    };
    std::vector<Asked>& Log;
    std::vector<TTrustAnswer>& Answers;
    RecordingQuestion(std::vector<Asked>& log, std::vector<TTrustAnswer>& answers)
        : Log(log), Answers(answers) {}
    TTrustAnswer AskTrust(const std::string& server, const TIdCertificateInfo& info,
                          bool changed) override {
        Log.push_back({server, info, changed});
        if (Answers.empty())
            return TTrustAnswer::Cancel;
        const TTrustAnswer answer = Answers.front();
        Answers.erase(Answers.begin());
        return answer;
    }
};

TEST(TrustedCertificates, KeptPerServerAskedAgainWhenChanged) {
    TempDir config;
    TTrustedCertificates trusted(config.File("scrivlet/trusted-certificates"));
    std::vector<RecordingQuestion::Asked> log;
    std::vector<TTrustAnswer> answers = {TTrustAnswer::TrustOnce, TTrustAnswer::AlwaysTrust,
                                         TTrustAnswer::Cancel};
    RecordingQuestion question(log, answers);
    TIdCertificateInfo first;
    first.Sha256 = "aa:bb";
    TIdCertificateInfo second;
    second.Sha256 = "cc:dd";

    EXPECT_TRUE(DecideCertificateTrust(trusted, question, "h:21", first)); // once
    EXPECT_EQ(trusted.Lookup("h:21"), "");
    EXPECT_TRUE(DecideCertificateTrust(trusted, question, "h:21", first)); // always
    EXPECT_EQ(trusted.Lookup("h:21"), "aa:bb");
    EXPECT_EQ(TTrustedCertificates(trusted.File()).Lookup("h:21"), "aa:bb");
    EXPECT_TRUE(DecideCertificateTrust(trusted, question, "h:21", first)); // kept: not asked
    EXPECT_EQ(log.size(), 2u);
    EXPECT_TRUE(DecideCertificateTrust(trusted, question, "h:990", first) == false); // cancel
    ASSERT_EQ(log.size(), 3u);
    EXPECT_FALSE(log[2].Changed);

    EXPECT_FALSE(DecideCertificateTrust(trusted, question, "h:21", second));
    ASSERT_EQ(log.size(), 4u);
    EXPECT_TRUE(log[3].Changed);
    EXPECT_EQ(trusted.Lookup("h:21"), "aa:bb");
}

TEST(TrustedCertificates, DefaultFileFollowsXdgConfigHome) {
    const char* saved = std::getenv("XDG_CONFIG_HOME");
    const std::string kept = saved != nullptr ? saved : "";
    ::setenv("XDG_CONFIG_HOME", "/x/config", 1);
    EXPECT_EQ(TTrustedCertificates::DefaultFile(), "/x/config/scrivlet/trusted-certificates");
    ::setenv("XDG_CONFIG_HOME", "", 1);
    const char* home = std::getenv("HOME");
    EXPECT_EQ(TTrustedCertificates::DefaultFile(),
              std::string(home != nullptr ? home : ".") + "/.config/scrivlet/trusted-certificates");
    if (saved != nullptr)
        ::setenv("XDG_CONFIG_HOME", kept.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

struct WindowTrust : ::testing::Test {
    FtpsServerSetup Setup{false, "stranger", "IP:127.0.0.1", false};
    TempDir Config;
    BoxLog Boxes;
    std::vector<RecordingQuestion::Asked> Asked;
    std::vector<TTrustAnswer> Answers;
    std::unique_ptr<TFormOpenFile> Form;

    WindowTrust() {
        TFormOpenFileOptions options;
        options.Boxes = std::make_unique<RecordingBoxes>(Boxes);
        options.TrustQuestion = std::make_unique<RecordingQuestion>(Asked, Answers);
        options.TrustedCertificatesFile = Config.File("trusted-certificates");
        options.MirrorFolder = Config.Path();
        Form = std::make_unique<TFormOpenFile>(std::move(options));
        Form->UserName->setText(PyFtpdServer::User);
        Form->Password->setText(PyFtpdServer::Password);
        Form->Server->setText(
            QString::fromStdString("ftpes://127.0.0.1:" + std::to_string(Setup.Server->Port())));
    }
    ~WindowTrust() override {
        if (Form->CheckBox1->isChecked())
            Form->CheckBox1->setChecked(false);
    }
    void Connect() { Form->CheckBox1->setChecked(true); }
};

TEST_F(WindowTrust, CancelFailsTheLoginBeforeUserAndUnticksTheBox) {
    Connect();
    ASSERT_EQ(Asked.size(), 1u);
    EXPECT_EQ(Asked[0].Server, "127.0.0.1:" + std::to_string(Setup.Server->Port()));
    EXPECT_FALSE(Asked[0].Info.Sha256.empty());
    EXPECT_NE(Asked[0].Info.Subject.find("stranger"), std::string::npos);
    EXPECT_EQ(Boxes.LoginFailures.size(), 1u);
    EXPECT_FALSE(Form->CheckBox1->isChecked());
    Setup.Server.reset();
    EXPECT_EQ(Setup.Log().find("<- USER"), std::string::npos);
}

TEST_F(WindowTrust, AlwaysTrustLogsInAndIsNotAskedAgain) {
    WriteFileBytes(Setup.Server->RootFile("notes.txt"), "x");
    Answers = {TTrustAnswer::AlwaysTrust};
    Connect();
    EXPECT_TRUE(Boxes.LoginFailures.empty())
        << (Boxes.LoginFailures.empty() ? "" : Boxes.LoginFailures[0]);
    ASSERT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_EQ(Form->Files->RowCount(), 1);
    EXPECT_EQ(Form->State.ServerText, "127.0.0.1:" + std::to_string(Setup.Server->Port()));
    Form->CheckBox1->setChecked(false);
    Connect();
    EXPECT_TRUE(Form->CheckBox1->isChecked());
    EXPECT_EQ(Asked.size(), 1u);
}

} // namespace
