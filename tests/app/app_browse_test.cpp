// Logging in to a real FTP server (pyftpdlib) and walking its tree with
// double-clicks and "Go Up": status texts, rows, counts, CurrentDir, the
// relogin after the server dropped the connection, and the error report.
#include "lock_probe.h"
#include "window_harness.h"

#include "app/tick_count.h"
#include "core/exceptions.h"
#include "ftp/ftp_client.h"
#include "support/pyftpd_server.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using Texts = std::vector<std::string>;

// / holds a/ (with b/x.txt), link -> a, notes.txt and readme.md.
class BrowseTest : public ::testing::Test {
protected:
    BrowseTest() {
        WriteFileBytes(Server.RootFile("notes.txt"), "remember\n");
        WriteFileBytes(Server.RootFile("readme.md"), "# read me\n");
        WriteFileBytes(Server.RootFile("a/b/x.txt"), "x\n");
        std::filesystem::create_directory_symlink("a", Server.RootFile("link"));
    }

    // Logs in with the window's defaults but the test server's address.
    void LogIn(WindowHarness& h) {
        h.SetServer(Server.Port());
        h.ClickConnect();
        ASSERT_TRUE(h.Boxes.LoginFailures.empty()) << h.Boxes.LoginFailures[0];
        ASSERT_TRUE(h.Form().CheckBox1->isChecked());
    }

    // Makes the server close the control connection, then reads until the
    // client has seen the close (it learns of it only by a receive).
    static bool DropByServer(TIdFTP& client) {
        client.WriteLine("QUIT");
        try {
            for (int line = 0; line < 10; ++line)
                client.ReadLine("\n", 10000);
        } catch (const EIdException&) {
        }
        return !client.IsConnected();
    }

    PyFtpdServer Server;
};

} // namespace

TEST_F(BrowseTest, LoginShowsTheLoginDirectoryWithCounts) {
    WindowHarness h;
    LogIn(h);
    EXPECT_EQ(h.Statuses,
              (Texts{"Connecting 127.0.0.1:" + std::to_string(Server.Port()), "Logging in ...",
                     "Retrieving directory content: ", " 2 file(s) 2 Folder(s)"}));
    EXPECT_EQ(h.RowNames(), (Texts{"a", "link", "notes.txt", "readme.md"}));
    EXPECT_EQ(h.Form().State.CurrentDir, "/");
    const Texts notes = h.RowTexts("notes.txt");
    ASSERT_EQ(notes.size(), 6u);
    EXPECT_EQ(notes[3], "rw-r--r--");
    EXPECT_EQ(notes[4], "9");
    EXPECT_EQ(h.RowImage("a"), 0);
    EXPECT_GE(h.RowImage("notes.txt"), 1);
    // The first keep-alive may come 15 s ahead of a plain idle wait.
    const int32_t ahead =
        static_cast<int32_t>(static_cast<uint32_t>(h.Form().State.LastActivity) - TickCount());
    EXPECT_GT(ahead, 0);
    EXPECT_LE(ahead, 15000);
    EXPECT_TRUE(ClientLockFreeForOthers());
}

TEST_F(BrowseTest, DoubleClickEntersFoldersAndLinksAndGoUpReturns) {
    WindowHarness h;
    LogIn(h);
    h.Statuses.clear();
    ASSERT_TRUE(h.DoubleClickRow("a"));
    EXPECT_EQ(h.Statuses, (Texts{"Retrieving directory content: /a", "/a 0 file(s) 1 Folder(s)"}));
    EXPECT_EQ(h.Form().State.CurrentDir, "/a");
    ASSERT_TRUE(h.DoubleClickRow("b"));
    EXPECT_EQ(h.Form().State.CurrentDir, "/a/b");
    EXPECT_EQ(h.RowNames(), (Texts{"x.txt"}));
    EXPECT_EQ(h.Status(), "/a/b 1 file(s) 0 Folder(s)");

    h.ClickGoUp();
    EXPECT_EQ(h.Form().State.CurrentDir, "/a");
    EXPECT_EQ(h.RowNames(), (Texts{"b"}));
    h.ClickGoUp();
    EXPECT_EQ(h.Form().State.CurrentDir, "/");
    ASSERT_TRUE(h.DoubleClickRow("link"));
    EXPECT_EQ(h.Form().State.CurrentDir, "/link");
    EXPECT_EQ(h.RowNames(), (Texts{"b"}));
    EXPECT_EQ(h.Status(), "/link 0 file(s) 1 Folder(s)");
    EXPECT_TRUE(h.Boxes.ErrorReports.empty());
}

