#include "real_proxies.h"

#include "core/streams.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr std::chrono::seconds StartWithin{15};
// A port found free may be taken before the proxy binds it: try again.
constexpr int StartAttempts = 3;

std::unique_ptr<ProxyProcess> StartListening(const std::vector<std::string>& argv,
                                             const std::string& log, int port) {
    auto process = std::make_unique<ProxyProcess>(argv, log);
    if (!process->WaitUntilListening(port, StartWithin))
        return nullptr;
    return process;
}

std::string DanteConfig(const std::string& log, int port, int blockedPort) {
    const std::string rules = "    log: connect error\n";
    return "logoutput: " + log + "\n" + "internal: 127.0.0.1 port = " + std::to_string(port) +
           "\n" +
           "external: 127.0.0.1\n"
           "clientmethod: none\n"
           "socksmethod: none\n"
           "client pass {\n"
           "    from: 127.0.0.0/8 to: 0.0.0.0/0\n"
           "}\n"
           "socks block {\n"
           "    from: 0.0.0.0/0 to: 127.0.0.1/32 port = " +
           std::to_string(blockedPort) + "\n" + rules +
           "}\n"
           "socks pass {\n"
           "    from: 127.0.0.0/8 to: 0.0.0.0/0\n" +
           rules + "}\n";
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

} // namespace

Microsocks::Microsocks(const std::string& user, const std::string& password) {
    for (int attempt = 0; attempt < StartAttempts && !FProcess; ++attempt) {
        FPort = FreeLoopbackPort();
        std::vector<std::string> argv = {"/usr/bin/microsocks", "-i", "127.0.0.1", "-p",
                                         std::to_string(FPort)};
        if (!user.empty())
            argv.insert(argv.end(), {"-u", user, "-P", password});
        FProcess = StartListening(argv, "", FPort);
    }
    if (!FProcess)
        throw std::runtime_error("microsocks did not start listening");
}

Dante::Dante(int blockedPort) {
    for (int attempt = 0; attempt < StartAttempts && !FProcess; ++attempt) {
        FPort = FreeLoopbackPort();
        WriteFileBytes(FDir.File("danted.conf"),
                       DanteConfig(FDir.File("danted.log"), FPort, blockedPort));
        // The pid file goes to our directory, not to /run.
        FProcess = StartListening(
            {"/usr/sbin/danted", "-f", FDir.File("danted.conf"), "-p", FDir.File("danted.pid")},
            FDir.File("danted.out"), FPort);
    }
    if (!FProcess)
        throw std::runtime_error("danted did not start listening:\n" + Log());
}

std::string Dante::Log() const {
    std::string text;
    for (const char* name : {"danted.out", "danted.log"}) {
        try {
            text += ReadFileBytes(FDir.File(name));
        } catch (const std::runtime_error&) {
            // Not written (yet).
        }
    }
    return text;
}

bool Dante::WaitForConnectsPassed(int count, std::chrono::milliseconds within) const {
    // Each line is written by the proxy's own helper process, a little after
    // the connection it tells of.
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (ConnectsPassed() < count) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

int Dante::ConnectsPassed() const {
    const std::string log = Log();
    int count = 0;
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos)
            end = log.size();
        const std::string line = log.substr(start, end - start);
        if (line.find("pass(") != std::string::npos &&
            line.find("tcp/connect [") != std::string::npos)
            ++count;
        start = end + 1;
    }
    return count;
}

const std::string FtpBehindSocks::FileName = "notes.bin";

const std::string& FtpBehindSocks::FileContent() {
    static const std::string content = Pattern(300000);
    return content;
}

FtpBehindSocks::FtpBehindSocks(TSocksVersion version, int proxyPort) {
    WriteFileBytes(Server.RootFile(FileName), FileContent());
    Socks().Version = version;
    Socks().Host = "127.0.0.1";
    Socks().Port = proxyPort;
    Client.SetIOHandler(&Handler);
    Client.Port = Server.Port();
    Client.Username = PyFtpdServer::User;
    Client.Password = PyFtpdServer::Password;
    Client.Passive = true;
}

void FtpBehindSocks::RunSession(const std::string& controlHost) {
    Client.Host = controlHost;
    Client.ConnectServer(true);
    EXPECT_EQ(Client.LoginReply().NumericCode(), 230);
    // The control connection goes to the proxy.
    EXPECT_EQ(Handler.SocketHandle()->RemotePort, Socks().Port);

    Client.ListDirectory(nullptr, "", true);
    TIdFTPListItems& entries = Client.DirectoryEntries();
    ASSERT_EQ(entries.Count(), 1);
    EXPECT_EQ(entries.Items(0).EntryName, FileName);
    EXPECT_EQ(entries.Items(0).EntrySize, static_cast<int64_t>(FileContent().size()));

    TMemoryStream fetched;
    Client.RetrieveStream(FileName, fetched, false);
    EXPECT_TRUE(fetched.ToString() == FileContent()) << "retrieved bytes differ";

    fetched.SetPosition(0);
    Client.StoreStream(fetched, "copy.bin", false);
    Client.SignOff();
    EXPECT_TRUE(ReadFileBytes(Server.RootFile("copy.bin")) == FileContent())
        << "stored bytes differ";
}
