// A client logged in to a real pyftpdlib server on loopback, in the data
// connection mode of the test's parameter, with its FTP status texts recorded.
#pragma once

#include "ftp/ftp_client.h"
#include "support/pyftpd_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct ServerFixture : ::testing::TestWithParam<bool> {
    PyFtpdServer Server;
    TempDir Local;
    TIdFTP Client;
    std::vector<std::string> Status;

    ServerFixture() {
        Client.Host = "127.0.0.1";
        Client.Port = Server.Port();
        Client.Username = PyFtpdServer::User;
        Client.Password = PyFtpdServer::Password;
        Client.Passive = GetParam();
        // A server that stops answering fails the test instead of hanging it.
        Client.ReadTimeout = 60000;
        Client.AcceptTimeout = 20000;
        Client.OnStatus = [this](TIdComponent*, TIdStatus status, const std::string& text) {
            if (status == TIdStatus::ftpTransfer || status == TIdStatus::ftpReady ||
                status == TIdStatus::ftpAborted)
                Status.push_back(text);
        };
        Client.ConnectServer(true);
    }
    ~ServerFixture() override { Client.SignOff(); }

    static std::string ModeName(const ::testing::TestParamInfo<bool>& info) {
        return info.param ? "Passive" : "Active";
    }
};
