#include "support/vsftpd_server.h"

#include "support/deadline.h"
#include "support/raw_socket.h"

#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char* Vsftpd = "/usr/sbin/vsftpd";

} // namespace

bool VsftpdServer::Available() {
    return ::access(Vsftpd, X_OK) == 0 && ::geteuid() == 0;
}

VsftpdServer::VsftpdServer(const TestCertificates::Pair& certificate) {
    const std::string root = FDir.File("root");
    WriteFileBytes(root + "/up/.keep", "");
    ::mkdir(FDir.File("empty").c_str(), 0755);
    // vsftpd refuses a chroot it can write to; uploads go one level down.
    ::chmod(FDir.Path().c_str(), 0755);
    ::chmod(root.c_str(), 0555);
    ::chmod((root + "/up").c_str(), 0777);
    FPort = FreeLoopbackPort();
    const std::string config = FDir.File("vsftpd.conf");
    WriteFileBytes(config,
                   "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(FPort) +
                       "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\n"
                       "anon_root=" +
                       root +
                       "\nwrite_enable=YES\nanon_upload_enable=YES\n"
                       "anon_other_write_enable=YES\nanon_umask=022\n"
                       "no_anon_password=YES\nssl_enable=YES\nallow_anon_ssl=YES\n"
                       "force_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                       "require_ssl_reuse=YES\nrsa_cert_file=" +
                       certificate.Certificate + "\nrsa_private_key_file=" + certificate.Key +
                       "\nconnect_from_port_20=NO\nseccomp_sandbox=NO\n"
                       "vsftpd_log_file=" +
                       FDir.File("vsftpd.log") +
                       "\nlog_ftp_protocol=YES\nsecure_chroot_dir=" + FDir.File("empty") + "\n");
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        ::execl(Vsftpd, Vsftpd, config.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    if (pid < 0)
        throw std::runtime_error("vsftpd: fork failed");
    ::setpgid(pid, pid);
    FPid = pid;
    const auto deadline = SupportClock::now() + DefaultWait;
    while (!LoopbackAccepts(FPort)) {
        if (SupportClock::now() >= deadline || ::waitpid(FPid, nullptr, WNOHANG) == FPid) {
            ::kill(-FPid, SIGKILL);
            ::waitpid(FPid, nullptr, 0);
            FPid = -1;
            throw std::runtime_error("vsftpd did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

VsftpdServer::~VsftpdServer() {
    if (FPid <= 0)
        return;
    // The whole group: the listener and every session it started.
    ::kill(-FPid, SIGKILL);
    while (::waitpid(FPid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

std::string VsftpdServer::RootFile(const std::string& relative) const {
    return FDir.File("root/" + relative);
}

std::string VsftpdServer::Log() const {
    try {
        return ReadFileBytes(FDir.File("vsftpd.log"));
    } catch (...) {
        return {};
    }
}