TEST_F(BrowseTest, GoUpAtTheRootListsTheRootAgain) {
    WindowHarness h;
    LogIn(h);
    h.Statuses.clear();
    h.ClickGoUp();
    EXPECT_EQ(h.Form().State.CurrentDir, "/");
    EXPECT_EQ(h.Statuses, (Texts{"Retrieving directory content: /", "/ 2 file(s) 2 Folder(s)"}));
    EXPECT_EQ(h.RowNames(), (Texts{"a", "link", "notes.txt", "readme.md"}));
}

TEST_F(BrowseTest, DoubleClickOnAFileLeavesTheBrowserAsItIsAndCallsTheFileHook) {
    WindowHarness h;
    LogIn(h);
    h.Statuses.clear();
    ASSERT_TRUE(h.DoubleClickRow("readme.md"));
    EXPECT_TRUE(h.Statuses.empty());
    EXPECT_EQ(h.Form().State.CurrentDir, "/");

    std::string opened;
    h.Form().Browser().OnOpenFile = [&opened](const TIdFTPListItem& e) { opened = e.EntryName; };
    ASSERT_TRUE(h.DoubleClickRow("notes.txt"));
    EXPECT_EQ(opened, "notes.txt");
}

TEST_F(BrowseTest, ListingHoldsTheClientLockThroughoutIncludingTheIconLookups) {
    int lookups = 0;
    int lookupsWithLockTaken = 0;
    WindowHarness h([&](const std::string& name) {
        ++lookups;
        if (!ClientLockFreeForOthers())
            ++lookupsWithLockTaken;
        return GetFileTypeIcon(name);
    });
    LogIn(h);
    EXPECT_EQ(lookups, 3);
    EXPECT_EQ(lookupsWithLockTaken, 3);
    EXPECT_TRUE(ClientLockFreeForOthers());
}

TEST_F(BrowseTest, LogoutClearsTheRowsAndDisconnects) {
    WindowHarness h;
    LogIn(h);
    h.Statuses.clear();
    h.ClickConnect();
    EXPECT_EQ(h.Statuses, (Texts{"Logging out...", "Disconnected"}));
    EXPECT_EQ(h.Form().Files->RowCount(), 0);
    EXPECT_FALSE(h.Form().Client().IsConnected());
}

TEST_F(BrowseTest, ListingAfterTheServerDroppedTheConnectionLogsInAgainAndStaysWhereItWas) {
    WindowHarness h;
    LogIn(h);
    ASSERT_TRUE(h.DoubleClickRow("a"));
    ASSERT_TRUE(h.DoubleClickRow("b"));
    ASSERT_TRUE(DropByServer(h.Form().Client()));
    h.Statuses.clear();
    h.ClickGoUp();
    EXPECT_TRUE(h.Boxes.ErrorReports.empty()) << h.Boxes.ErrorReports[0];
    EXPECT_EQ(h.Statuses, (Texts{"Relogging in...", "Retrieving directory content: /a",
                                 "/a 0 file(s) 1 Folder(s)"}));
    EXPECT_EQ(h.Form().State.CurrentDir, "/a");
    EXPECT_TRUE(h.Form().CheckBox1->isChecked());
    ASSERT_TRUE(h.DoubleClickRow("b"));
    EXPECT_EQ(h.RowNames(), (Texts{"x.txt"}));
}

TEST_F(BrowseTest, GoUpBeforeAnyLoginReportsTheClientsError) {
    WindowHarness h;
    h.ClickGoUp();
    ASSERT_EQ(h.Boxes.ErrorReports.size(), 1u);
    EXPECT_FALSE(h.Boxes.ErrorReports[0].empty());
    EXPECT_EQ(h.Statuses, (Texts{"Relogging in..."}));
    // Nothing was listed, so nothing names a folder yet.
    EXPECT_EQ(h.Form().State.CurrentDir, "");
    EXPECT_FALSE(h.Form().CheckBox1->isChecked());
    EXPECT_TRUE(ClientLockFreeForOthers());
}

TEST_F(BrowseTest, TickingWhileConnectedByAnUntickedReloginFailsOnceThenWorks) {
    WindowHarness h;
    LogIn(h);
    h.ClickConnect();
    // The relogin uses the settings the client kept from that login.
    h.ClickGoUp();
    ASSERT_TRUE(h.Boxes.ErrorReports.empty()) << h.Boxes.ErrorReports[0];
    ASSERT_TRUE(h.Form().Client().IsConnected());
    EXPECT_FALSE(h.Form().CheckBox1->isChecked());

    h.Statuses.clear();
    h.ClickConnect();
    EXPECT_EQ(h.Boxes.LoginFailures, (Texts{"Already connected."}));
    EXPECT_EQ(h.Statuses.back(), "Disconnected");
    EXPECT_FALSE(h.Form().CheckBox1->isChecked());
    EXPECT_FALSE(h.Form().Client().IsConnected());

    h.Boxes.LoginFailures.clear();
    LogIn(h);
    EXPECT_EQ(h.RowNames(), (Texts{"a", "link", "notes.txt", "readme.md"}));
}
