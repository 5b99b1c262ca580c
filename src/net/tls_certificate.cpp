#include "net/tls_certificate.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <cctype>
#include <memory>

namespace {

using TBioPtr = std::unique_ptr<BIO, decltype(&BIO_free)>;

std::string BioText(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return size > 0 ? std::string(data, static_cast<size_t>(size)) : std::string();
}

std::string NameText(const X509_NAME* name) {
    const TBioPtr bio(BIO_new(BIO_s_mem()), &BIO_free);
    X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB);
    return BioText(bio.get());
}

std::string TimeText(const ASN1_TIME* time) {
    const TBioPtr bio(BIO_new(BIO_s_mem()), &BIO_free);
    ASN1_TIME_print(bio.get(), time);
    return BioText(bio.get());
}

} // namespace

TIdCertificateInfo DescribeCertificate(X509* certificate) {
    TIdCertificateInfo info;
    if (certificate == nullptr)
        return info;
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &length) == 1) {
        static const char hex[] = "0123456789abcdef";
        for (unsigned int i = 0; i < length; ++i) {
            if (i > 0)
                info.Sha256 += ':';
            info.Sha256 += hex[digest[i] >> 4];
            info.Sha256 += hex[digest[i] & 0x0F];
        }
    }
    info.Subject = NameText(X509_get_subject_name(certificate));
    info.Issuer = NameText(X509_get_issuer_name(certificate));
    info.NotBefore = TimeText(X509_get0_notBefore(certificate));
    info.NotAfter = TimeText(X509_get0_notAfter(certificate));
    return info;
}

std::string NormalizedFingerprint(const std::string& hex) {
    std::string out;
    for (const char c : hex)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}
