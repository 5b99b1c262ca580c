// Where the local copy of an opened file lives: a mirror of the remote tree,
// one folder per server, so that two files of one name in different remote
// folders never share a copy.
#pragma once

#include <string>

// The folder of the running executable, without a trailing "/".
std::string ExecutableFolder();

// Where the mirror goes: `executableFolder` when this process may write
// there (a build tree, a home), else `$XDG_DATA_HOME/scrivlet/mirror`, with
// `$HOME/.local/share` for an unset or empty XDG_DATA_HOME (installed in
// /usr/bin, say). Null stands for an unset variable.
std::string MirrorRootFor(const std::string& executableFolder, const char* xdgDataHome,
                          const char* home);
// MirrorRootFor this process's executable and environment.
std::string DefaultMirrorRoot();

// `folder`, "/", the Server text as typed at login, then each folder of
// `remoteDir` ("/a/b": "/a/b"), "/", the entry's name. Throws Exception
// (NotAPlainFileName) when a folder of `remoteDir` or the name is not a plain
// name, since it would put the copy outside the mirror.
std::string MirrorPath(const std::string& folder, const std::string& serverText,
                       const std::string& remoteDir, const std::string& entryName);

// Whether a name from a listing may name a local copy: not empty, not "." or
// "..", without "/", NUL, CR or LF. The names come from the server, and any
// other would put the copy somewhere else than in the mirror folder (or, with
// a line end, break the lines the copy's path is written in).
bool IsPlainEntryName(const std::string& name);
