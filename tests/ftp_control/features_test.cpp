// FEAT after the login: the feature lines of odd replies, UTF8 switched on
// where listed (a refusal changes nothing), and SIZE/MDTM asked only of a
// server that may answer them.
#include "ftp/ftp_client.h"
#include "ftp/ftp_features.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

TEST(FeatureLines, OnlyBlankLedLinesBetweenFirstAndLastAreFeatures) {
    struct Case {
        const char* what;
        Lines reply;
        Lines features;
    };
    const Case cases[] = {
        {"RFC 2389 layout",
         {"211-Extensions supported:", " MDTM", " REST STREAM", " MLST type*;size*;", " UTF8",
          "211 End"},
         {"MDTM", "REST STREAM", "MLST type*;size*;", "UTF8"}},
        {"one line", {"211 No features"}, {}},
        {"first and last lines carry text only", {"211- SIZE", " TVFS", "211 UTF8"}, {"TVFS"}},
        {"lines without a leading blank",
         {"211-Features:", "MDTM", "211-SIZE", " EPSV", "211 End"},
         {"EPSV"}},
        {"tabs and trailing blanks",
         {"211-Features", "\tLANG EN*  ", " \t", "  PASV ", "211 End"},
         {"LANG EN*", "PASV"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseFeatureLines(c.reply), c.features) << c.what;
    const Lines features = {"REST STREAM", "mdtm", "MLST type*;"};
    EXPECT_TRUE(ListsFeature(features, "rest"));
    EXPECT_TRUE(ListsFeature(features, "MDTM"));
    EXPECT_TRUE(ListsFeature(features, "MLST"));
    EXPECT_FALSE(ListsFeature(features, "STREAM"));
    EXPECT_FALSE(ListsFeature(features, "RES"));
}

struct FeatFixture : ::testing::Test {
    FakeFtpServer Server;
    TIdFTP Client;
    FeatFixture() {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        Client.Username = "brimol";
        Client.Password = "pelrosta";
        Client.ReadTimeout = 10000;
    }
    void LogIn() {
        Client.ConnectServer(false);
        Client.SignOn();
    }
};

TEST_F(FeatFixture, RefusedOptsUtf8KeepsTheLoginAndUnlistedFactsAreNotAsked) {
    Server.FeatAnswer("211-Features:\r\n UTF8\r\n REST STREAM\r\n211 End\r\n");
    Server.Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply("501 OPTS UTF8 not understood")
        .Reply("200 NOOP ok");
    LogIn();
    EXPECT_EQ(Client.LoginReply().NumericCode(), 230);
    EXPECT_EQ(Client.Features, (Lines{"UTF8", "REST STREAM"}));
    EXPECT_TRUE(Client.HasFeature("utf8"));
    // Listed features without SIZE and MDTM: neither is asked, both unknown.
    EXPECT_EQ(Client.Size("/f"), -1);
    EXPECT_EQ(Client.FileDate("/f"), 0);
    EXPECT_EQ(Client.SendCommand("NOOP", 200), 200);
    EXPECT_EQ(Server.Commands(),
              (Lines{"USER brimol", "PASS pelrosta", "FEAT", "OPTS UTF8 ON", "NOOP"}));
}

TEST_F(FeatFixture, WithoutFeaturesFactsAreAskedUntilNotUnderstood) {
    Server.Reply("230 Logged in")
        .Reply("550 /a: no such file")
        .Reply("213 12")
        .Reply("502 SIZE not implemented")
        .Reply("500 MDTM not understood");
    LogIn();
    EXPECT_TRUE(Client.Features.empty());
    EXPECT_EQ(Client.Size("/a"), -1);
    EXPECT_EQ(Client.Size("/b"), 12);
    EXPECT_EQ(Client.Size("/c"), -1);
    EXPECT_EQ(Client.Size("/d"), -1);
    EXPECT_EQ(Client.FileDate("/a"), 0);
    EXPECT_EQ(Client.FileDate("/b"), 0);
    EXPECT_EQ(Server.Commands(),
              (Lines{"USER brimol", "FEAT", "SIZE /a", "SIZE /b", "SIZE /c", "MDTM /a"}));
    // A new connection asks again.
    Client.SignOff();
    ASSERT_TRUE(Server.WaitForDisconnect());
    Server.Reply("230 Logged in").Reply("213 7");
    LogIn();
    EXPECT_EQ(Client.Size("/d"), 7);
}

} // namespace
