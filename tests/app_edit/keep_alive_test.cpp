// The keep-alive against pyftpdlib with a tick counter the test sets: the
// first ping only after the login's lead plus more than 15000 ms of idle
// time, the 14 bytes of "/ping.ftp", the restored status, uploads postponing
// it, and a store that keeps failing: retried every tick, reported once.
#include "edit_harness.h"

#include "app/app_texts.h"
#include "app/keep_alive.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

namespace {

class KeepAliveTest : public ::testing::Test {
protected:
    // A window whose ticks are `Now`, logged in, its timer stopped so that
    // only the test ticks.
    std::unique_ptr<EditWindow> LoggedIn(std::vector<std::string> editor = {"true"}) {
        auto w = std::make_unique<EditWindow>(Mirror.Path(), std::move(editor),
                                              [this] { return Now.load(); });
        w->Form().Timer1->stop();
        w->LogIn(Ftpd.Port());
        return w;
    }

    // Sets the tick counter `idle` ms after the window's last activity.
    void IdleFor(EditWindow& w, int32_t idle) {
        Now = static_cast<uint32_t>(w.Form().State.LastActivity) + static_cast<uint32_t>(idle);
    }

    int Pings() const { return Ftpd.Count("STOR /ping.ftp"); }

    std::atomic<uint32_t> Now{0};
    LoggedFtpd Ftpd;
    TempDir Mirror;
};

} // namespace

TEST_F(KeepAliveTest, PingsOnlyWhenConnectedAndIdleForMoreThan15000Ms) {
    {
        EditWindow never(Mirror.Path(), {"true"}, [this] { return Now.load(); });
        never.Form().Timer1->stop();
        Now = 100000;
        never.Form().Timer1Timer();
        EXPECT_TRUE(never.Statuses.empty());
        EXPECT_TRUE(never.ErrorReports.empty());
    }

    auto w = LoggedIn();
    const std::string listed = w->Form().StatusText();
    // Login put the stamp 15000 ms ahead of the counter: 30 s before a ping.
    Now = static_cast<uint32_t>(w->Form().State.LastActivity) - 15000;
    w->Form().Timer1Timer();
    IdleFor(*w, 15000);
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 0);
    IdleFor(*w, 15001);
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 1);
    EXPECT_EQ(ReadFileBytes(Ftpd.RootFile("ping.ftp")), "VORANTE PELSIK");
    EXPECT_EQ(static_cast<uint32_t>(w->Form().State.LastActivity), Now.load());
    EXPECT_EQ(w->Statuses.back(), listed);
    EXPECT_EQ(w->Statuses.end()[-2], AppText::Pinging);
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 1);

    // Across the counter's wrap-around.
    w->Form().State.LastActivity = -100;
    Now = 14900;
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 1);
    Now = 14901;
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 2);
    EXPECT_TRUE(w->ErrorReports.empty());
}

TEST_F(KeepAliveTest, AWorkersUploadPostponesIt) {
    WriteFileBytes(Ftpd.RootFile("notes.txt"), "remember\n");
    auto w = LoggedIn(ScriptedEditor({"mtime=1700000000.1", "write=edited\\n"}));
    Now = 0x7fffff00u;
    ASSERT_TRUE(w->DoubleClick("notes.txt"));
    ASSERT_TRUE(w->WaitFor([&] { return w->ShownStartingWith(AppText::Closed); }));
    ASSERT_EQ(Ftpd.Count("STOR /notes.txt"), 1);
    EXPECT_EQ(static_cast<uint32_t>(w->Form().State.LastActivity), 0x7fffff00u);
    Now = 0x7fffff00u + 15000;
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 0);
    Now = 0x7fffff00u + 15001;
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 1);
}

TEST_F(KeepAliveTest, AFailingStoreIsRetriedEveryTickAndReportedOnceARun) {
    // A folder where the ping goes makes every store fail.
    std::filesystem::create_directory(Ftpd.RootFile("ping.ftp"));
    auto w = LoggedIn();
    const std::string listed = w->Form().StatusText();
    const int32_t before = w->Form().State.LastActivity;
    IdleFor(*w, 20000);
    w->Form().Timer1Timer();
    ASSERT_EQ(w->ErrorReports.size(), 1u);
    EXPECT_EQ(w->Form().StatusText(), AppText::Pinging);
    EXPECT_EQ(w->Form().State.LastActivity, before);
    w->Form().Timer1Timer();
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 3);
    EXPECT_EQ(w->ErrorReports.size(), 1u);
    EXPECT_EQ(w->Form().StatusText().rfind(AppText::KeepAliveFailed(""), 0), 0u)
        << w->Form().StatusText();

    // A success ends the run and brings back what was shown before it.
    std::filesystem::remove(Ftpd.RootFile("ping.ftp"));
    w->Form().Timer1Timer();
    EXPECT_EQ(Pings(), 4);
    EXPECT_EQ(w->Form().StatusText(), listed);
    EXPECT_EQ(static_cast<uint32_t>(w->Form().State.LastActivity), Now.load());

    // The next failure starts a new run with a report of its own.
    std::filesystem::remove(Ftpd.RootFile("ping.ftp"));
    std::filesystem::create_directory(Ftpd.RootFile("ping.ftp"));
    IdleFor(*w, 15001);
    w->Form().Timer1Timer();
    EXPECT_EQ(w->ErrorReports.size(), 2u);
}
