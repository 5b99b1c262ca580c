#include "app/open_files.h"

#include <algorithm>

bool TOpenFiles::Claim(const TOpenFileKey& key, const std::string& localPath) {
    std::lock_guard<std::mutex> hold(FMutex);
    return FFiles.emplace(key, TEntry{localPath, false}).second;
}

void TOpenFiles::Release(const TOpenFileKey& key) {
    std::lock_guard<std::mutex> hold(FMutex);
    FFiles.erase(key);
}

std::optional<std::string> TOpenFiles::LocalPathOf(const TOpenFileKey& key) const {
    std::lock_guard<std::mutex> hold(FMutex);
    const auto found = FFiles.find(key);
    if (found == FFiles.end())
        return std::nullopt;
    return found->second.LocalPath;
}

void TOpenFiles::SetUnsynced(const TOpenFileKey& key, bool unsynced) {
    SetFlag(key, &TEntry::Unsynced, unsynced);
}

int TOpenFiles::UnsyncedCount() const {
    return CountWhere([](const TEntry& entry) { return entry.Unsynced; });
}

int TOpenFiles::OpenCount() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return static_cast<int>(FFiles.size());
}

void TOpenFiles::SetEditorRunning(const TOpenFileKey& key, bool running) {
    SetFlag(key, &TEntry::EditorRunning, running);
}

void TOpenFiles::SetWatched(const TOpenFileKey& key, bool watched) {
    SetFlag(key, &TEntry::Watched, watched);
}

int TOpenFiles::AtRiskCount() const {
    return CountWhere([](const TEntry& entry) { return entry.Unsynced || entry.EditorRunning; });
}

int TOpenFiles::RequestPass() {
    std::lock_guard<std::mutex> hold(FMutex);
    return ++FPassRequest;
}

int TOpenFiles::PassRequest() const {
    std::lock_guard<std::mutex> hold(FMutex);
    return FPassRequest;
}

void TOpenFiles::PassDone(const TOpenFileKey& key, int request) {
    std::lock_guard<std::mutex> hold(FMutex);
    const auto found = FFiles.find(key);
    if (found != FFiles.end())
        found->second.PassDone = std::max(found->second.PassDone, request);
}

bool TOpenFiles::PassesDone(int request) const {
    std::lock_guard<std::mutex> hold(FMutex);
    for (const auto& [key, entry] : FFiles)
        if (entry.Watched && entry.PassDone < request)
            return false;
    return true;
}

void TOpenFiles::SetFlag(const TOpenFileKey& key, bool TEntry::*flag, bool value) {
    std::lock_guard<std::mutex> hold(FMutex);
    const auto found = FFiles.find(key);
    if (found != FFiles.end())
        found->second.*flag = value;
}

int TOpenFiles::CountWhere(bool (*counts)(const TEntry&)) const {
    std::lock_guard<std::mutex> hold(FMutex);
    return static_cast<int>(std::count_if(
        FFiles.begin(), FFiles.end(), [counts](const auto& file) { return counts(file.second); }));
}
