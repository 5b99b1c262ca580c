#include "data_peer.h"

#include "support/deadline.h"

#include <chrono>
#include <exception>
#include <sstream>
#include <vector>

DataPeer::~DataPeer() {
    Join();
}

void DataPeer::Join() {
    if (FThread.joinable())
        FThread.join();
}

std::string DataPeer::PasvReply(bool parentheses) const {
    const int port = FListener.Port();
    const std::string address =
        "127,0,0,1," + std::to_string(port / 256) + "," + std::to_string(port % 256);
    return parentheses ? "227 Entering Passive Mode (" + address + ")."
                       : "227 Entering Passive Mode " + address;
}

void DataPeer::Fail(const std::string& problem) {
    std::lock_guard<std::mutex> hold(FMutex);
    if (FProblem.empty())
        FProblem = problem;
}

std::string DataPeer::Problem() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FProblem;
}

std::string DataPeer::PortArguments() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FPortArguments;
}

void DataPeer::ServePassive(Action action) {
    FThread = std::thread([this, action = std::move(action)] {
        if (!FListener.AcceptOne()) {
            Fail("the client did not connect to the passive port");
            return;
        }
        FServed = true;
        action(FListener.Connection());
    });
}

void DataPeer::ServeActive(FakeFtpServer& server, Action action) {
    FThread = std::thread([this, &server, action = std::move(action)] {
        const auto deadline = SupportClock::now() + DefaultWait;
        std::string arguments;
        while (arguments.empty() && SupportClock::now() < deadline) {
            for (const std::string& command : server.Commands())
                if (command.rfind("PORT ", 0) == 0)
                    arguments = command.substr(5);
            if (arguments.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (arguments.empty()) {
            Fail("no PORT command arrived");
            return;
        }
        {
            std::lock_guard<std::mutex> hold(FMutex);
            FPortArguments = arguments;
        }
        std::vector<int> parts;
        std::stringstream fields(arguments);
        for (std::string field; std::getline(fields, field, ',');)
            parts.push_back(std::stoi(field));
        if (parts.size() != 6 || parts[0] != 127 || parts[1] != 0 || parts[2] != 0 ||
            parts[3] != 1) {
            // Only loopback traffic, ever: anything else is a failure, not a target.
            Fail("PORT does not name 127.0.0.1: " + arguments);
            return;
        }
        FAnnouncedPort = parts[4] * 256 + parts[5];
        try {
            RawConnection connection = RawConnection::Connect(FAnnouncedPort);
            FServed = true;
            action(connection);
        } catch (const std::exception& error) {
            Fail(std::string("connect to the announced port failed: ") + error.what());
        }
    });
}

DataPeer::Action SendAndClose(std::string bytes) {
    return [bytes = std::move(bytes)](RawConnection& connection) {
        connection.Send(bytes);
        connection.Close();
    };
}

DataPeer::Action ReceiveUntilClose(std::string& received) {
    return [&received](RawConnection& connection) {
        received = connection.ReadUntilClose();
        connection.Close();
    };
}
