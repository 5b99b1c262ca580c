// A running editor: started on a local copy in a process group of its own (so
// that a signal meant for Scrivlet, such as Ctrl+C in its terminal, does not
// take the user's unsaved edits with it), and looked at without blocking.
// An editor is never stopped from here: it outlives its watcher when the
// window closes.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class TEditorProcess {
public:
    // Starts `program` (its first word is looked up in PATH) with `path` as one
    // more argument of its own, never split and never seen by a shell. The
    // editor gets the caller's environment and working directory, the standard
    // descriptors, and none of the others (the FTP client's sockets among
    // them). False when it cannot be started.
    bool Start(const std::vector<std::string>& program, const std::string& path);
    // Starts the words as they are: the program, then its arguments.
    bool Start(const std::vector<std::string>& words);
    // Why the last Start failed: an errno value (0 when it did not fail).
    int StartError() const { return FStartError; }
    // True once the editor has ended (its exit status is collected then).
    bool HasEnded();
    pid_t Pid() const { return FPid; }

private:
    pid_t FPid = -1;
    bool FEnded = false;
    int FStartError = 0;
};
