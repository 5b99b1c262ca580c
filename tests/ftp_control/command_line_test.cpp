// Texts that go into a command line cannot smuggle a second command in: a CR,
// LF or NUL in any of them is refused before the command is sent.
#include "core/exceptions.h"
#include "core/streams.h"
#include "ftp/ftp_client.h"
#include "support/fake_ftp_server.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

struct Smuggled {
    const char* Name;
    // Sets the client up with the text that carries the second command.
    std::function<void(TIdFTP&)> Arrange;
    // Replies the server has for the commands that may go out before it.
    std::vector<std::string> Replies;
    // What is called after the connect.
    std::function<void(TIdFTP&)> Act;
};

void PrintTo(const Smuggled& smuggled, std::ostream* out) {
    *out << smuggled.Name;
}

void SignOn(TIdFTP& client) {
    client.SignOn();
}

TIdFtpProxySettings UserSiteProxy(std::string user, std::string password) {
    TIdFtpProxySettings proxy;
    proxy.ProxyType = TIdFtpProxyType::fpcmUserSite;
    proxy.UserName = std::move(user);
    proxy.Password = std::move(password);
    return proxy;
}

const std::vector<Smuggled> Cases = {
    {"user", [](TIdFTP& c) { c.Username = "a\r\nDELE x"; }, {}, SignOn},
    {"password", [](TIdFTP& c) { c.Password = "p\nDELE x"; }, {"331 Password required"}, SignOn},
    {"proxy user",
     [](TIdFTP& c) { c.SetProxySettings(UserSiteProxy("pu\rDELE x", "pp")); },
     {},
     SignOn},
    {"proxy password",
     [](TIdFTP& c) { c.SetProxySettings(UserSiteProxy("pu", "pp\0DELE x"s)); },
     {"331 Password required"},
     SignOn},
    {"quoted text", [](TIdFTP&) {}, {}, [](TIdFTP& c) { c.SendRawCommand("NOOP\r\nDELE x"); }},
    // A transfer command is refused before its PORT or PASV goes out.
    {"listed name sent back in RETR",
     [](TIdFTP&) {},
     {},
     [](TIdFTP& c) {
         TMemoryStream into;
         c.RetrieveStream("/dir/a\r\nDELE x", into, false);
     }},
    {"path in STOR",
     [](TIdFTP& c) { c.Passive = true; },
     {},
     [](TIdFTP& c) {
         TMemoryStream from;
         c.StoreStream(from, "/up\nDELE x", false);
     }},
};

class CommandLine : public ::testing::TestWithParam<Smuggled> {};

TEST_P(CommandLine, ControlCharacterInAnArgumentIsRefusedBeforeTheCommandGoesOut) {
    const Smuggled& smuggled = GetParam();
    FakeFtpServer server;
    for (const std::string& reply : smuggled.Replies)
        server.Reply(reply);
    TIdFTP client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Username = "u";
    client.Password = "p";
    client.ReadTimeout = 10000;
    smuggled.Arrange(client);
    client.ConnectServer(false);
    const size_t allowedBefore = smuggled.Replies.size();
    try {
        smuggled.Act(client);
        ADD_FAILURE() << "no exception";
    } catch (const EIdInvalidCommandArgument& e) {
        EXPECT_STREQ(e.what(), "Invalid character in command argument.");
    }
    // Only the commands before the refused one arrived, and none of its text.
    EXPECT_EQ(server.Commands().size(), allowedBefore);
    EXPECT_EQ(server.RawReceived().find("DELE"), std::string::npos) << server.RawReceived();
    EXPECT_TRUE(client.IsConnected());
    client.DropConnection();
}

std::string CaseName(const ::testing::TestParamInfo<Smuggled>& info) {
    std::string name = info.param.Name;
    for (char& c : name)
        if (c == ' ')
            c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryText, CommandLine, ::testing::ValuesIn(Cases), CaseName);

} // namespace
