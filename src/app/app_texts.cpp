#include "app/app_texts.h"

#include "core/text.h"

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
    return "Could not upload " + localPath + ": " + OneLine(message) + " - trying again";
}

std::string KeepAliveFailed(const std::string& message) {
    return "Keep-alive failed again: " + OneLine(message);
}

std::string NotAPlainFileName(const std::string& name) {
    const std::string shown = BackslashEscaped(name, std::string_view("\0\r\n", 3));
    return "Cannot open \"" + shown + "\": the server gave a name that is not a plain file name";
}

// The user's editor.
std::string EditorNotStarted(const std::string& command, const std::string& reason) {
    return "Could not start the editor " + command + ": " + OneLine(reason);
}

std::string NotLoggedInToUpload(const std::string& localPath, const std::string& user,
                                const std::string& serverText) {
    return "Not uploaded " + localPath + ": waiting for a login as " + user + " to " + serverText;
}

std::string UnsyncedMarker(int files) {
    return std::to_string(files) + (files == 1 ? " file" : " files") + " not uploaded";
}

std::string WithUnsyncedMarker(const std::string& text, int unsynced) {
    if (unsynced <= 0)
        return text;
    return (text.empty() ? std::string() : text + " - ") + UnsyncedMarker(unsynced);
}

std::string SnapshotFailed(const std::string& reason) {
    return "Could not take the copy to upload: " + reason;
}

std::string SizeMismatch(int64_t held, int64_t sent) {
    return "The server holds " + std::to_string(held) + " bytes after the upload of " +
           std::to_string(sent);
}

std::string ConflictQuestion(const std::string& remotePath, const std::string& localPath) {
    return remotePath + " has changed on the server since it was opened or last uploaded.\n\n" +
           "Overwrite: upload your copy (" + localPath + ") over it.\n" +
           "Keep both: upload your copy beside it under another name.\n" +
           "Cancel: upload nothing now; you are asked again at your next save.";
}

std::string ConflictCancelled(const std::string& localPath) {
    return "Not uploaded " + localPath +
           ": the file changed on the server; asked again at the next save";
}

std::string KeptBoth(const std::string& localPath, const std::string& minePath) {
    return "Updated " + minePath + " from " + localPath + "; the server's file was left as it was";
}

std::string CloseAnyway(int files) {
    return std::to_string(files) + (files == 1 ? " file has" : " files have") +
           " changes that are not on the server. Close anyway?";
}

std::string UnsyncedQuestion(const std::string& remotePath, const std::string& localPath) {
    return "Your copy " + localPath + " has changes that never reached " + remotePath +
           " on the server (Scrivlet ended before they were uploaded).\n\n" +
           "Upload: send it now (you are asked first if the server's file changed).\n" +
           "Leave: keep it as it is and ask again at the next login.\n" +
           "Forget: keep it as it is and do not ask again.";
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
