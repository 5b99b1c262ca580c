// Logging in against a scripted server: the exact commands sent, the refused
// password, an unreachable server, a login directory that is not the root,
// a window closed while logged in, and a server that refuses active mode.
#include "active_data_peer.h"
#include "data_peer.h"
#include "lock_probe.h"
#include "window_harness.h"

#include "ftp/ftp_client.h"
#include "support/fake_ftp_server.h"
#include "support/raw_socket.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

using Texts = std::vector<std::string>;

constexpr const char* ListingReplies = "150 Here comes the listing\r\n226 Done\r\n";

std::string ServerText(int port) {
    return "127.0.0.1:" + std::to_string(port);
}

} // namespace

TEST(ScriptedLogin, ListsTheHomeDirectoryAndResolvesFoldersUnderIt) {
    FakeFtpServer server;
    server.Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply("200 Type set to I")
        .Reply("257 \"/home/brimol\" is the current directory")
        .Reply("200 PORT ok")
        .ReplyRaw(ListingReplies)
        .Reply("200 PORT ok")
        .ReplyRaw(ListingReplies);
    ActiveDataPeer data(server,
                        {"drwxr-xr-x   2 brimol   users        4096 Mar 01  2024 docs\r\n"
                         "-rw-r--r--   1 brimol   users          12 Mar 01  2024 todo.txt\r\n",
                         "-rw-r--r--   1 brimol   users          40 Mar 02  2024 letter.txt\r\n"});
    {
        WindowHarness h;
        h.SetServer(server.Port());
        h.ClickConnect();
        ASSERT_TRUE(h.Boxes.LoginFailures.empty()) << h.Boxes.LoginFailures[0];
        EXPECT_EQ(h.Form().State.CurrentDir, "/home/brimol");
        EXPECT_EQ(h.RowNames(), (Texts{"docs", "todo.txt"}));
        EXPECT_EQ(h.Status(), " 1 file(s) 1 Folder(s)");

        ASSERT_TRUE(h.DoubleClickRow("docs"));
        EXPECT_EQ(h.Form().State.CurrentDir, "/home/brimol/docs");
        EXPECT_EQ(h.RowNames(), (Texts{"letter.txt"}));
        EXPECT_EQ(h.Status(), "/home/brimol/docs 1 file(s) 0 Folder(s)");
        EXPECT_TRUE(h.Boxes.ErrorReports.empty());
        EXPECT_EQ(data.Delivered(), 2);
    }
    // Closing the window closes the connection without a QUIT.
    EXPECT_TRUE(server.WaitForDisconnect());
    const Texts commands = server.Commands();
    ASSERT_EQ(commands.size(), 9u);
    EXPECT_EQ(commands[0], "USER brimol");
    EXPECT_EQ(commands[1], "PASS pelrosta");
    EXPECT_EQ(commands[2], "FEAT");
    EXPECT_EQ(commands[3], "TYPE I");
    EXPECT_EQ(commands[4], "PWD");
    EXPECT_EQ(commands[5].rfind("PORT 127,0,0,1,", 0), 0u) << commands[5];
    EXPECT_EQ(commands[6], "LIST");
    EXPECT_EQ(commands[8], "LIST /home/brimol/docs");
}

