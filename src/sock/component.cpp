#include "sock/component.h"

#include "core/exceptions.h"
#include "core/text.h"
#include "sock/stack.h"

#include <algorithm>

namespace {

TIdMsg StatusPattern(TIdStatus status) {
    switch (status) {
    case TIdStatus::hsResolving: return TIdMsg::StatusResolving;
    case TIdStatus::hsConnecting: return TIdMsg::StatusConnecting;
    case TIdStatus::hsConnected: return TIdMsg::StatusConnected;
    case TIdStatus::hsDisconnecting: return TIdMsg::StatusDisconnecting;
    case TIdStatus::hsDisconnected: return TIdMsg::StatusDisconnected;
    case TIdStatus::hsStatusText:
    case TIdStatus::ftpTransfer:
    case TIdStatus::ftpReady:
    case TIdStatus::ftpAborted: return TIdMsg::StatusText;
    }
    return TIdMsg::StatusText;
}

} // namespace

// --- TIdBaseComponent ---

TIdBaseComponent::~TIdBaseComponent() {
    // Tell those that reference us; stop hearing from those we reference.
    const auto listeners = FListeners;
    for (TIdBaseComponent* listener : listeners) {
        auto& watched = listener->FWatched;
        watched.erase(std::remove(watched.begin(), watched.end(), this), watched.end());
        listener->Notification(this);
    }
    for (TIdBaseComponent* watched : FWatched) {
        auto& list = watched->FListeners;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

void TIdBaseComponent::FreeNotification(TIdBaseComponent* listener) {
    if (listener == nullptr || listener == this)
        return;
    if (std::find(FListeners.begin(), FListeners.end(), listener) == FListeners.end()) {
        FListeners.push_back(listener);
        listener->FWatched.push_back(this);
    }
}

void TIdBaseComponent::RemoveFreeNotification(TIdBaseComponent* listener) {
    FListeners.erase(std::remove(FListeners.begin(), FListeners.end(), listener), FListeners.end());
    if (listener != nullptr) {
        auto& watched = listener->FWatched;
        watched.erase(std::remove(watched.begin(), watched.end(), this), watched.end());
    }
}

void TIdBaseComponent::Notification(TIdBaseComponent*) {}

// --- TIdComponent ---

TIdComponent::TIdComponent() {
    AddStackUser();
}

TIdComponent::~TIdComponent() {
    RemoveStackUser();
}

void TIdComponent::RaiseStatus(TIdStatus status, std::initializer_list<std::string_view> args) {
    if (!OnStatus)
        return;
    const std::string text = FormatMsg(StatusPattern(status), args);
    OnStatus(this, status, text);
}

void TIdComponent::StartWork(TWorkMode mode, int32_t expected) {
    TIdWorkProgress& work = FWork[static_cast<int>(mode)];
    if (++work.Depth == 1) {
        work.Maximum = expected;
        work.Position = 0;
        if (OnWorkBegin)
            OnWorkBegin(this, mode, expected);
    }
}

void TIdComponent::ReportWork(TWorkMode mode, int32_t count) {
    TIdWorkProgress& work = FWork[static_cast<int>(mode)];
    if (work.Depth < 1)
        return;
    // The running total is 32-bit; it wraps like the platform's integers.
    work.Position =
        static_cast<int32_t>(static_cast<uint32_t>(work.Position) + static_cast<uint32_t>(count));
    if (OnWork)
        OnWork(this, mode, work.Position);
}

void TIdComponent::FinishWork(TWorkMode mode) {
    TIdWorkProgress& work = FWork[static_cast<int>(mode)];
    if (work.Depth == 1 && OnWorkEnd)
        OnWorkEnd(this, mode);
    --work.Depth;
}

// --- TIdAntiFreezeBase ---

TIdAntiFreezeBase::TIdAntiFreezeBase(bool designing) {
    if (!designing) {
        RegisteredAntiFreeze = this;
    } else if (RegisteredAntiFreeze != nullptr) {
        throw EIdException(TIdMsg::OnlyOneAntiFreeze);
    }
}

TIdAntiFreezeBase::~TIdAntiFreezeBase() {
    RegisteredAntiFreeze = nullptr;
}

bool TIdAntiFreezeBase::AntiFreezeInUse() {
    TIdAntiFreezeBase* antiFreeze = RegisteredAntiFreeze;
    return antiFreeze != nullptr && IsMainThread() && antiFreeze->Active;
}

void TIdAntiFreezeBase::AntiFreezeTurn(bool idle, bool override) {
    if (!AntiFreezeInUse())
        return;
    TIdAntiFreezeBase* antiFreeze = RegisteredAntiFreeze;
    if ((idle || override || !antiFreeze->OnlyWhenIdle) && antiFreeze->Active)
        antiFreeze->ProcessPending();
}
