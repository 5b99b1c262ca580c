#include "support/proftpd_server.h"

#include "support/deadline.h"
#include "support/raw_socket.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

// MD5-crypt of the password ("secret"), as an AuthUserFile line wants it.
constexpr const char* PasswordHash = "$1$scrivlet$1yuXeQo7wrCrY5y1MxGeW0";

std::string Program() {
    return ProftpdServer::Tree() + "/usr/sbin/proftpd";
}

// The unpacked libraries proftpd links that the system does not have.
std::string LibraryPath() {
    return ProftpdServer::Tree() + "/usr/lib/" SCRIVLET_LIBRARY_ARCHITECTURE;
}

std::string ReadOrEmpty(const std::string& path) {
    try {
        return ReadFileBytes(path);
    } catch (...) {
        return {};
    }
}

} // namespace

std::string ProftpdServer::Tree() {
    return SCRIVLET_PROFTPD_TREE;
}

bool ProftpdServer::Available() {
    return ::access(Program().c_str(), X_OK) == 0 &&
           ::access((Tree() + "/complete").c_str(), F_OK) == 0;
}

ProftpdServer::ProftpdServer(const TestCertificates::Pair& certificate) {
    WriteFileBytes(FDir.File("root/up/.keep"), "");
    ::chmod(FDir.Path().c_str(), 0755);
    FPort = FreeLoopbackPort();
    const std::string config = WriteConfig(certificate);
    const int output =
        ::open(FDir.File("output.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (output < 0)
        throw std::runtime_error("proftpd: cannot write its output file");
    try {
        // -n: in the foreground, so the process stopped at the end is the server.
        FProcess = std::make_unique<ChildProcessGroup>(
            std::vector<std::string>{"/usr/bin/env", "LD_LIBRARY_PATH=" + LibraryPath(), Program(),
                                     "-n", "-c", config},
            output, output);
    } catch (...) {
        ::close(output);
        throw;
    }
    ::close(output);
    const auto deadline = SupportClock::now() + DefaultWait;
    while (!LoopbackAccepts(FPort)) {
        if (SupportClock::now() >= deadline || FProcess->HasEnded()) {
            FProcess.reset();
            throw std::runtime_error("proftpd did not start:\n" + Log());
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ProftpdServer::~ProftpdServer() = default;

std::string ProftpdServer::WriteConfig(const TestCertificates::Pair& certificate) const {
    const bool root = ::geteuid() == 0;
    const passwd* account = ::getpwuid(::geteuid());
    const group* accountGroup = ::getgrgid(::getegid());
    if (account == nullptr || accountGroup == nullptr)
        throw std::runtime_error("proftpd: the current user has no name");
    const std::string ids = std::to_string(::geteuid()) + ":" + std::to_string(::getegid());
    // The login's account file; proftpd refuses one that others may read.
    WriteFileBytes(FDir.File("passwd"), User() + ":" + PasswordHash + ":" + ids +
                                            "::" + FDir.File("root") + ":/bin/sh\n");
    WriteFileBytes(FDir.File("group"), User() + ":x:" + std::to_string(::getegid()) + ":\n");
    ::chmod(FDir.File("passwd").c_str(), 0600);
    ::chmod(FDir.File("group").c_str(), 0600);

    const std::string config = FDir.File("proftpd.conf");
    WriteFileBytes(
        config,
        "ServerType standalone\nServerName \"Scrivlet test\"\nDefaultAddress 127.0.0.1\n"
        "Port " +
            std::to_string(FPort) +
            "\nUseIPv6 off\nUseReverseDNS off\n"
            "User " +
            account->pw_name + "\nGroup " + accountGroup->gr_name +
            "\n"
            "PidFile " +
            FDir.File("proftpd.pid") + "\nScoreboardFile " + FDir.File("scoreboard") +
            "\nDelayTable none\nWtmpLog off\nControlsEngine off\nTransferLog none\n"
            "SystemLog " +
            FDir.File("system.log") +
            "\n"
            "AuthOrder mod_auth_file.c\nAuthPAM off\nRequireValidShell off\n"
            "AuthUserFile " +
            FDir.File("passwd") + "\nAuthGroupFile " + FDir.File("group") + "\n" +
            // Only root can jail a session; as root the login's ids are root's.
            (root ? "RootLogin on\nDefaultRoot ~\n" : "") + "ModulePath " + Tree() +
            "/usr/lib/proftpd\n"
            "ModuleControlsACLs insmod,rmmod allow user root\nLoadModule mod_tls.c\n"
            "TLSEngine on\nTLSRequired on\nTLSProtocol TLSv1.2 TLSv1.3\nTLSVerifyClient off\n"
            "TLSECCertificateFile " +
            certificate.Certificate +
            "\n"
            "TLSECCertificateKeyFile " +
            certificate.Key +
            "\n"
            "TLSLog " +
            FDir.File("tls.log") +
            "\n"
            "<Directory />\n  AllowOverwrite on\n</Directory>\n");
    return config;
}

std::string ProftpdServer::RootFile(const std::string& relative) const {
    return FDir.File("root/" + relative);
}

std::string ProftpdServer::Log() const {
    return ReadOrEmpty(FDir.File("output.log")) + ReadOrEmpty(FDir.File("system.log")) +
           ReadOrEmpty(FDir.File("tls.log"));
}
