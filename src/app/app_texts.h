// Every text the window shows: its caption, the status-bar texts of logging in
// and out, of browsing, of editing and of the keep-alive, and the column
// captions.
#pragma once

#include <cstdint>
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
// The server could not reach the window's data listener: this transfer and
// the rest of the login use passive mode.
inline constexpr const char* PassiveFallback = "Active mode failed; using passive mode";

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

// The user's editor: a command that could not be started, and why.
std::string EditorNotStarted(const std::string& command, const std::string& reason);

// Edit safety: a file open already, saves waiting for their login, the
// marker of files not uploaded, an editor that returned at once.
inline constexpr const char* AlreadyOpen = "Already open: ";
inline constexpr const char* EditorReturnedAtOnce = "Editor returned at once; watching ";
// A save kept back while the window is not logged in to the file's login.
std::string NotLoggedInToUpload(const std::string& localPath, const std::string& user,
                                const std::string& serverText);
// Ends every status text while files are unsynced: "1 file not uploaded",
// "2 files not uploaded".
std::string UnsyncedMarker(int files);
// A status text with the marker when `unsynced` is above 0.
std::string WithUnsyncedMarker(const std::string& text, int unsynced);

// Edit safety: uploads from a snapshot, checked against the server's size,
// and the question when someone else changed the file on the server.
inline constexpr const char* KeptChanging = "the file kept changing while it was read";
std::string SnapshotFailed(const std::string& reason);
// After an upload the server holds another number of bytes than were sent.
std::string SizeMismatch(int64_t held, int64_t sent);
// The conflict box: its text and its three buttons.
std::string ConflictQuestion(const std::string& remotePath, const std::string& localPath);
inline constexpr const char* ConflictOverwrite = "Overwrite";
inline constexpr const char* ConflictKeepBoth = "Keep both";
inline constexpr const char* ConflictCancel = "Cancel";
// The user kept the server's change: nothing uploaded until the next save.
std::string ConflictCancelled(const std::string& localPath);
// "Keep both": the copy went up under `minePath`, the server's file stays.
std::string KeptBoth(const std::string& localPath, const std::string& minePath);

// Edit safety: closing the window while files are unsynced or open.
std::string CloseAnyway(int files);

// Edit safety: a copy an earlier run left unsynced, offered after login.
std::string UnsyncedQuestion(const std::string& remotePath, const std::string& localPath);
inline constexpr const char* UnsyncedUpload = "Upload";
inline constexpr const char* UnsyncedLeave = "Leave";
inline constexpr const char* UnsyncedForget = "Forget";
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
