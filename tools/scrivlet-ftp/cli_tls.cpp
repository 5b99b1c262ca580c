#include "cli_tls.h"

#include "cli_options.h"
#include "net/tls_certificate.h"

bool ParseTlsOption(const std::string& arg, const std::function<std::string()>& value,
                    const std::function<void(bool&)>& flag, CliTlsOptions& tls) {
    if (arg == "--tls" || arg == "--tls-implicit") {
        bool on = false;
        flag(on);
        const TIdUseTLS mode =
            arg == "--tls" ? TIdUseTLS::utUseExplicitTLS : TIdUseTLS::utUseImplicitTLS;
        if (tls.Mode != TIdUseTLS::utNoTLS && tls.Mode != mode)
            throw CliUsageError("--tls and --tls-implicit exclude each other");
        tls.Mode = mode;
    } else if (arg == "--ca-file") {
        tls.CaFile = value();
    } else if (arg == "--insecure") {
        flag(tls.Insecure);
    } else if (arg == "--pin-sha256") {
        tls.PinSha256 = value();
        if (NormalizedFingerprint(tls.PinSha256).size() != 64)
            throw CliUsageError("--pin-sha256: not a SHA-256 fingerprint (64 hex digits): " +
                                tls.PinSha256);
    } else {
        return false;
    }
    return true;
}

void CheckTlsOptions(const CliTlsOptions& tls) {
    if (tls.Mode == TIdUseTLS::utNoTLS &&
        (!tls.CaFile.empty() || tls.Insecure || !tls.PinSha256.empty()))
        throw CliUsageError("--ca-file, --insecure and --pin-sha256 need --tls or --tls-implicit");
    if (tls.Insecure && (!tls.CaFile.empty() || !tls.PinSha256.empty()))
        throw CliUsageError("--insecure excludes --ca-file and --pin-sha256");
}

int32_t DefaultPortFor(const CliTlsOptions& tls) {
    return tls.Mode == TIdUseTLS::utUseImplicitTLS ? IdPORT_FTPS : IdPORT_FTP;
}

void ApplyTlsOptions(const CliTlsOptions& tls, TIdFTP& ftp, std::ostream& err) {
    ftp.UseTLS = tls.Mode;
    ftp.TLSCAFile = tls.CaFile;
    ftp.TLSPinnedSha256 = tls.PinSha256;
    ftp.TLSVerify = !tls.Insecure;
    if (tls.Insecure && tls.Mode != TIdUseTLS::utNoTLS)
        err << "scrivlet-ftp: warning: --insecure: the server's certificate is not checked; "
               "anyone on the way can read and change the session\n";
}
