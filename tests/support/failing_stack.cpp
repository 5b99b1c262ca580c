#include "support/failing_stack.h"

namespace {

class TFailingStackPosix : public TIdStackPosix {
public:
    explicit TFailingStackPosix(std::shared_ptr<FailingStack::Plan> plan)
        : FPlan(std::move(plan)) {}

    int64_t SockSend(TIdStackSocketHandle socket, const void* buffer, int64_t length,
                     int flags) override {
        if (Due(FailingStack::Call::Send, FPlan->Sends))
            return Fail();
        return TIdStackPosix::SockSend(socket, buffer, length, flags);
    }

    int64_t SockReceive(TIdStackSocketHandle socket, void* buffer, int64_t length,
                        int flags) override {
        if (Due(FailingStack::Call::Receive, FPlan->Receives))
            return Fail();
        return TIdStackPosix::SockReceive(socket, buffer, length, flags);
    }

private:
    bool Due(FailingStack::Call call, std::atomic<int>& count) const {
        const int made = ++count;
        return call == FPlan->FailingCall && made == FPlan->Nth;
    }
    int64_t Fail() const {
        RecordError(FPlan->Code);
        return Id_SOCKET_ERROR;
    }

    std::shared_ptr<FailingStack::Plan> FPlan;
};

std::shared_ptr<FailingStack::Plan> MakePlan(FailingStack::Call call, int nth, int32_t code) {
    auto plan = std::make_shared<FailingStack::Plan>();
    plan->FailingCall = call;
    plan->Nth = nth;
    plan->Code = code;
    return plan;
}

} // namespace

FailingStack::FailingStack(Call call, int nth, int32_t code)
    : FPlan(MakePlan(call, nth, code)),
      FInstalled([plan = FPlan] { return std::make_unique<TFailingStackPosix>(plan); }) {}

int FailingStack::Calls(Call call) const {
    return call == Call::Send ? FPlan->Sends.load() : FPlan->Receives.load();
}
