// Old local copies kept aside when a file is opened again: dated backups
// beside the copy (`<name>.scrivlet-backup-<yyyymmdd-hhmmss>`), at most
// KeptBackups of them per file, except that a backup whose content was never
// confirmed on the server is never removed (it may hold the only copy of the
// user's edits). Which contents the server confirmed is recorded beside the
// copy, in `.<name>.scrivlet-confirmed`, by the stamps of the copy after each
// download and upload; a rename keeps a file's stamp, so a backup is known
// by it.
#pragma once

#include "app/local_file_stamp.h"

#include <ctime>
#include <string>
#include <vector>

inline constexpr size_t KeptBackups = 5;

// The backup name for a copy moved aside at `when` (local time); a second
// backup in the same second gets "-2", "-3", ... after it.
std::string BackupPath(const std::string& localPath, std::time_t when, int counter = 1);

// The backups of the copy at `localPath`, newest first.
std::vector<std::string> BackupsOf(const std::string& localPath);

// Records that the server holds the content the copy had at `stamp`.
void RecordConfirmed(const std::string& localPath, const TFileStamp& stamp);
// Whether `file` (the copy or one of its backups) has a content the server
// confirmed.
bool IsConfirmed(const std::string& localPath, const std::string& file);

// Moves whatever is at `localPath` (a file, a link, anything) to a new dated
// backup, so that the download finds the path free, then removes the oldest
// confirmed backups beyond KeptBackups. Nothing happens when the path is
// free; a failure is not reported (the download then fails for an existing
// destination, and says so).
void MoveAsideOldCopy(const std::string& localPath);
