// Cleanup by scope: a callable run when the guard goes out of scope, on the
// normal path and while an exception unwinds, so that an undo stands once,
// next to what it undoes.
//
//   TIdSimpleServer& listener = ...;
//   const TScopeExit destroy([&] { DestroyDataConnection(); });
#pragma once

#include <exception>
#include <utility>

// When the guard's action runs: on every exit, or only on one by exception.
enum class TScopeRun { Always, OnFailure };

template <TScopeRun When, typename F> class TScopeGuard {
public:
    explicit TScopeGuard(F action) : FAction(std::move(action)) {}
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;

    // On the normal path a failing cleanup reports its own exception, as code
    // written after the guarded block would. While another exception unwinds,
    // that one is the failure to report: the cleanup's own is dropped, since a
    // second exception would end the program.
    ~TScopeGuard() noexcept(When == TScopeRun::OnFailure) {
        const bool unwinding = std::uncaught_exceptions() != FUnwinding;
        if (!unwinding) {
            if constexpr (When == TScopeRun::Always)
                FAction();
            return;
        }
        try {
            FAction();
        } catch (...) {
        }
    }

private:
    F FAction;
    int FUnwinding = std::uncaught_exceptions();
};

// A callable run on every exit from the scope.
template <typename F> class TScopeExit : public TScopeGuard<TScopeRun::Always, F> {
public:
    using TScopeGuard<TScopeRun::Always, F>::TScopeGuard;
};
template <typename F> TScopeExit(F) -> TScopeExit<F>;

// A callable run only when the scope is left by an exception.
template <typename F> class TScopeFail : public TScopeGuard<TScopeRun::OnFailure, F> {
public:
    using TScopeGuard<TScopeRun::OnFailure, F>::TScopeGuard;
};
template <typename F> TScopeFail(F) -> TScopeFail<F>;
