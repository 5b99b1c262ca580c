#include "active_data_peer.h"

#include "support/raw_connection.h"

#include <cstdio>

ActiveDataPeer::ActiveDataPeer(FakeFtpServer& server, std::vector<std::string> listings)
    : FServer(server), FListings(std::move(listings)), FThread([this] { Run(); }) {}

ActiveDataPeer::~ActiveDataPeer() {
    FStop = true;
    FThread.join();
}

int ActiveDataPeer::PortOf(const std::string& command) {
    int h[4], p1 = 0, p2 = 0;
    if (std::sscanf(command.c_str(), "PORT %d,%d,%d,%d,%d,%d", &h[0], &h[1], &h[2], &h[3], &p1,
                    &p2) != 6)
        return 0;
    return p1 * 256 + p2;
}

void ActiveDataPeer::Run() {
    size_t seen = 0;
    int lastPort = 0;
    for (const std::string& listing : FListings) {
        int port = 0;
        const auto deadline = SupportClock::now() + DefaultWait;
        while (port == 0 && !FStop && SupportClock::now() < deadline) {
            const std::vector<std::string> commands = FServer.Commands();
            for (; seen < commands.size() && port == 0; ++seen) {
                if (commands[seen].rfind("PORT ", 0) == 0)
                    lastPort = PortOf(commands[seen]);
                else if (commands[seen].rfind("LIST", 0) == 0 ||
                         commands[seen].rfind("RETR ", 0) == 0)
                    port = lastPort;
            }
            if (port == 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (port == 0)
            return;
        try {
            RawConnection data = RawConnection::Connect(port);
            data.Send(listing);
            data.Close();
            ++FDelivered;
        } catch (const std::exception&) {
            return;
        }
    }
}
