// The window's FTP client: a TIdFTP that the window can wake from its own
// thread when it closes while a worker's transfer is blocked on the network.
#pragma once

#include "ftp/ftp_client.h"

class TWindowFtpClient : public TIdFTP {
public:
    // Safe from another thread while a transfer runs: shuts the data
    // connection (or the listener still waiting for the server) and the
    // control connection down, so the transfer ends with an error. Nothing is
    // sent; the connection is unusable afterwards.
    void InterruptTransfers() {
        CloseDataConnection();
        InterruptTransport();
    }
};
