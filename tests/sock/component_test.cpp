// The component base: the shared stack's life cycle, status texts, nested
// units of work, and anti-freeze registration and turns.
#include "core/exceptions.h"
#include "sock/component.h"
#include "sock/socket_handle.h"
#include "sock/stack.h"
#include "sock_test_helpers.h"
#include "support/loopback_peer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {

class SharedStackTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(StackUsers, 0) << "a component outlived its test"; }
    int made = 0;
    ScopedStackClass stack{[this] {
        ++made;
        return std::make_unique<TIdStackPosix>();
    }};
};

} // namespace

TEST_F(SharedStackTest, LivesFromTheFirstComponentToTheLast) {
    ASSERT_EQ(SharedStack, nullptr);
    auto first = std::make_unique<TIdComponent>();
    EXPECT_EQ(made, 1);
    ASSERT_NE(SharedStack, nullptr);
    EXPECT_TRUE(StackStarted);
    TIdStack* const shared = SharedStack.get();
    {
        TIdComponent second;
        EXPECT_EQ(StackUsers, 2);
        EXPECT_EQ(made, 1);
    }
    EXPECT_EQ(SharedStack.get(), shared);
    EXPECT_EQ(StackUsers, 1);
    first.reset();
    EXPECT_EQ(SharedStack, nullptr);
    EXPECT_EQ(StackUsers, 0);
    // The library was started once and stays started.
    EXPECT_TRUE(StackStarted);

    TIdComponent again;
    EXPECT_EQ(made, 2);
    EXPECT_NE(SharedStack, nullptr);
}

TEST_F(SharedStackTest, OutOfOrderDestructionKeepsItUntilTheLast) {
    auto a = std::make_unique<TIdComponent>();
    auto b = std::make_unique<TIdComponent>();
    auto c = std::make_unique<TIdComponent>();
    a.reset();
    c.reset();
    EXPECT_NE(SharedStack, nullptr);
    b.reset();
    EXPECT_EQ(SharedStack, nullptr);
    EXPECT_EQ(made, 1);
}

TEST_F(SharedStackTest, ComponentsOnManyThreadsKeepTheCountRight) {
    std::vector<std::thread> threads;
    std::atomic<int> stackMissing{0};
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 200; ++i) {
                TIdComponent component;
                std::lock_guard<std::recursive_mutex> hold(StackLock);
                if (!SharedStack)
                    ++stackMissing;
            }
        });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(stackMissing, 0);
    EXPECT_EQ(StackUsers, 0);
    EXPECT_EQ(SharedStack, nullptr);
}

// --- Status notifications ---

namespace {

struct StatusSeen {
    TIdComponent* sender;
    TIdStatus status;
    std::string text;
};

class StatusTest : public ::testing::Test {
protected:
    void SetUp() override {
        component.OnStatus = [this](TIdComponent* sender, TIdStatus status,
                                    const std::string& text) {
            seen.push_back({sender, status, text});
        };
    }
    std::string Raise(TIdStatus status, std::initializer_list<std::string_view> args = {}) {
        seen.clear();
        component.RaiseStatus(status, args);
        EXPECT_EQ(seen.size(), 1u);
        if (seen.empty())
            return "(no call)";
        EXPECT_EQ(seen[0].sender, &component);
        EXPECT_EQ(seen[0].status, status);
        return seen[0].text;
    }
    TIdComponent component;
    std::vector<StatusSeen> seen;
};

} // namespace

TEST_F(StatusTest, FormatsEachPatternWithItsArguments) {
    EXPECT_EQ(Raise(TIdStatus::hsResolving, {"ftp.example.invalid"}),
              "Resolving hostname ftp.example.invalid.");
    EXPECT_EQ(Raise(TIdStatus::hsConnecting, {"127.0.0.1"}), "Connecting to 127.0.0.1.");
    EXPECT_EQ(Raise(TIdStatus::hsConnected), "Connected.");
    EXPECT_EQ(Raise(TIdStatus::hsDisconnecting), "Disconnecting.");
    EXPECT_EQ(Raise(TIdStatus::hsDisconnected), "Disconnected.");
    EXPECT_EQ(Raise(TIdStatus::hsStatusText, {"free text"}), "free text");
    EXPECT_EQ(Raise(TIdStatus::ftpTransfer, {"Starting FTP transfer"}), "Starting FTP transfer");
    EXPECT_EQ(Raise(TIdStatus::ftpReady, {"Transfer complete"}), "Transfer complete");
    EXPECT_EQ(Raise(TIdStatus::ftpAborted, {"Transfer aborted"}), "Transfer aborted");
}

TEST_F(StatusTest, MissingArgumentsGiveEmptyTextAndExtraOnesAreIgnored) {
    EXPECT_EQ(Raise(TIdStatus::hsResolving), "Resolving hostname .");
    EXPECT_EQ(Raise(TIdStatus::hsStatusText), "");
    EXPECT_EQ(Raise(TIdStatus::hsConnected, {"ftp.example.invalid"}), "Connected.");
    EXPECT_EQ(Raise(TIdStatus::hsConnecting, {"10.0.0.1", "extra"}), "Connecting to 10.0.0.1.");
}

