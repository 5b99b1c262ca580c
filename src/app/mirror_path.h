// Where the local copy of an opened file lives: one folder per server beside
// the executable, shared by every remote directory of that server.
#pragma once

#include <string>

// The folder of the running executable, without a trailing "/".
std::string ExecutableFolder();

// `folder`, "/", the Server text as typed at login, "/", the entry's name.
std::string MirrorPath(const std::string& folder, const std::string& serverText,
                       const std::string& entryName);

// Whether a name from a listing may name a local copy: not empty, not "." or
// "..", without "/" and without NUL. The names come from the server, and any
// other would put the copy somewhere else than in the mirror folder.
bool IsPlainEntryName(const std::string& name);

// The name an old local copy is moved aside to: in the same folder, so that
// edits that never reached the server survive the next opening.
std::string BackupPath(const std::string& localPath);

// Moves whatever is at `localPath` (a file, a link, anything) to its backup
// name, replacing an older backup, so that the download finds the path free.
// Nothing happens when the path is free; a failure is not reported (the
// download then fails for an existing destination, and says so).
void MoveAsideOldCopy(const std::string& localPath);
