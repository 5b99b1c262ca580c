// Cleanup by scope: a callable run when the guard goes out of scope, on the
// normal path and while an exception unwinds, so that an undo stands once,
// next to what it undoes.
//
//   TIdSimpleServer& listener = ...;
//   const TScopeExit destroy([&] { DestroyDataConnection(); });
#pragma once

#include <exception>
#include <utility>

template <typename F> class TScopeExit {
public:
    explicit TScopeExit(F action) : FAction(std::move(action)) {}
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

    // On the normal path a failing cleanup reports its own exception, as code
    // written after the guarded block would. While another exception unwinds,
    // that one is the failure to report: the cleanup's own is dropped, since a
    // second exception would end the program.
    ~TScopeExit() noexcept(false) {
        if (std::uncaught_exceptions() == FUnwinding) {
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

// A callable run only when the scope is left by an exception.
template <typename F> class TScopeFail {
public:
    explicit TScopeFail(F action) : FAction(std::move(action)) {}
    TScopeFail(const TScopeFail&) = delete;
    TScopeFail& operator=(const TScopeFail&) = delete;

    ~TScopeFail() {
        if (std::uncaught_exceptions() == FUnwinding)
            return;
        try {
            FAction();
        } catch (...) {
            // The exception on its way is the failure to report.
        }
    }

private:
    F FAction;
    int FUnwinding = std::uncaught_exceptions();
};
