// The base of every network component: status and progress notifications, and
// membership in the count of live components that keeps the shared stack alive.
#pragma once

#include "core/scope_guard.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

enum class TIdStatus {
    hsResolving,
    hsConnecting,
    hsConnected,
    hsDisconnecting,
    hsDisconnected,
    hsStatusText,
    ftpTransfer,
    ftpReady,
    ftpAborted
};

enum class TWorkMode { wmRead = 0, wmWrite = 1 };

class TIdComponent;

using TIdStatusEvent =
    std::function<void(TIdComponent* ASender, TIdStatus AStatus, const std::string& AStatusText)>;
using TWorkBeginEvent =
    std::function<void(TIdComponent* Sender, TWorkMode AWorkMode, int32_t AWorkCountMax)>;
using TWorkEvent =
    std::function<void(TIdComponent* Sender, TWorkMode AWorkMode, int32_t AWorkCount)>;
using TWorkEndEvent = std::function<void(TIdComponent* Sender, TWorkMode AWorkMode)>;

// The common root: components that reference others register here to hear of
// their destruction, so a reference never outlives its object.
class TIdBaseComponent {
public:
    TIdBaseComponent() = default;
    virtual ~TIdBaseComponent();
    TIdBaseComponent(const TIdBaseComponent&) = delete;
    TIdBaseComponent& operator=(const TIdBaseComponent&) = delete;

    // `listener` gets Notification(this) when this component is destroyed.
    void FreeNotification(TIdBaseComponent* listener);
    void RemoveFreeNotification(TIdBaseComponent* listener);

protected:
    virtual void Notification(TIdBaseComponent* destroyed);

private:
    std::vector<TIdBaseComponent*> FListeners;
    std::vector<TIdBaseComponent*> FWatched;
};

struct TIdWorkProgress {
    int32_t Position = 0;
    int32_t Maximum = 0;
    int32_t Depth = 0;
};

class TIdComponent : public TIdBaseComponent {
public:
    TIdComponent();
    ~TIdComponent() override;

    TIdStatusEvent OnStatus;
    TWorkEvent OnWork;
    TWorkBeginEvent OnWorkBegin;
    TWorkEndEvent OnWorkEnd;

    virtual void StartWork(TWorkMode mode, int32_t expected);
    virtual void ReportWork(TWorkMode mode, int32_t count);
    virtual void FinishWork(TWorkMode mode);
    const TIdWorkProgress& WorkState(TWorkMode mode) const { return FWork[static_cast<int>(mode)]; }

    void RaiseStatus(TIdStatus status, std::initializer_list<std::string_view> args = {});

private:
    TIdWorkProgress FWork[2];
};

// One unit of progress on a component: StartWork when it is made, FinishWork
// when it goes out of scope, whichever way the work ends.
class TIdWorkUnit {
public:
    TIdWorkUnit(TIdComponent& component, TWorkMode mode, int32_t expected)
        : FFinish(Finish{component, mode}) {
        component.StartWork(mode, expected);
    }

private:
    struct Finish {
        TIdComponent& component;
        TWorkMode mode;
        void operator()() const { component.FinishWork(mode); }
    };
    // Made before StartWork runs: a begin handler that fails after the depth
    // was counted is balanced as well.
    TScopeExit<Finish> FFinish;
};

// Lets a GUI stay responsive while its main thread waits in a network call. No
// concrete one exists in this program; the network code only calls the hooks.
class TIdAntiFreezeBase : public TIdBaseComponent {
public:
    // `designing`: made inside a settings editor rather than at run time.
    explicit TIdAntiFreezeBase(bool designing = false);
    ~TIdAntiFreezeBase() override;

    bool Active = true;
    bool ApplicationHasPriority = true;
    int32_t IdleTimeOut = 250;
    bool OnlyWhenIdle = true;

    virtual void ProcessPending() = 0;

    static inline std::atomic<TIdAntiFreezeBase*> RegisteredAntiFreeze{nullptr};
    static bool AntiFreezeInUse();
    static void AntiFreezeTurn(bool idle, bool override);
};
