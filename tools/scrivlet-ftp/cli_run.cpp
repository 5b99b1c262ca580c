#include "cli_run.h"

#include "core/exceptions.h"
#include "core/streams.h"
#include "core/text.h"
#include "ftp/ftp_client.h"
#include "net/io_handler.h"
#include "net/tls_io_handler.h"

#include <chrono>
#include <cstdio>
#include <sys/stat.h>

namespace {

constexpr int32_t CliBlockSize = 256 * 1024;

const char* KindName(TIdFTPEntryKind kind) {
    switch (kind) {
    case fekDirectory: return "dir";
    case fekSymbolicLink: return "link";
    case fekFile: break;
    }
    return "file";
}

int64_t LocalFileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// The error as a user reads it: a refused reply with its code, and without
// the line ends the reply text carries.
std::string ErrorText(const std::exception& error) {
    std::string text = TrimRight(error.what());
    if (const auto* reply = dynamic_cast<const EIdProtocolReplyError*>(&error))
        text = std::to_string(reply->ReplyCode) + " " + text;
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

class TransferClock {
public:
    double Seconds() const {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - FStart).count();
    }

private:
    std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
};

int RunCommand(TIdFTP& ftp, const CliOptions& options, std::ostream& out, std::ostream& err) {
    const std::string path = options.Args.empty() ? std::string() : options.Args[0];
    if (options.Command == "ls" || options.Command == "raw-ls") {
        ftp.ListDirectory(nullptr, path, true);
        if (options.Command == "raw-ls") {
            for (const std::string& line : ftp.RawListing)
                out << line << '\n';
            return 0;
        }
        TIdFTPListItems& entries = ftp.DirectoryEntries();
        for (int i = 0; i < entries.Count(); ++i)
            out << FormatListEntry(entries.Items(i)) << '\n';
        return 0;
    }
    if (options.Command == "get") {
        const std::string& local = options.Args[1];
        const int64_t before = options.Resume ? LocalFileSize(local) : 0;
        const TransferClock clock;
        ftp.RetrieveFile(options.Args[0], local, !options.Resume, options.Resume);
        err << FormatTransferSummary(LocalFileSize(local) - before, clock.Seconds()) << '\n';
        return 0;
    }
    if (options.Command == "put") {
        const std::string& local = options.Args[0];
        const TransferClock clock;
        ftp.StoreFile(local, options.Args[1], options.Append);
        err << FormatTransferSummary(LocalFileSize(local), clock.Seconds()) << '\n';
        return 0;
    }
    // quote
    const int code = ftp.SendRawCommand(options.Args[0]);
    for (const std::string& line : ftp.LastReply().Text())
        out << ftp.LastReply().TextCode() << ' ' << line << '\n';
    return code > 0 && code < 400 ? 0 : 1;
}

void UseSocks(const CliSocksOptions& options, TIdIOHandlerSocket& handler) {
    TIdSocksInfo& socks = *handler.SocksInfo();
    socks.Version = options.Version;
    socks.Host = options.Host;
    socks.Port = options.Port;
    socks.Username = options.User;
    socks.Password = options.Password;
    if (options.Version == TSocksVersion::svSocks5 &&
        (!options.User.empty() || !options.Password.empty()))
        socks.Authentication = TSocksAuthentication::saUsernamePassword;
}

} // namespace

std::string FormatListEntry(const TIdFTPListItem& item) {
    std::string name = item.EntryName;
    if (item.EntryKind == fekSymbolicLink && !item.LinkTarget.empty())
        name += " -> " + item.LinkTarget;
    const std::string date =
        item.LastModified == 0 ? std::string("-") : DateTimeToText(item.LastModified);
    return std::string(KindName(item.EntryKind)) + '\t' + item.OwnerRights + item.GroupRights +
           item.OtherRights + '\t' + item.OwnerAccount + '\t' + item.GroupAccount + '\t' +
           std::to_string(item.EntrySize) + '\t' + date + '\t' + name;
}

std::string FormatTransferSummary(int64_t bytes, double seconds) {
    const double rate = seconds > 0 ? static_cast<double>(bytes) / 1e6 / seconds : 0.0;
    char text[96];
    std::snprintf(text, sizeof text, "%lld bytes in %.3f s (%.1f MB/s)",
                  static_cast<long long>(bytes), seconds, rate);
    return text;
}

int RunCli(const CliOptions& options, std::ostream& out, std::ostream& err) {
    // Declared first: it must outlive the client that uses it. A TLS handler,
    // so that FTPS runs over the proxy too.
    TIdIOHandlerTLS socksHandler;
    TIdFTP ftp;
    if (options.Socks.Version != TSocksVersion::svNoSocks) {
        UseSocks(options.Socks, socksHandler);
        ftp.SetIOHandler(&socksHandler);
    }
    ftp.Host = options.Host;
    ftp.Port = options.Port;
    ftp.Username = options.User;
    ftp.Password = EffectivePassword(options);
    ftp.Passive = options.Passive;
    // Bigger blocks than the library's 32 KiB default: a gigabyte then takes an
    // eighth of the system calls, which is what bulk copies from a shell want.
    ftp.SendBufferSize = CliBlockSize;
    ftp.RecvBufferSize = CliBlockSize;
    // A server that stops answering must not hold the command for ever.
    ftp.ReadTimeout = options.TimeoutSeconds * 1000;
    ftp.SetProxySettings(options.Proxy);
    ApplyTlsOptions(options.Tls, ftp, err);
    try {
        ftp.ConnectServer(true, IdTimeoutDefault);
        const int status = RunCommand(ftp, options, out, err);
        ftp.SignOff();
        return status;
    } catch (const std::exception& error) {
        err << "scrivlet-ftp: " << ErrorText(error) << '\n';
        try {
            ftp.SignOff();
        } catch (const std::exception&) {
            // Already failing: the first error is the one to report.
        }
        return 1;
    }
}