TEST(ScriptedLogin, RefusedPortFallsBackToPassiveForTheRestOfTheLogin) {
    FakeFtpServer server;
    DataPeer first;
    DataPeer second;
    first.ServePassive(
        SendAndClose("drwxr-xr-x   2 brimol   users        4096 Mar 01  2024 docs\r\n"
                     "-rw-r--r--   1 brimol   users          12 Mar 01  2024 caf\xE9.txt\r\n"));
    second.ServePassive(
        SendAndClose("-rw-r--r--   1 brimol   users          40 Mar 02  2024 letter.txt\r\n"));
    server.Reply("331 Password required")
        .Reply("230 Logged in")
        .Reply("200 Type set to I")
        .Reply("257 \"/\" is the current directory")
        .Reply("500 Illegal PORT command.")
        .Reply(first.PasvReply())
        .ReplyRaw(ListingReplies)
        .Reply(second.PasvReply())
        .ReplyRaw(ListingReplies);
    WindowHarness h;
    h.SetServer(server.Port());
    h.ClickConnect();
    ASSERT_TRUE(h.Boxes.LoginFailures.empty()) << h.Boxes.LoginFailures[0];
    // The name that is not UTF-8 shows its byte escaped.
    EXPECT_EQ(h.RowNames(), (Texts{"docs", "caf\\xE9.txt"}));
    EXPECT_EQ(h.Status(), "Active mode failed; using passive mode");

    ASSERT_TRUE(h.DoubleClickRow("docs"));
    EXPECT_EQ(h.RowNames(), (Texts{"letter.txt"}));
    EXPECT_EQ(h.Status(), "/docs 1 file(s) 0 Folder(s)");
    EXPECT_TRUE(h.Boxes.ErrorReports.empty());
    Texts verbs;
    for (const std::string& command : server.Commands())
        verbs.push_back(command.rfind("PORT ", 0) == 0 ? "PORT" : command);
    EXPECT_EQ(verbs, (Texts{"USER brimol", "PASS pelrosta", "FEAT", "TYPE I", "PWD", "PORT", "PASV",
                            "LIST", "PASV", "LIST /docs"}));
}

TEST(ScriptedLogin, RefusedPasswordIsShownThenLoggedOutWithQuit) {
    FakeFtpServer server;
    server.Reply("331 Password required").Reply("530 Login incorrect.").NoReply();
    WindowHarness h;
    h.SetServer(server.Port());
    std::string statusInDialog;
    bool lockFreeInDialog = false;
    h.Boxes.WhileLoginFailureOpen = [&](const std::string&) {
        statusInDialog = h.Status();
        lockFreeInDialog = ClientLockFreeForOthers();
    };
    h.ClickConnect();

    // The message of a refused command is the reply's text lines, each ending in CR LF.
    EXPECT_EQ(h.Boxes.LoginFailures, (Texts{"Login incorrect.\r\n"}));
    EXPECT_EQ(statusInDialog, "Logging in ...");
    EXPECT_TRUE(lockFreeInDialog);
    EXPECT_EQ(h.Statuses, (Texts{"Connecting " + ServerText(server.Port()), "Logging in ...",
                                 "Logging out...", "Disconnected"}));
    EXPECT_FALSE(h.Form().CheckBox1->isChecked());
    EXPECT_EQ(h.Form().Files->RowCount(), 0);
    EXPECT_EQ(h.Form().State.CurrentDir, "/");
    EXPECT_NE(h.Form().State.LastActivity, 0);
    // The box's "host:port" went to the client in two parts; the typed text is kept.
    EXPECT_EQ(h.Form().Client().Host, "127.0.0.1");
    EXPECT_EQ(h.Form().Client().Port, server.Port());
    EXPECT_EQ(h.Form().State.ServerText, ServerText(server.Port()));
    EXPECT_TRUE(h.Boxes.ErrorReports.empty());
    EXPECT_TRUE(server.WaitForCommands(3));
    EXPECT_EQ(server.Commands(), (Texts{"USER brimol", "PASS pelrosta", "QUIT"}));
    EXPECT_TRUE(ClientLockFreeForOthers());
}

TEST(ScriptedLogin, UnreachableServerKeepsConnectingTextUntilTheDialogCloses) {
    int port = 0;
    int listener = ListenOnLoopback(1, port);
    CloseFd(listener);
    WindowHarness h;
    h.SetServer(port);
    std::string statusInDialog;
    h.Boxes.WhileLoginFailureOpen = [&](const std::string&) { statusInDialog = h.Status(); };
    h.ClickConnect();

    ASSERT_EQ(h.Boxes.LoginFailures.size(), 1u);
    EXPECT_NE(h.Boxes.LoginFailures[0].find("Socket Error"), std::string::npos)
        << h.Boxes.LoginFailures[0];
    EXPECT_EQ(statusInDialog, "Connecting " + ServerText(port));
    EXPECT_EQ(h.Status(), "Disconnected");
    EXPECT_FALSE(h.Form().CheckBox1->isChecked());
    EXPECT_EQ(h.Form().State.CurrentDir, "");
    EXPECT_EQ(h.Form().State.LastActivity, 0);
}