TEST(RaiseStatus, WithoutOnStatusDoesNothing) {
    TIdComponent quiet;
    TIdComponent other;
    int calls = 0;
    other.OnStatus = [&](TIdComponent*, TIdStatus, const std::string&) { ++calls; };
    quiet.RaiseStatus(TIdStatus::hsConnected, {"x"});
    quiet.RaiseStatus(TIdStatus::hsResolving);
    EXPECT_EQ(calls, 0);
}

// --- Units of work ---

namespace {

class WorkTest : public ::testing::Test {
protected:
    void SetUp() override {
        component.OnWorkBegin = [this](TIdComponent* sender, TWorkMode mode, int32_t max) {
            EXPECT_EQ(sender, &component);
            events.push_back(Name(mode) + " begin " + std::to_string(max));
        };
        component.OnWork = [this](TIdComponent* sender, TWorkMode mode, int32_t count) {
            EXPECT_EQ(sender, &component);
            events.push_back(Name(mode) + " work " + std::to_string(count));
        };
        component.OnWorkEnd = [this](TIdComponent* sender, TWorkMode mode) {
            EXPECT_EQ(sender, &component);
            events.push_back(Name(mode) + " end");
        };
    }
    static std::string Name(TWorkMode mode) { return mode == TWorkMode::wmRead ? "read" : "write"; }
    TIdComponent component;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;

} // namespace

TEST_F(WorkTest, NestedUnitsReportOnlyTheOutermostWithARunningTotal) {
    component.StartWork(TWorkMode::wmRead, 100);
    component.StartWork(TWorkMode::wmRead, 50);
    component.ReportWork(TWorkMode::wmRead, 10);
    component.ReportWork(TWorkMode::wmRead, 5);
    component.FinishWork(TWorkMode::wmRead);
    EXPECT_EQ(events, (Events{"read begin 100", "read work 10", "read work 15"}));
    component.FinishWork(TWorkMode::wmRead);
    EXPECT_EQ(events, (Events{"read begin 100", "read work 10", "read work 15", "read end"}));
    const TIdWorkProgress& state = component.WorkState(TWorkMode::wmRead);
    EXPECT_EQ(state.Position, 15);
    EXPECT_EQ(state.Maximum, 100);
    EXPECT_EQ(state.Depth, 0);
}

TEST_F(WorkTest, ANewOuterUnitStartsCountingAgain) {
    component.StartWork(TWorkMode::wmWrite, 0);
    component.ReportWork(TWorkMode::wmWrite, 7);
    component.FinishWork(TWorkMode::wmWrite);
    component.StartWork(TWorkMode::wmWrite, 3);
    component.ReportWork(TWorkMode::wmWrite, 3);
    component.FinishWork(TWorkMode::wmWrite);
    EXPECT_EQ(events, (Events{"write begin 0", "write work 7", "write end", "write begin 3",
                              "write work 3", "write end"}));
}

TEST_F(WorkTest, ReportsOutsideAUnitAreDropped) {
    component.ReportWork(TWorkMode::wmWrite, 10);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(component.WorkState(TWorkMode::wmWrite).Position, 0);
}

TEST_F(WorkTest, ReadAndWriteUnitsAreIndependent) {
    component.StartWork(TWorkMode::wmRead, 0);
    component.ReportWork(TWorkMode::wmWrite, 5);
    component.ReportWork(TWorkMode::wmRead, 4);
    component.FinishWork(TWorkMode::wmRead);
    EXPECT_EQ(events, (Events{"read begin 0", "read work 4", "read end"}));
    EXPECT_EQ(component.WorkState(TWorkMode::wmWrite).Position, 0);
    EXPECT_EQ(component.WorkState(TWorkMode::wmWrite).Depth, 0);
}

TEST_F(WorkTest, AnUnbalancedFinishDropsProgressUntilStartsCatchUp) {
    component.FinishWork(TWorkMode::wmRead);
    EXPECT_EQ(component.WorkState(TWorkMode::wmRead).Depth, -1);
    component.StartWork(TWorkMode::wmRead, 10);
    component.ReportWork(TWorkMode::wmRead, 1);
    EXPECT_TRUE(events.empty());
    component.StartWork(TWorkMode::wmRead, 20);
    component.ReportWork(TWorkMode::wmRead, 2);
    EXPECT_EQ(events, (Events{"read begin 20", "read work 2"}));
}

TEST(Work, CallbacksAreOptional) {
    TIdComponent component;
    component.StartWork(TWorkMode::wmRead, 10);
    component.ReportWork(TWorkMode::wmRead, 4);
    component.FinishWork(TWorkMode::wmRead);
    EXPECT_EQ(component.WorkState(TWorkMode::wmRead).Position, 4);
    EXPECT_EQ(component.WorkState(TWorkMode::wmRead).Depth, 0);
}

TEST(Work, AnExceptionFromACallbackReachesTheCaller) {
    TIdComponent component;
    component.OnWork = [](TIdComponent*, TWorkMode, int32_t) { throw EIdException("stop"); };
    component.StartWork(TWorkMode::wmWrite, 0);
    EXPECT_THROW(component.ReportWork(TWorkMode::wmWrite, 1), EIdException);
    component.FinishWork(TWorkMode::wmWrite);
}

// --- Anti-freeze ---

namespace {

class CountingAntiFreeze : public TIdAntiFreezeBase {
public:
    explicit CountingAntiFreeze(bool designing = false) : TIdAntiFreezeBase(designing) {}
    void ProcessPending() override { ++turns; }
    int turns = 0;
};

} // namespace

TEST(AntiFreeze, TheLastOneMadeAtRunTimeIsRegisteredAndAnyDestructionClearsIt) {
    ASSERT_EQ(TIdAntiFreezeBase::RegisteredAntiFreeze, nullptr);
    auto first = std::make_unique<CountingAntiFreeze>();
    EXPECT_EQ(TIdAntiFreezeBase::RegisteredAntiFreeze, first.get());
    auto second = std::make_unique<CountingAntiFreeze>();
    EXPECT_EQ(TIdAntiFreezeBase::RegisteredAntiFreeze, second.get());
    first.reset();
    EXPECT_EQ(TIdAntiFreezeBase::RegisteredAntiFreeze, nullptr);
    second.reset();
    EXPECT_EQ(TIdAntiFreezeBase::RegisteredAntiFreeze, nullptr);
}

TEST(AntiFreeze, OneMadeInDesignStateIsRefusedWhileAnotherIsRegistered) {
    {
        // Alone, it is allowed but does not register.
        CountingAntiFreeze designing(true);
        EXPECT_EQ(TIdAntiFreezeBase::RegisteredAntiFreeze, nullptr);
    }
    CountingAntiFreeze running;
    try {
        CountingAntiFreeze designing(true);
        FAIL() << "no exception";
    } catch (const EIdException& e) {
        EXPECT_STREQ(e.what(), "Only one TIdAntiFreeze can exist per application.");
    }
    EXPECT_EQ(TIdAntiFreezeBase::RegisteredAntiFreeze, &running);
}

TEST(AntiFreeze, IsInUseOnlyOnTheMainThreadWhileActive) {
    EXPECT_FALSE(TIdAntiFreezeBase::AntiFreezeInUse());
    CountingAntiFreeze antiFreeze;
    EXPECT_TRUE(TIdAntiFreezeBase::AntiFreezeInUse());
    bool onWorker = true;
    std::thread([&] { onWorker = TIdAntiFreezeBase::AntiFreezeInUse(); }).join();
    EXPECT_FALSE(onWorker);
    antiFreeze.Active = false;
    EXPECT_FALSE(TIdAntiFreezeBase::AntiFreezeInUse());
}

TEST(AntiFreeze, TurnsRunWhenIdleOrOverriddenOrNotOnlyWhenIdle) {
    CountingAntiFreeze antiFreeze;
    TIdAntiFreezeBase::AntiFreezeTurn(false, false);
    EXPECT_EQ(antiFreeze.turns, 0);
    TIdAntiFreezeBase::AntiFreezeTurn(true, false);
    EXPECT_EQ(antiFreeze.turns, 1);
    TIdAntiFreezeBase::AntiFreezeTurn(false, true);
    EXPECT_EQ(antiFreeze.turns, 2);
    antiFreeze.OnlyWhenIdle = false;
    TIdAntiFreezeBase::AntiFreezeTurn(false, false);
    EXPECT_EQ(antiFreeze.turns, 3);
    antiFreeze.Active = false;
    TIdAntiFreezeBase::AntiFreezeTurn(true, true);
    EXPECT_EQ(antiFreeze.turns, 3);
}

TEST(AntiFreeze, AWaitOnTheMainThreadIsCutIntoIdlePieces) {
    LoopbackPeer peer;
    TIdSocketHandle handle;
    handle.OpenSocket();
    handle.AssignPeer("127.0.0.1", peer.Port());
    CheckSocketResult(handle.ConnectPeer());
    ASSERT_TRUE(peer.AcceptOne());

    CountingAntiFreeze antiFreeze;
    antiFreeze.IdleTimeOut = 20;
    // 80 ms in pieces of 20: four idle turns, and no data.
    EXPECT_FALSE(handle.WaitReadable(80));
    EXPECT_EQ(antiFreeze.turns, 4);

    // A worker thread waits in one piece and never runs the GUI's work.
    antiFreeze.turns = 0;
    bool readable = true;
    std::thread([&] { readable = handle.WaitReadable(80); }).join();
    EXPECT_FALSE(readable);
    EXPECT_EQ(antiFreeze.turns, 0);

    // Data ends the wait at the first piece; a readable wait is not idle.
    ASSERT_TRUE(peer.Send("x"));
    antiFreeze.turns = 0;
    ASSERT_TRUE(handle.WaitReadable(static_cast<int32_t>(DefaultWait.count())));
    EXPECT_EQ(antiFreeze.turns, 0);
}
