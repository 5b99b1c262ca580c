// A TCP client whose socket handler goes through a scripted SOCKS proxy, and
// checks of the exact refusal class and message.
#pragma once

#include "core/exceptions.h"
#include "net/io_handler.h"
#include "net/tcp_client.h"
#include "scripted_socks_proxy.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>

struct ThroughProxy {
    ScriptedSocksProxy Proxy;
    TIdIOHandlerSocket Handler;
    TIdTCPClient Client;

    explicit ThroughProxy(TSocksVersion version) {
        TIdSocksInfo& socks = Settings();
        socks.Version = version;
        socks.Host = "127.0.0.1";
        socks.Port = Proxy.Port();
        Client.SetIOHandler(&Handler);
    }

    TIdSocksInfo& Settings() { return *Handler.SocksInfo(); }

    void ConnectTo(const std::string& host, int32_t port) {
        Client.Host = host;
        Client.Port = port;
        Client.ConnectToHost();
    }
};

// One refusal: the exact class (not only the group) and its message.
struct Refusal {
    int Code;
    bool (*Exactly)(const std::exception&);
    const char* ClassName;
    const char* Message;
};

template <typename E> bool IsExactly(const std::exception& e) {
    return typeid(e) == typeid(E);
}

#define SOCKS_REFUSAL(code, E, message)                                                            \
    Refusal {                                                                                      \
        code, &IsExactly<E>, #E, message                                                           \
    }

inline void ExpectRefusal(const std::function<void()>& act, const Refusal& expected) {
    try {
        act();
        ADD_FAILURE() << "no exception, expected " << expected.ClassName;
    } catch (const EIdSocksError& e) {
        EXPECT_TRUE(expected.Exactly(e))
            << "expected " << expected.ClassName << ", got " << typeid(e).name();
        EXPECT_STREQ(e.what(), expected.Message);
    }
}

inline const Refusal NoResponse =
    SOCKS_REFUSAL(0, EIdSocksServerRespondError, "Socks server did not respond.");
