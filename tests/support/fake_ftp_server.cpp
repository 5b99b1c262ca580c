#include "support/fake_ftp_server.h"

#include "support/raw_socket.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

FakeFtpServer::FakeFtpServer() : FakeFtpServer("127.0.0.1") {}

FakeFtpServer::FakeFtpServer(const char* loopbackAddress) {
    FListener = ListenOnLoopback(8, FPort, loopbackAddress);
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        CloseFd(FListener);
        throw std::runtime_error("test peer: pipe2 failed");
    }
    FWakeRead = wake[0];
    FWakeWrite = wake[1];
    FThread = std::thread([this] { Run(); });
}

FakeFtpServer::~FakeFtpServer() {
    {
        std::lock_guard<std::mutex> hold(FMutex);
        FStop = true;
    }
    FChanged.notify_all();
    Wake();
    FThread.join();
    CloseFd(FListener);
    CloseFd(FWakeRead);
    CloseFd(FWakeWrite);
}

// --- Script ---

FakeFtpServer& FakeFtpServer::Greeting(std::string bytes) {
    std::lock_guard<std::mutex> hold(FMutex);
    FGreeting = std::move(bytes);
    return *this;
}

FakeFtpServer& FakeFtpServer::Add(Action action, std::string bytes) {
    std::lock_guard<std::mutex> hold(FMutex);
    FScript.push_back(Step{action, std::move(bytes)});
    return *this;
}

FakeFtpServer& FakeFtpServer::Reply(std::string_view line) {
    return Add(Action::Reply, std::string(line) + "\r\n");
}

FakeFtpServer& FakeFtpServer::ReplyRaw(std::string bytes) {
    return Add(Action::Reply, std::move(bytes));
}

FakeFtpServer& FakeFtpServer::ReplyAndClose(std::string_view line) {
    return Add(Action::ReplyAndClose, std::string(line) + "\r\n");
}

FakeFtpServer& FakeFtpServer::CloseWithoutReply() {
    return Add(Action::CloseWithoutReply, {});
}

FakeFtpServer& FakeFtpServer::NoReply() {
    return Add(Action::NoReply, {});
}

FakeFtpServer& FakeFtpServer::ReplyAfter(std::chrono::milliseconds delay, std::string_view line) {
    std::lock_guard<std::mutex> hold(FMutex);
    FScript.push_back(Step{Action::ReplyLater, std::string(line) + "\r\n", delay});
    return *this;
}

FakeFtpServer& FakeFtpServer::FeatAnswer(std::string bytes) {
    std::lock_guard<std::mutex> hold(FMutex);
    FFeatAnswer = std::move(bytes);
    return *this;
}

// --- Observation ---

std::vector<std::string> FakeFtpServer::Commands() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FCommands;
}

std::string FakeFtpServer::RawReceived() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FRaw;
}

size_t FakeFtpServer::PendingReplies() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FScript.size();
}

int FakeFtpServer::Connections() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FAccepted;
}

bool FakeFtpServer::WaitForCommands(size_t count, std::chrono::milliseconds within) {
    std::unique_lock<std::mutex> hold(FMutex);
    return FChanged.wait_for(hold, within, [&] { return FCommands.size() >= count; });
}

bool FakeFtpServer::WaitForConnections(int count, std::chrono::milliseconds within) {
    std::unique_lock<std::mutex> hold(FMutex);
    return FChanged.wait_for(hold, within, [&] { return FAccepted >= count; });
}

bool FakeFtpServer::WaitForDisconnect(std::chrono::milliseconds within) {
    std::unique_lock<std::mutex> hold(FMutex);
    return FChanged.wait_for(hold, within, [&] { return FAccepted >= 1 && FEnded == FAccepted; });
}

// --- Acting at a chosen moment ---

bool FakeFtpServer::SendRawNow(std::string_view bytes, std::chrono::milliseconds within) {
    const auto deadline = SupportClock::now() + within;
    {
        std::unique_lock<std::mutex> hold(FMutex);
        if (!FChanged.wait_until(hold, deadline, [&] { return FAccepted > FEnded; }))
            return false;
    }
    std::lock_guard<std::mutex> hold(FClientMutex);
    return FClient >= 0 && SendAll(FClient, bytes, deadline);
}

