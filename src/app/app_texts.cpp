#include "app/app_texts.h"

namespace AppText {

std::string ListingCounts(const std::string& path, int files, int folders) {
    return path + " " + std::to_string(files) + " file(s) " + std::to_string(folders) +
           " Folder(s)";
}

namespace {

// A message of several lines (a server's reply can have them) on the status
// bar's one line.
std::string OneLine(const std::string& message) {
    std::string line;
    for (const char c : message) {
        if (c == '\n')
            line += ' ';
        else if (c != '\r')
            line += c;
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

} // namespace

std::string MonitoringText(const std::string& localPath, const std::string& dateTime) {
    const size_t slash = localPath.rfind('/');
    const std::string name = slash == std::string::npos ? localPath : localPath.substr(slash + 1);
    return Monitoring + name + " " + dateTime;
}

std::string DownloadFailed(const std::string& localPath, const std::string& message) {
    return "Could not download " + localPath + ": " + OneLine(message);
}

std::string UploadFailed(const std::string& localPath, const std::string& message) {
    return "Could not upload " + localPath + ": " + OneLine(message) +
           " - later saves are not uploaded";
}

std::string KeepAliveFailed(const std::string& message) {
    return "Keep-alive failed again: " + OneLine(message);
}

std::string NotAPlainFileName(const std::string& name) {
    std::string shown;
    for (const char c : name) {
        if (c == '\0')
            shown += "\\0";
        else
            shown += c;
    }
    return "Cannot open \"" + shown + "\": the server gave a name that is not a plain file name";
}

std::string CertificateQuestion(const std::string& server, const std::string& problem,
                                const std::string& sha256, const std::string& subject,
                                const std::string& issuer, const std::string& notBefore,
                                const std::string& notAfter, bool changed) {
    std::string text;
    if (changed)
        text = "The certificate of " + server +
               " has CHANGED since you trusted it. This can mean that someone is "
               "intercepting the connection.\n\n";
    text += "The certificate of " + server + " could not be verified: " + problem + ".\n\n";
    text += "SHA-256 fingerprint: " + sha256 + "\n";
    text += "Subject: " + subject + "\n";
    text += "Issuer: " + issuer + "\n";
    text += "Valid from " + notBefore + " to " + notAfter + "\n\n";
    text += "Trust this certificate?";
    return text;
}

} // namespace AppText
