#include "support/test_certificates.h"

#include <ctime>
#include <stdexcept>

namespace {

void Run(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0)
        throw std::runtime_error("test certificates: failed: " + command);
}

std::string DateFromNow(long seconds) {
    const std::time_t when = std::time(nullptr) + seconds;
    std::tm parts{};
    gmtime_r(&when, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d%H%M%SZ", &parts);
    return text;
}

} // namespace

TestCertificates::TestCertificates() {
    MakeCa("ca");
    MakeCa("other-ca");
}

void TestCertificates::MakeCa(const std::string& name) {
    const std::string dir = FDir.File(name + ".d");
    WriteFileBytes(dir + "/index.txt", "");
    WriteFileBytes(dir + "/serial", "1000\n");
    WriteFileBytes(dir + "/ca.cnf", "[ca]\ndefault_ca = test\n[test]\ndatabase = " + dir +
                                        "/index.txt\nnew_certs_dir = " + dir + "\nserial = " + dir +
                                        "/serial\ndefault_md = sha256\npolicy = any\n"
                                        "unique_subject = no\n[any]\ncommonName = supplied\n");
    Run("openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3"
        " -subj '/CN=Scrivlet Test " +
        name +
        "' -addext basicConstraints=critical,CA:TRUE"
        " -addext keyUsage=critical,keyCertSign,cRLSign -keyout " +
        FDir.File(name + ".key") + " -out " + FDir.File(name + ".pem"));
}

TestCertificates::Pair TestCertificates::Server(const std::string& name,
                                                const std::string& altNames, bool trustedCa,
                                                const std::string& startDate,
                                                const std::string& endDate) {
    const std::string ca = trustedCa ? "ca" : "other-ca";
    const Pair pair{FDir.File(name + ".pem"), FDir.File(name + ".key")};
    const std::string csr = FDir.File(name + ".csr");
    const std::string ext = FDir.File(name + ".ext");
    WriteFileBytes(ext, "subjectAltName=" + altNames +
                            "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
    Run("openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj '/CN=" + name +
        "' -keyout " + pair.Key + " -out " + csr);
    Run("openssl ca -batch -notext -config " + FDir.File(ca + ".d/ca.cnf") + " -cert " +
        FDir.File(ca + ".pem") + " -keyfile " + FDir.File(ca + ".key") + " -startdate " +
        (startDate.empty() ? DateFromNow(-86400) : startDate) + " -enddate " +
        (endDate.empty() ? DateFromNow(2 * 86400) : endDate) + " -extfile " + ext + " -in " + csr +
        " -out " + pair.Certificate);
    return pair;
}

std::string CertificateSha256(const std::string& pemFile) {
    TempDir scratch;
    Run("openssl x509 -in " + pemFile + " -noout -fingerprint -sha256 -out " + scratch.File("fp"));
    // "sha256 Fingerprint=AB:CD:..."
    std::string text = ReadFileBytes(scratch.File("fp"));
    text = text.substr(text.find('=') + 1);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text;
}
