#include "app/certificate_trust.h"

#include "core/exceptions.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

TTrustedCertificates::TTrustedCertificates(std::string file)
    : FFile(file.empty() ? DefaultFile() : std::move(file)) {}

std::string TTrustedCertificates::DefaultFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::string folder;
    if (config != nullptr && *config != '\0') {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::string(home != nullptr ? home : ".") + "/.config";
    }
    return folder + "/scrivlet/trusted-certificates";
}

std::string TTrustedCertificates::Lookup(const std::string& server) const {
    std::ifstream in(FFile);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        std::string sha256;
        if (fields >> name >> sha256 && name == server)
            return sha256;
    }
    return {};
}

void TTrustedCertificates::Remember(const std::string& server, const std::string& sha256) {
    std::vector<std::string> kept;
    {
        std::ifstream in(FFile);
        std::string line;
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string name;
            if (fields >> name && name != server)
                kept.push_back(line);
        }
    }
    kept.push_back(server + " " + sha256);
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(FFile).parent_path(), ignored);
    // Written aside and renamed: a crash leaves the old file, never half of one.
    const std::string fresh = FFile + ".new";
    {
        std::ofstream out(fresh, std::ios::trunc);
        for (const std::string& line : kept)
            out << line << '\n';
        if (!out.flush())
            throw EFileError("Cannot write " + fresh);
    }
    if (std::rename(fresh.c_str(), FFile.c_str()) != 0)
        throw EFileError("Cannot write " + FFile);
}

bool DecideCertificateTrust(TTrustedCertificates& trusted, TCertificateQuestion& question,
                            const std::string& server, const TIdCertificateInfo& info) {
    const std::string kept = trusted.Lookup(server);
    if (!kept.empty() && kept == info.Sha256)
        return true;
    switch (question.AskTrust(server, info, !kept.empty())) {
    case TTrustAnswer::TrustOnce: return true;
    case TTrustAnswer::AlwaysTrust: trusted.Remember(server, info.Sha256); return true;
    case TTrustAnswer::Cancel: break;
    }
    return false;
}