void FakeFtpServer::CloseClient(std::chrono::milliseconds within) {
    const auto deadline = SupportClock::now() + within;
    int target = 0;
    {
        std::unique_lock<std::mutex> hold(FMutex);
        if (!FChanged.wait_until(hold, deadline, [&] { return FAccepted > FEnded; }))
            return;
        FCloseRequested = true;
        target = FAccepted;
    }
    FChanged.notify_all();
    Wake();
    std::unique_lock<std::mutex> hold(FMutex);
    FChanged.wait_until(hold, deadline, [&] { return FEnded >= target; });
}

// --- Server thread ---

void FakeFtpServer::Wake() {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(FWakeWrite, &byte, 1);
}

void FakeFtpServer::Run() {
    for (;;) {
        // Checked before every wait: Serve() may have drained the wake-up byte.
        {
            std::lock_guard<std::mutex> hold(FMutex);
            if (FStop)
                return;
        }
        pollfd fds[2] = {{FListener, POLLIN, 0}, {FWakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0 && errno != EINTR)
            return;
        if (fds[1].revents != 0) {
            char drain[64];
            while (::read(FWakeRead, drain, sizeof drain) > 0) {
            }
        }
        if ((fds[0].revents & POLLIN) != 0) {
            const int client = ::accept4(FListener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0)
                Serve(client);
        }
    }
}

void FakeFtpServer::SendOnClient(int client, std::string_view bytes) {
    std::lock_guard<std::mutex> hold(FClientMutex);
    SendAll(client, bytes, SupportClock::now() + DefaultWait);
}

void FakeFtpServer::Serve(int client) {
    std::string greeting;
    {
        std::lock_guard<std::mutex> hold(FMutex);
        greeting = FGreeting;
        // A request aimed at an earlier connection that ended on its own.
        FCloseRequested = false;
    }
    {
        std::lock_guard<std::mutex> hold(FClientMutex);
        FClient = client;
    }
    // Sent before the connection counts as accepted, so that bytes a test sends
    // with SendRawNow always come after it.
    if (!greeting.empty())
        SendOnClient(client, greeting);
    {
        std::lock_guard<std::mutex> hold(FMutex);
        ++FAccepted;
    }
    FChanged.notify_all();

    std::string pending;
    bool open = true;
    while (open) {
        pollfd fds[2] = {{client, POLLIN, 0}, {FWakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        if (fds[1].revents != 0) {
            char drain[64];
            while (::read(FWakeRead, drain, sizeof drain) > 0) {
            }
            std::lock_guard<std::mutex> hold(FMutex);
            if (FStop || FCloseRequested) {
                FCloseRequested = false;
                break;
            }
        }
        if (fds[0].revents == 0)
            continue;
        char chunk[16384];
        const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        {
            std::lock_guard<std::mutex> hold(FMutex);
            FRaw.append(chunk, static_cast<size_t>(n));
        }
        pending.append(chunk, static_cast<size_t>(n));
        size_t lf;
        while (open && (lf = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, lf);
            pending.erase(0, lf + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            open = Answer(client, line);
        }
    }

    {
        std::lock_guard<std::mutex> hold(FClientMutex);
        ::close(client);
        FClient = -1;
    }
    {
        std::lock_guard<std::mutex> hold(FMutex);
        ++FEnded;
    }
    FChanged.notify_all();
}

bool FakeFtpServer::Answer(int client, const std::string& line) {
    Step step{Action::Reply, UnscriptedReply};
    {
        std::lock_guard<std::mutex> hold(FMutex);
        FCommands.push_back(line);
        if (line == "FEAT" && !FFeatAnswer.empty()) {
            step.bytes = FFeatAnswer;
        } else if (!FScript.empty()) {
            step = std::move(FScript.front());
            FScript.pop_front();
        }
    }
    FChanged.notify_all();
    switch (step.action) {
    case Action::Reply: SendOnClient(client, step.bytes); return true;
    case Action::ReplyAndClose: SendOnClient(client, step.bytes); return false;
    case Action::CloseWithoutReply: return false;
    case Action::NoReply: return true;
    case Action::ReplyLater: {
        std::unique_lock<std::mutex> hold(FMutex);
        // Woken early only to stop or close.
        if (FChanged.wait_for(hold, step.delay, [&] { return FStop || FCloseRequested; }))
            return false;
        hold.unlock();
        SendOnClient(client, step.bytes);
        return true;
    }
    }
    return true;
}
