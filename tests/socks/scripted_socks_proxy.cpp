#include "scripted_socks_proxy.h"

#include "support/raw_socket.h"

#include <algorithm>
#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How long the proxy waits for a client to come at all; a test that never
// connects just lets the destructor stop it earlier.
constexpr std::chrono::seconds AcceptWait{60};
constexpr std::chrono::milliseconds Slice{50};
constexpr std::chrono::milliseconds PauseBetweenBytes{5};

} // namespace

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (int value : values)
        bytes += static_cast<char>(static_cast<unsigned char>(value));
    return bytes;
}

ScriptedSocksProxy::ScriptedSocksProxy() {
    FListener = ListenOnLoopback(4, FPort);
    FThread = std::thread([this] { Run(); });
}

ScriptedSocksProxy::~ScriptedSocksProxy() {
    {
        std::lock_guard<std::mutex> hold(FMutex);
        FStop = true;
    }
    FThread.join();
    CloseFd(FListener);
}

ScriptedSocksProxy& ScriptedSocksProxy::Add(Step step) {
    std::lock_guard<std::mutex> hold(FMutex);
    FScript.push_back(std::move(step));
    return *this;
}

ScriptedSocksProxy& ScriptedSocksProxy::Expect(size_t count) {
    return Add({Action::Expect, count, {}});
}

ScriptedSocksProxy& ScriptedSocksProxy::Answer(std::string bytes) {
    return Add({Action::Answer, 0, std::move(bytes)});
}

ScriptedSocksProxy& ScriptedSocksProxy::AnswerByteByByte(std::string bytes) {
    return Add({Action::AnswerByteByByte, 0, std::move(bytes)});
}

ScriptedSocksProxy& ScriptedSocksProxy::Close() {
    return Add({Action::Close, 0, {}});
}

std::string ScriptedSocksProxy::Received() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FReceived;
}

int ScriptedSocksProxy::Connections() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FConnections;
}

std::string ScriptedSocksProxy::Failure() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FFailure;
}

bool ScriptedSocksProxy::WaitForReceived(size_t count, std::chrono::milliseconds within) {
    std::unique_lock<std::mutex> hold(FMutex);
    return FChanged.wait_for(hold, within, [&] { return FReceived.size() >= count || FEnded; }) &&
           FReceived.size() >= count;
}

bool ScriptedSocksProxy::WaitForEnd(std::chrono::milliseconds within) {
    std::unique_lock<std::mutex> hold(FMutex);
    return FChanged.wait_for(hold, within, [&] { return FEnded; });
}

void ScriptedSocksProxy::Fail(std::string what) {
    std::lock_guard<std::mutex> hold(FMutex);
    if (FFailure.empty())
        FFailure = std::move(what);
}

bool ScriptedSocksProxy::WaitFor(int fd, short events, SupportClock::time_point deadline) const {
    while (SupportClock::now() < deadline) {
        {
            std::lock_guard<std::mutex> hold(FMutex);
            if (FStop)
                return false;
        }
        const auto slice = std::min(deadline, SupportClock::now() + Slice);
        if (WaitForEvents(fd, events, slice) != 0)
            return true;
    }
    return false;
}

bool ScriptedSocksProxy::ReadSome(int client) {
    char chunk[4096];
    ssize_t n = 0;
    do
        n = ::recv(client, chunk, sizeof chunk, MSG_DONTWAIT);
    while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        return true;
    if (n <= 0)
        return false;
    std::lock_guard<std::mutex> hold(FMutex);
    FReceived.append(chunk, static_cast<size_t>(n));
    FChanged.notify_all();
    return true;
}

void ScriptedSocksProxy::Run() {
    if (WaitFor(FListener, POLLIN, SupportClock::now() + AcceptWait)) {
        int client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            {
                std::lock_guard<std::mutex> hold(FMutex);
                ++FConnections;
            }
            Serve(client);
            CloseFd(client);
        }
    }
    std::lock_guard<std::mutex> hold(FMutex);
    FEnded = true;
    FChanged.notify_all();
}

void ScriptedSocksProxy::Serve(int client) {
    const int on = 1;
    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    std::vector<Step> script;
    size_t consumed = 0;
    {
        std::lock_guard<std::mutex> hold(FMutex);
        script = FScript;
    }
    auto receivedCount = [this] {
        std::lock_guard<std::mutex> hold(FMutex);
        return FReceived.size();
    };

    for (const Step& step : script) {
        const auto deadline = SupportClock::now() + DefaultWait;
        switch (step.action) {
        case Action::Expect:
            consumed += step.count;
            while (receivedCount() < consumed) {
                if (!WaitFor(client, POLLIN, deadline) || !ReadSome(client)) {
                    Fail("expected " + std::to_string(consumed) + " bytes in all, got " +
                         std::to_string(receivedCount()));
                    return;
                }
            }
            break;
        case Action::Answer:
            if (!SendAll(client, step.bytes, deadline)) {
                Fail("could not send the answer");
                return;
            }
            break;
        case Action::AnswerByteByByte:
            for (char byte : step.bytes) {
                if (!SendAll(client, std::string_view(&byte, 1), deadline)) {
                    Fail("could not send the answer");
                    return;
                }
                std::this_thread::sleep_for(PauseBetweenBytes);
            }
            break;
        case Action::Close: return;
        }
    }
    // Whatever the client sends through the tunnel is recorded too.
    const auto deadline = SupportClock::now() + DefaultWait;
    while (WaitFor(client, POLLIN, deadline) && ReadSome(client)) {
    }
}
