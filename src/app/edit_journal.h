// A small journal in the mirror root of every file open for editing: its
// login, remote and local paths, the local stamp whose content the server
// last confirmed, and the server's size and time then. It survives a crash
// (killed, power cut): at the next login to the same server and user, the
// copies that differ from what was confirmed are offered for upload. Written
// whole and atomically (temporary file, fsync, rename) at every change.
// Shared by the window and its workers.
#pragma once

#include "app/local_file_stamp.h"
#include "app/open_files.h"
#include "app/remote_facts.h"

#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct TJournalEntry {
    TOpenFileKey Key;
    std::string LocalPath;
    // The local copy's stamp when its content was last on the server.
    std::optional<TFileStamp> Confirmed;
    TRemoteFacts ServerFacts;
};

class TEditJournal {
public:
    // Reads the journal at `path` when there is one.
    explicit TEditJournal(std::string path);

    // Adds the entry, or replaces the one of its key.
    void Record(const TJournalEntry& entry);
    void Forget(const TOpenFileKey& key);
    std::vector<TJournalEntry> Entries() const;

    // Entries of `session` whose local copy exists and differs from what
    // the server last confirmed.
    std::vector<TJournalEntry> UnsyncedOf(const TSessionKey& session) const;

    static constexpr const char* FileName = ".scrivlet-journal";

private:
    void Write() const;

    const std::string FPath;
    mutable std::mutex FMutex;
    std::vector<TJournalEntry> FEntries;
};
