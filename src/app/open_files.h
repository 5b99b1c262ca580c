// The files open for editing in this process, each under the server, port,
// user and remote path it was opened from: a file is never opened twice at
// once (a second download would overwrite the copy an editor still has
// open), and the window counts the files whose last save has not reached the
// server. Shared by the window and its workers, which may outlive it.
#pragma once

#include "app/session_key.h"

#include <map>
#include <mutex>
#include <optional>
#include <string>

struct TOpenFileKey {
    TSessionKey Session;
    std::string RemotePath;
    friend auto operator<=>(const TOpenFileKey&, const TOpenFileKey&) = default;
};

class TOpenFiles {
public:
    // Registers the file; false (nothing changes) when it is open already.
    bool Claim(const TOpenFileKey& key, const std::string& localPath);
    void Release(const TOpenFileKey& key);
    // The local copy of an open file.
    std::optional<std::string> LocalPathOf(const TOpenFileKey& key) const;

    void SetUnsynced(const TOpenFileKey& key, bool unsynced);
    // Open files whose content on disk has not reached the server.
    int UnsyncedCount() const;
    int OpenCount() const;

    // --- Closing the window ---
    // Whether the file's editor still runs; whether its worker looks at the
    // copy (it has one).
    void SetEditorRunning(const TOpenFileKey& key, bool running);
    void SetWatched(const TOpenFileKey& key, bool watched);
    // Files unsynced or with an editor still open: what closing could lose.
    int AtRiskCount() const;
    // Asks every worker for one pass at once; returns the request's number.
    int RequestPass();
    // The number of the latest request, for the workers to compare.
    int PassRequest() const;
    // A worker's pass for request `request` is done.
    void PassDone(const TOpenFileKey& key, int request);
    // Every watched file has had its pass for `request`.
    bool PassesDone(int request) const;

private:
    struct TEntry {
        std::string LocalPath;
        bool Unsynced = false;
        bool EditorRunning = false;
        bool Watched = false;
        int PassDone = 0;
    };
    mutable std::mutex FMutex;
    void SetFlag(const TOpenFileKey& key, bool TEntry::*flag, bool value);
    int CountWhere(bool (*counts)(const TEntry&)) const;

    std::map<TOpenFileKey, TEntry> FFiles;
    int FPassRequest = 0;
};
