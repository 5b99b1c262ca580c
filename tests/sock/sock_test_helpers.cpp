#include "sock_test_helpers.h"

#include "support/loopback_peer.h"

#include <arpa/inet.h>
#include <mutex>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

HeldPort::HeldPort(int port) {
    FFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in sin{};
    sin.sin_family = AF_INET;
    sin.sin_addr.s_addr = htonl(INADDR_ANY);
    sin.sin_port = htons(static_cast<uint16_t>(port));
    if (FFd >= 0 && ::bind(FFd, reinterpret_cast<sockaddr*>(&sin), sizeof sin) != 0) {
        ::close(FFd);
        FFd = -1;
    }
}

HeldPort::~HeldPort() {
    if (FFd >= 0)
        ::close(FFd);
}

int FindFreePortRun(int count) {
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> start(61000, 65535 - count);
    for (int attempt = 0; attempt < 50; ++attempt) {
        const int first = start(random);
        std::vector<std::unique_ptr<HeldPort>> probes;
        bool free = true;
        for (int p = first; p < first + count && free; ++p) {
            probes.push_back(std::make_unique<HeldPort>(p));
            free = probes.back()->Held();
        }
        if (free)
            return first;
    }
    return 0;
}

int ClosedLoopbackPort() {
    LoopbackPeer peer;
    return peer.Port();
}
