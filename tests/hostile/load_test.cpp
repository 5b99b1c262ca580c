// A thousand transfers on one control connection against pyftpdlib, passive
// and active, retrievals and stores mixed: every byte arrives, and the
// process holds no more descriptors at the end than at the start (memory
// leaks are AddressSanitizer's to find).
#include "hostile_fixture.h"
#include "support/pyftpd_server.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string SmallFile(int n) {
    return "small file " + std::to_string(n) + "\n" + std::string(100 + 37 * n, 'a' + n);
}

// Stores go to ten names in turn (every odd transfer is a store).
std::string UploadName(int transfer) {
    return "/up" + std::to_string(transfer / 2 % 10) + ".txt";
}

TEST(Load, ThousandTransfersOnOneControlConnectionKeepTheDescriptorCount) {
    constexpr int Transfers = 1000;
    PyFtpdServer server;
    for (int n = 0; n < 4; ++n)
        WriteFileBytes(server.RootFile("small" + std::to_string(n) + ".txt"), SmallFile(n));
    TIdFTP client;
    client.Host = "127.0.0.1";
    client.Port = server.Port();
    client.Username = PyFtpdServer::User;
    client.Password = PyFtpdServer::Password;
    client.ReadTimeout = 10000;
    client.ConnectServer(true);
    const int descriptors = OpenDescriptors();

    int failures = 0;
    for (int i = 0; i < Transfers && failures < 5; ++i) {
        // Passive retrieve, active store, active retrieve, passive store.
        client.Passive = i % 4 == 0 || i % 4 == 3;
        const bool retrieve = i % 4 < 3 && i % 4 != 1;
        const int n = i % 4;
        try {
            if (retrieve) {
                TMemoryStream stream;
                client.RetrieveStream("/small" + std::to_string(n) + ".txt", stream, false);
                if (stream.ToString() != SmallFile(n)) {
                    ADD_FAILURE() << "transfer " << i << " retrieved other bytes";
                    ++failures;
                }
            } else {
                const std::string text = "upload " + std::to_string(i) + "\n";
                TMemoryStream stream;
                stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
                stream.SetPosition(0);
                client.StoreStream(stream, UploadName(i), false);
            }
        } catch (const std::exception& e) {
            ADD_FAILURE() << "transfer " << i << ": " << e.what();
            ++failures;
        }
        if (i % 100 == 99) {
            EXPECT_EQ(OpenDescriptors(), descriptors) << "after transfer " << i;
        }
    }
    EXPECT_TRUE(client.IsConnected());
    client.SignOff();
    EXPECT_EQ(OpenDescriptors(), descriptors - 1);
    // The last store of each name is on the server, whole.
    for (int i = Transfers - 20; i < Transfers; ++i) {
        if (i % 2 == 1) {
            EXPECT_EQ(ReadFileBytes(server.Root() + UploadName(i)),
                      "upload " + std::to_string(i) + "\n");
        }
    }
}

} // namespace
