// Every text the window shows: its caption, the status-bar texts of logging in
// and out, of browsing, of editing and of the keep-alive, and the column
// captions.
#pragma once

#include <string>

namespace AppText {

inline constexpr const char* Caption =
    "Scrivlet - version 1.0 - Scrivlet developers - https://scrivlet.example.org";

// Status texts; those ending in a space are followed by a server or a path.
inline constexpr const char* Connecting = "Connecting ";
inline constexpr const char* LoggingIn = "Logging in ...";
inline constexpr const char* LoggingOut = "Logging out...";
inline constexpr const char* Disconnected = "Disconnected";
inline constexpr const char* Relogging = "Relogging in...";
inline constexpr const char* Retrieving = "Retrieving directory content: ";

// "%s %d file(s) %d Folder(s)" with the listed path and the two counts.
std::string ListingCounts(const std::string& path, int files, int folders);

// Editing: each followed by a local path, "Monitoring " by the file's name.
inline constexpr const char* Monitoring = "Monitoring ";
inline constexpr const char* Updated = "Updated ";
inline constexpr const char* Closed = "Closed ";
inline constexpr const char* Pinging = "Pinging ...";

// "Monitoring " with the local copy's file name and the local date and time.
std::string MonitoringText(const std::string& localPath, const std::string& dateTime);
// A worker that ended on a failure: what failed, the local path, the error.
std::string DownloadFailed(const std::string& localPath, const std::string& message);
std::string UploadFailed(const std::string& localPath, const std::string& message);
// A keep-alive that failed again while the report of its first failure stands.
std::string KeepAliveFailed(const std::string& message);
// The error report for an entry whose name cannot name a local file.
std::string NotAPlainFileName(const std::string& name);

// FTPS: the question about a server certificate that did not verify.
inline constexpr const char* TrustOnce = "Trust once";
inline constexpr const char* AlwaysTrust = "Always trust";
// The question's text: the server, why the certificate did not verify, its
// SHA-256 fingerprint, subject, issuer and validity dates; `changed` says that
// another certificate was trusted for this server before.
std::string CertificateQuestion(const std::string& server, const std::string& problem,
                                const std::string& sha256, const std::string& subject,
                                const std::string& issuer, const std::string& notBefore,
                                const std::string& notAfter, bool changed);

} // namespace AppText
