// The FTPS options of scrivlet-ftp: --tls, --tls-implicit, --ca-file,
// --insecure, --pin-sha256.
#pragma once

#include "ftp/ftp_client.h"

#include <functional>
#include <ostream>
#include <string>

struct CliTlsOptions {
    TIdUseTLS Mode = TIdUseTLS::utNoTLS;
    std::string CaFile;
    bool Insecure = false;
    std::string PinSha256;
};

// Takes `arg` when it is a TLS option: true when it was one. `value` fetches
// the option's value, `flag` checks that a switch has none.
bool ParseTlsOption(const std::string& arg, const std::function<std::string()>& value,
                    const std::function<void(bool&)>& flag, CliTlsOptions& tls);
// Raises CliUsageError for options that do not go together.
void CheckTlsOptions(const CliTlsOptions& tls);
// The port when none was given: 990 for implicit TLS, else 21.
int32_t DefaultPortFor(const CliTlsOptions& tls);
// Sets the client up; --insecure warns on `err`.
void ApplyTlsOptions(const CliTlsOptions& tls, TIdFTP& ftp, std::ostream& err);
